#include "MorvNode/Model/MVLegacyNodeRecordReader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "Platform/ColorArchive.h"
#include "Platform/GeometryStrings.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

std::string stringOf(const pf::PlistValue::Dictionary& dictionary, std::string_view key)
{
  const pf::PlistValue* value = dictionary.find(key);
  return value != nullptr ? value->stringOr() : std::string();
}

bool contains(std::string_view text, std::string_view part)
{
  return text.find(part) != std::string_view::npos;
}

// The old colour of `key`: keyed archive in the companion entry when there is one, else the
// older non-keyed archive in the value.
pf::UnarchivedColor unarchiveLegacyColor(const pf::PlistValue::Dictionary& values, const std::string& key,
                                         const pf::PlistValue::Data& data)
{
  const std::string companionKey = key + MVLegacyNodeRecordReader::kKeyedDataSuffix;
  if (const pf::PlistValue* companion = values.find(companionKey)) {
    if (const pf::PlistValue::Data* keyed = companion->asData()) {
      return pf::unarchiveColor(std::span<const std::uint8_t>(*keyed));
    }
    pf::UnarchivedColor failed;
    failed.error = "the keyed colour data is not data";
    return failed;
  }
  return pf::unarchiveTypedStreamColor(std::span<const std::uint8_t>(data));
}

// One old value that is not a colour, under its translated name.
void loadLegacyValue(MVNode& node, const MVLegacyNodeRecordReader::TranslatedName& target, const pf::PlistValue& value)
{
  const std::optional<double> number = value.toDouble();
  const std::optional<bool> flag = value.toBool();
  const bool enable = target.enable;

  if (target.axis) {
    if (MVParameterValue2D* parameter = node.value2DParameterNamed(target.name)) {
      if (parameter->aspectLocked()) {
        parameter->setAspectLocked(false);
      }
      if (number) {
        if (*target.axis == 0) {
          parameter->setValueX(*number);
        } else {
          parameter->setValueY(*number);
        }
      }
    }
    return;
  }

  MVParameterValue* valueParameter = node.valueParameterNamed(target.name);
  if (valueParameter != nullptr) {
    if (enable) {
      if (flag) {
        valueParameter->setEnabled(*flag);
      }
    } else if (number) {
      valueParameter->setValue(*number);
    }
  }
  if (enable) {
    if (MVParameterColor* colorParameter = node.colorParameterNamed(target.name); colorParameter != nullptr && flag) {
      colorParameter->setEnabled(*flag);
    }
  }
  MVParameterNodeIndex* nodeIndexParameter = value.isString() ? node.elementIndexParameterNamed(target.name) : nullptr;
  MVParameterIndex* indexParameter = nullptr;
  if (nodeIndexParameter != nullptr) {
    const std::string& indexName = *value.asString();
    nodeIndexParameter->updateElementIndexes();
    nodeIndexParameter->setLoadedIndexName(indexName);
    if (nodeIndexParameter->hasIndexNames()) {
      const std::vector<std::string>& names = nodeIndexParameter->indexNames();
      const auto found = std::find(names.begin(), names.end(), indexName);
      if (found != names.end()) {
        nodeIndexParameter->setIndex(found - names.begin());
      } else {
        nodeIndexParameter->setNeedsNewIndexFlag(true);
        if (indexName != "Group index") {
          FeedbackManager::log("Warning, legacy import '%@' found no index key '%@', will attempt again after nodes are "
                               "loaded to find new index key with needsNewIndexFlag",
                               nodeIndexParameter->description(), indexName);
        }
      }
    }
  } else {
    indexParameter = node.indexParameterNamed(target.name);
    if (indexParameter != nullptr) {
      if (enable) {
        if (flag) {
          indexParameter->setEnabled(*flag);
        }
      } else if (const std::optional<std::int64_t> index = value.toInteger()) {
        indexParameter->setIndex(*index);
      }
    }
  }
  if (value.isString()) {
    if (MVParameterValueExpression* expression = node.expressionParameterNamed(target.name)) {
      if (enable) {
        if (flag) {
          expression->setEnabled(*flag);
        }
      } else {
        expression->setExpressionString(*value.asString());
      }
    }
  }
  MVParameterBool* boolParameter = node.boolParameterNamed(target.name);
  if (boolParameter != nullptr) {
    if (flag) {
      boolParameter->setValue(*flag);
    }
  } else if (valueParameter == nullptr && indexParameter == nullptr) {
    // A plain toggle row ("Show seed") keeps its state in its enabled flag.
    MVParameter* plain = node.parameterNamed(target.name);
    if (plain != nullptr && plain->className() == "MVParameter" && flag) {
      plain->setEnabled(*flag);
    }
  }
}

void loadLinkStates(MVNode& node, const pf::PlistValue::Array& links)
{
  for (const pf::PlistValue& entry : links) {
    const pf::PlistValue::Dictionary* link = entry.asDictionary();
    if (link == nullptr) {
      continue;
    }
    const std::optional<std::string> first =
        node.legacyMV2ParameterNameTranslation(stringOf(*link, "Parameter 1"));
    const std::optional<std::string> second =
        node.legacyMV2ParameterNameTranslation(stringOf(*link, "Parameter 2"));
    const pf::PlistValue* activeEntry = link->find("Active");
    const bool active = activeEntry != nullptr && activeEntry->toBool().value_or(false);
    if (first && second && contains(*first, ":X") && contains(*second, ":Y")) {
      std::string name = *first;
      name.erase(name.find(":X"), 2);
      if (MVParameterValue2D* parameter = node.value2DParameterNamed(name)) {
        const bool wasEnabled = parameter->enabled();
        parameter->setEnabled(true);
        const double x = parameter->localValueX();
        const double y = parameter->localValueY();
        if (active && (std::isnan(x) || std::isnan(y) || x != y)) {
          parameter->setValueY(x);
        }
        parameter->setEnabled(wasEnabled);
        parameter->setAspectLocked(active);
      }
      continue;
    }
    FeedbackManager::log("Warning %@ legacy Parameter link between %@ and %@ was not converted to new 2D parameter "
                         "aspect lock",
                         node.description(), first.value_or("(null)"), second.value_or("(null)"));
  }
}

}  // namespace

MVLegacyNodeRecordReader::TranslatedName MVLegacyNodeRecordReader::parseTranslatedName(std::string translated)
{
  TranslatedName result;
  const std::string marker = kEnableMarker;
  for (std::size_t found = translated.find(marker); found != std::string::npos; found = translated.find(marker)) {
    result.enable = true;
    translated.erase(found, marker.size());
  }
  const std::size_t colon = translated.find(':');
  if (colon != std::string::npos) {
    const std::string_view axis = std::string_view(translated).substr(colon + 1);
    if (axis == "X") {
      result.axis = 0;
    } else if (axis == "Y") {
      result.axis = 1;
    } else {
      FeedbackManager::log("loadLegacyMV2NodeDictionary, Warning, '%@' looks like a 2D parameter translation, but sub "
                           "parameter is not X or Y",
                           translated);
    }
    translated.erase(colon);
  }
  result.name = std::move(translated);
  return result;
}

bool MVLegacyNodeRecordReader::load(MVNode& node, const pf::PlistValue::Dictionary& record)
{
  if (node.canRename()) {
    if (const pf::PlistValue* title = record.find("Node title"); title != nullptr && title->isString()) {
      node.setDisplayName(*title->asString());
    }
  }
  if (!node.canDisable()) {
    node.setEnabled(true);
  } else if (record.contains("Hidden")) {
    node.setEnabled(!DictionaryValueExtras::boolValueForKey(record, "Hidden"));
  }
  if (const pf::PlistValue* frame = record.find("Node frame rect"); frame != nullptr && frame->isString()) {
    const pf::Rect rect = pf::rectFromString(*frame->asString());
    node.setInitialNodeViewOrigin(pf::Point(std::round(rect.origin.x) + 4.0, std::round(rect.origin.y) + 4.0));
  }
  if (const pf::PlistValue* nodeId = record.find("Node id"); nodeId != nullptr && nodeId->isString()) {
    node.setNodeId(*nodeId->asString());
  }

  const pf::PlistValue* valuesEntry = record.find("Parameter values");
  const pf::PlistValue::Dictionary* values = valuesEntry != nullptr ? valuesEntry->asDictionary() : nullptr;
  if (values == nullptr) {
    FeedbackManager::log("Warning, loadNodeDictionary for node %@, found no parameterValuesDescription description",
                         node.description());
  } else {
    for (const pf::PlistValue::Dictionary::Entry& entry : *values) {
      if (contains(entry.key, kKeyedDataSuffix) || entry.value.isNull()) {
        continue;
      }
      if (const pf::PlistValue::Data* data = entry.value.asData()) {
        const pf::UnarchivedColor color = unarchiveLegacyColor(*values, entry.key, *data);
        if (!color.isColor()) {
          FeedbackManager::log("Error: %@ Failed to unarchive data for parameter %@ , error: %@", node.description(),
                               entry.key, color.error);
          continue;
        }
        const std::optional<std::string> translated = node.legacyMV2ParameterNameTranslation(entry.key);
        if (!translated) {
          continue;
        }
        if (MVParameterColor* parameter = node.colorParameterNamed(*translated)) {
          parameter->setColor(color.color);
        } else {
          FeedbackManager::log("Legacy import warning: %@ has no MVParameterColor named '%@'", node.className(),
                               *translated);
        }
        continue;
      }
      const std::optional<std::string> translated = node.legacyMV2ParameterNameTranslation(entry.key);
      if (!translated) {
        continue;
      }
      loadLegacyValue(node, parseTranslatedName(*translated), entry.value);
    }
  }

  node.initRandomSeed();

  if (const pf::PlistValue* links = record.find("Parameter link states"); links != nullptr && links->isArray()) {
    loadLinkStates(node, *links->asArray());
  }
  if (values != nullptr) {
    if (values->contains("No fill") && DictionaryValueExtras::boolValueForKey(*values, "No fill")) {
      if (MVParameter* fill = node.parameterNamed("Fill Color")) {
        fill->setEnabled(false);
      }
    }
    if (!values->contains("Has Stroke")) {
      MVParameterValue* width = node.valueParameterNamed("Stroke Width");
      MVParameter* strokeColor = node.parameterNamed("Stroke Color");
      if (width != nullptr && strokeColor != nullptr && width->value() > 0.0) {
        strokeColor->setEnabled(true);
      }
    }
  }
  node.updateLinkedParameters();
  return true;
}
