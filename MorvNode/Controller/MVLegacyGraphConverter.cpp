#include "MorvNode/Controller/MVLegacyGraphConverter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "MorvNode/Controller/MVArtboardSource.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Controller/MVNodeControllerEditorDelegate.h"
#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "Platform/Format.h"
#include "Platform/Numbers.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/ODAnimator.h"

namespace {

constexpr const char* kSeamlessLinesRemovedWarning =
    "The legacy Seamless lines node in this file was deprecated and removed in Morvalis 2 and is not available in "
    "Morvalis 3. Use Element Line and Repeat Transform instead.";
constexpr const char* kSeamlessLinesReplacedWarning =
    "The legacy Seamless lines node in this file was deprecated and removed in Morvalis 2 and is not available in "
    "Morvalis 3. It has been replaced with a basic Element Line node, you can use a Repeat Transform node to repeat it.";
constexpr const char* kCustomRepeaterRemovedWarning =
    "The legacy Custom Loop Repeater node in this file was deprecated and removed in Morvalis 2 and is not available "
    "in Morvalis 3. Use Node indexes and other repeaters nodes instead.";
constexpr const char* kColorGradientRangeWarning =
    "The legacy Color Gradient node has been converted to a Color List node with interpolate enabled. However, this "
    "node doesn't support the custom value range previously specified so you will need to map the input values to 0-1 "
    "using other nodes before it to get the same result.";
constexpr const char* kConnectionsWarning =
    "Warning, some legacy node connections could not be loaded since the corresponding nodes or sockets have been "
    "changed and no automatic conversion was possible. The file may therefore produce a different result.";

struct TranslationRow {
  const char* oldClass;
  const char* newClass;
  std::vector<std::pair<const char*, const char*>> renames;
};

// The rows in their order: a later row for the same old class replaces the earlier one, and a
// later pair for the same old parameter replaces the earlier pair.
const std::vector<TranslationRow>& translationRows()
{
  static const std::vector<TranslationRow> kRows = {
      {"ValueElementIndexNode", "ValueNodeIndexNode", {}},
      {"AnimatedValueNode", "ValueTimeFunctionNode", {}},
      {"ElementTypeNode", "ElementTextNode", {}},
      {"ReportInfoNode", "ArtboardNode", {}},
      {"ArrayRandomizeNode", "GroupRandomizeNode", {}},
      {"ArrayRandomizeColorNode", "GroupRandomizeColorNode", {}},
      {"ArrayReplaceNode", "ChangeReplaceNode", {}},
      {"ArrayReverseOrderNode", "GroupArrangeNode", {}},
      {"ArrayRandomizeOrderNode", "GroupArrangeNode", {}},
      {"ArrayOrderChangeNode", "GroupArrangeNode", {}},
      {"ArrayMergeNode", "GroupMergeNode", {}},
      {"ArrayFunctionNode", "GroupApplyFunctionNode", {}},
      {"ArrayApplyImageNode", "GroupApplyElementNode", {}},
      {"ArraySplitNode",
       "GroupSelectNode",
       {{"Seed", "Selection Seed"},
        {"Offset", "Selection Offset"},
        {"A Count", "Selection Select Count"},
        {"B Count", "Selection Skip Count"}}},
      {"ArraySplitMaskNode", "GroupSelectNode", {}},
      {"RepeatRandomNode", "RepeatRandomNode", {{"X", "Width"}, {"Y", "Height"}}},
      {"TransformOffsetNode", "ChangeTransformNode", {{"X", "Offset X"}, {"Y", "Offset Y"}}},
      {"TransformScaleNode", "ChangeTransformNode", {{"X", "Scale X"}, {"Y", "Scale Y"}}},
      {"ElementImageNode", "ElementImportNode", {{"Opacity", "Fill Opacity"}}},
      {"ElementArcNode", "ElementShapeNode", {{"Diameter", "Size"}}},
      {"ElementLineNode", "ElementLineNode", {{"Length", "Size"}}},
      {"ClipNode", "ChangeClipNode", {}},
      {"ApplyColorNode", "ChangeColorNode", {}},
      {"ApplyColorAdjustmentNode",
       "ChangeColorNode",
       {{"Adjust fill color", "Apply fill color"},
        {"Adjust stroke color", "Apply stroke color"},
        {"Hue", "Fill Hue"},
        {"Saturation", "Fill Saturation"},
        {"Brightness", "Fill Brightness"},
        {"Hue", "Stroke Hue"},
        {"Saturation", "Stroke Saturation"},
        {"Brightness", "Stroke Brightness"}}},
      {"RepeatOffsetNode", "RepeatTransformNode", {{"X", "Offset X"}, {"Y", "Offset Y"}}},
      {"RepeatGridNode", "RepeatGridNode", {{"X", "Offset X"}, {"Y", "Offset Y"}}},
      {"ColorAdjustmentNode", "ColorAdjustmentNode", {{"OutputColor", "Color"}}},
      {"ColorGradientNode", "ColorListNode", {{"Color 1", "Color 0"}}},
      {"ValueMathNode", "ValueMathNode", {{"Result", "Value"}}},
      {"ValueFunctionNode", "ValueMathNode", {{"Result", "Value"}}},
      {"ValueAddNode", "ValueMathNode", {{"Result", "Value"}}},
      {"ValueSubtractNode", "ValueMathNode", {{"Result", "Value"}}},
      {"ValueMultiplyNode", "ValueMathNode", {{"Result", "Value"}}},
      {"ValueDivideNode", "ValueMathNode", {{"Result", "Value"}}},
      {"ValueSpacingNode", "ValueMathNode", {{"Result", "Value"}, {"Size", "A"}, {"Count", "B"}}},
      {"ValueRemapNode", "ValueRemapNode", {{"Result", "Value"}}},
      {"ValueCapNode", "ValueCapNode", {{"Result", "Value"}}},
      {"ValueElementPositionNode", "ValueElementSizeNode", {}},
      {"ValueArrayCountNode", "ValueElementSizeNode", {}},
      {"ValueArrayIndexNode", "ValueNodeIndexNode", {{"Index", "Value"}}},
      {"ValueRepetitionIndexNode", "ValueNodeIndexNode", {{"Index", "Value"}}},
      {"ValueElementIndexNode", "ValueNodeIndexNode", {{"Index", "Value"}}},
  };
  return kRows;
}

// False also when absent: old records leave out what was never set.
bool isYes(const pf::PlistValue::Dictionary& values, std::string_view key)
{
  const pf::PlistValue* value = values.find(key);
  return value != nullptr && value->toBool().value_or(false);
}

// The number under `key`; `fallback` when absent or not a number.
double numberOr(const pf::PlistValue::Dictionary& values, std::string_view key, double fallback)
{
  const pf::PlistValue* value = values.find(key);
  return value != nullptr && value->isNumber() ? value->toDouble().value_or(fallback) : fallback;
}

// Copies `from` to `to` when present (the old key stays).
void copyValue(pf::PlistValue::Dictionary& values, std::string_view from, std::string_view to)
{
  if (const pf::PlistValue* value = values.find(from)) {
    const pf::PlistValue copy = *value;
    values.set(to, copy);
  }
}

void moveValue(pf::PlistValue::Dictionary& values, std::string_view from, std::string_view to)
{
  if (const pf::PlistValue* value = values.find(from)) {
    const pf::PlistValue moved = *value;
    values.erase(from);
    values.set(to, moved);
  }
}

// A node ID of a record: a string, or a whole number written as one.
std::optional<std::string> nodeIdText(const pf::PlistValue* value)
{
  if (value == nullptr) {
    return std::nullopt;
  }
  if (value->isString()) {
    return *value->asString();
  }
  if (value->isInteger()) {
    return std::to_string(*value->asInteger());
  }
  return std::nullopt;
}

// The counter value of a decimal node ID; nullopt for any other text.
std::optional<long> counterValueOfNodeId(const std::string& nodeId)
{
  long value = 0;
  const char* end = nodeId.data() + nodeId.size();
  const auto [stop, error] = std::from_chars(nodeId.data(), end, value);
  if (nodeId.empty() || nodeId.front() == '-' || error != std::errc() || stop != end) {
    return std::nullopt;
  }
  return value;
}

// The parameter name of a translated connection name and its socket index (":Y" gives 1).
std::pair<std::string, int> socketOfTranslatedName(std::string name)
{
  if (const std::size_t x = name.find(":X"); x != std::string::npos) {
    name.erase(x, 2);
  }
  if (const std::size_t y = name.find(":Y"); y != std::string::npos) {
    name.erase(y, 2);
    return {name, 1};
  }
  return {name, 0};
}

bool isArtboard(const MVNode* node)
{
  return dynamic_cast<const MVArtboardSource*>(node) != nullptr;
}

}  // namespace

const pf::PlistValue::Dictionary& MVLegacyGraphConverter::legacyNodeTranslationDictionary()
{
  static const pf::PlistValue::Dictionary kTable = [] {
    pf::PlistValue::Dictionary table;
    for (const TranslationRow& row : translationRows()) {
      pf::PlistValue::Dictionary conversion;
      if (row.renames.empty()) {
        conversion.set("", "");
      }
      for (const auto& [oldName, newName] : row.renames) {
        conversion.set(oldName, newName);
      }
      table.set(row.oldClass, pf::PlistValue::Dictionary{{"NodeType", row.newClass},
                                                         {"ParameterConversion", std::move(conversion)}});
    }
    return table;
  }();
  return kTable;
}

void MVLegacyGraphConverter::adjustLegacyNodeRecord(const std::string& oldClassName, pf::PlistValue::Dictionary& record,
                                                    pf::PlistValue::Dictionary& values, std::string& newClassName)
{
  const std::string& o = oldClassName;
  if (o == "ArraySplitNode") {
    const bool random = pf::saturatingCast<long long>(numberOr(values, "Mode", 0.0)) == 1;
    values.set("Selection Mode", random ? 5 : 4);
    values.erase("Mode");
    values.set("Element Selection Mode", 0);
    newClassName = "GroupSelectNode";
  } else if (o == "ApplyColorAdjustmentNode") {
    values.set("Stroke Color Mode", 1);
    values.set("Fill Color Mode", 1);
    record.set("Change Mode", 1);
    newClassName = "ChangeColorNode";
  } else if (o == "ArraySplitMaskNode") {
    values.set("Element Selection Mode", 1);
    newClassName = "GroupSelectNode";
  } else if (o == "ValueElementSizeNode" || o == "ValueElementPositionNode" || o == "ValueArrayCountNode") {
    if (!values.contains("Show size")) {
      if (o == "ValueElementSizeNode") {
        values.set("Show size", true);
        values.set("Add margin", true);
      } else {
        values.set("Show size", false);
      }
    }
    if (!values.contains("Show position")) {
      values.set("Show position", o == "ValueElementPositionNode");
    }
    newClassName = "ValueElementSizeNode";
  } else if (o == "ValueFunctionNode") {
    static const char* const kFunctions[] = {"sin(a*b+c)", "cos(a*b+c)", "sqrt(a*a+b*b)", "(a+b)/c",
                                             "(a*b)/c",    "(a*b)+c",    "(a+b)*c"};
    const long long function = std::clamp(pf::saturatingCast<long long>(numberOr(values, "Function", 0.0)), 0LL, 6LL);
    values.set("Value", kFunctions[function]);
    values.erase("Function");
    newClassName = "ValueMathNode";
  } else if (o == "ValueSpacingNode") {
    values.set("C", 0.0);
    values.set("Value", "a/(b-1)");
    newClassName = "ValueMathNode";
  } else if (o == "ValueAddNode" || o == "ValueSubtractNode" || o == "ValueDivideNode" || o == "ValueMultiplyNode") {
    values.set("Value", o == "ValueAddNode" ? "a+b" : o == "ValueSubtractNode" ? "a-b" : o == "ValueDivideNode" ? "a/b" : "a*b");
    newClassName = "ValueMathNode";
  } else if (o == "ReportInfoNode") {
    if (!values.contains("Has Mirroring")) {
      values.set("Has Mirroring", isYes(values, "Vertical mirroring") || isYes(values, "Horizontal mirroring"));
    }
    if (values.contains("No Background")) {
      values.set("Has Background", !isYes(values, "No Background"));
      values.erase("No Background");
    }
  } else if (o == "RepeatGridNode" || o == "RepeatAlternatingNode") {
    if (o == "RepeatAlternatingNode") {
      values.set("Grid Mode", isYes(values, "Equal spacing") ? 2 : 1);
      newClassName = "RepeatGridNode";
    }
    record.erase("Node title");
    if (!values.contains("Has Extras")) {
      values.set("Has Extras", isYes(values, "Short odd rows") || isYes(values, "Remove last"));
    }
  } else if (o == "ElementCircleNode" || o == "ElementSquareNode" || o == "ElementPolygonNode" ||
             o == "ElementPolygonStarNode" || o == "ElementArcNode") {
    const int type = o == "ElementCircleNode"    ? 0
                     : o == "ElementSquareNode"  ? 1
                     : o == "ElementPolygonNode" ? 5
                     : o == "ElementArcNode"     ? 7
                                                 : 6;
    values.set("Type", type);
    if (o == "ElementPolygonNode" || o == "ElementPolygonStarNode") {
      values.set("Has Rotation", true);
      values.set("Rotation Angle", 180);
      values.set("Has Rounding", true);
    }
    copyValue(values, "Diameter", "Size");
    newClassName = "ElementShapeNode";
  } else if (o == "ElementImageNode") {
    values.set("Import mode", 0);
    values.set("Has Fill", false);
    newClassName = "ElementImportNode";
  } else if (o == "ElementCustomVectorsNode") {
    values.set("Import mode", 1);
    newClassName = "ElementImportNode";
  } else if (o == "ElementLineNode") {
    if (isYes(values, "Infinite")) {
      // The size of the file's artboard (created from an earlier record), not the one of the
      // last generation.
      controller_.getArtboardSettings();
      const pf::Size artboard = controller_.artboardSize();
      values.set("Length", 2.0 * std::sqrt(artboard.width * artboard.width + artboard.height * artboard.height));
    }
    values.erase("Infinite");
    moveValue(values, "Length", "Size");
    if (values.contains("TransformAngle")) {
      moveValue(values, "TransformAngle", "Rotation Angle");
      values.set("Has Rotation", true);
    }
  } else if (o == "RepeatOffsetNode") {
    record.erase("Node title");
    values.set("Has Offset", true);
    values.set("Has Rotation", false);
    values.set("Has Scale", false);
  } else if (o == "RepeatTransformNode") {
    if (!values.contains("Has Scale")) {
      values.set("Has Rotation", true);
      values.set("Has Offset", true);
      values.set("Has Scale", true);
    }
  } else if (o == "ColorGradientNode") {
    copyValue(values, "Color 2", "Color 1");
    values.set("Number of colors", 0);
    values.set("Interpolate", true);
    if (isYes(values, "Custom range") && (numberOr(values, "Value 1", 0.0) != 0.0 || numberOr(values, "Value 2", 1.0) != 1.0)) {
      FeedbackManager::log("Warning! Converted legacy ColorGradientNode has custom value range specified not supported "
                           "by new ColorListNode");
      controller_.addFileLoadingWarning(kColorGradientRangeWarning);
    }
  } else if (o == "TransformScaleNode" || o == "TransformOffsetNode" || o == "TransformRotateNode" ||
             o == "TransformTransformNode" || o == "ArrayTransformNode") {
    values.set("Has Rotation", o != "TransformScaleNode" && o != "TransformOffsetNode");
    values.set("Has Offset", o != "TransformScaleNode" && o != "TransformRotateNode");
    values.set("Has Scale", o != "TransformOffsetNode" && o != "TransformRotateNode");
    if (o == "ArrayTransformNode") {
      record.set("Change Mode", 1);
    }
    newClassName = "ChangeTransformNode";
  } else if (o == "ArrayRandomizeNode") {
    for (const char* key : {"Has Rotation", "Has Offset", "Has Scale", "Show seed", "Deep randomization"}) {
      values.set(key, true);
    }
  } else if (o == "ArrayRandomizeColorNode") {
    values.set("Deep randomization", true);
  } else if (o == "ApplyOpacityNode") {
    if (pf::saturatingCast<long long>(numberOr(values, "Blend mode", 0.0)) > 0) {
      values.set("Change blend mode", true);
    }
    newClassName = "ChangeOpacityNode";
  } else if (o == "SetStrokeNode") {
    values.set("Set stroke end caps", true);
    values.set("Set stroke joints", 1);
    newClassName = "ChangeStrokeNode";
  } else if (o == "TransformPivotNode") {
    values.set("Pivot Mode", isYes(values, "Center") ? 0 : 13);
    newClassName = "ChangePivotNode";
  } else if (o == "RepeatSeamlessNode") {
    if (!values.contains("Has Trim")) {
      values.set("Has Trim", false);
    }
  } else if (o == "ColorNumericNode") {
    record.set("Node title", "Color");
    values.set("Numeric", true);
    newClassName = "ColorNode";
  } else if (o == "ArrayReverseOrderNode") {
    values.set("Reverse", true);
  } else if (o == "ArrayRandomizeOrderNode") {
    values.set("Order mode", 1);
  } else if (o == "ElementSeamlessLinesNode") {
    copyValue(values, "Angle", "Rotation");
    values.set("Rotation[ENABLE]", true);
    controller_.getArtboardSettings();
    const pf::Size artboard = controller_.artboardSize();
    values.set("X", artboard.width * 0.5);
    values.set("Y", artboard.height * 0.5);
    values.set("Size", std::ceil(std::sqrt(artboard.width * artboard.width + artboard.height * artboard.height)) + 2.0);
    controller_.addFileLoadingWarning(kSeamlessLinesReplacedWarning);
    newClassName = "ElementLineNode";
  }
}

void MVLegacyGraphConverter::loadLegacyMV2NodesFromArray(const pf::PlistValue::Array& records)
{
  controller_.setIsLoadingFile(true);
  const pf::PlistValue::Dictionary& table = legacyNodeTranslationDictionary();
  long index = 0;
  for (const pf::PlistValue& entry : records) {
    const long recordIndex = index++;
    const pf::PlistValue::Dictionary* original = entry.asDictionary();
    if (original == nullptr) {
      FeedbackManager::log("Error, loadLegacyMV2NodesFromArray record #%ld is not a dictionary", recordIndex);
      continue;
    }
    pf::PlistValue::Dictionary record = *original;
    const pf::PlistValue* typeName = record.find("Node type name");
    const std::string oldClassName = typeName != nullptr ? typeName->stringOr() : std::string();
    std::string className = oldClassName;
    try {
      const pf::PlistValue* valuesEntry = record.find("Parameter values");
      pf::PlistValue::Dictionary values;
      if (valuesEntry != nullptr && valuesEntry->isDictionary()) {
        values = *valuesEntry->asDictionary();
      }
      if (const pf::PlistValue* rowEntry = table.find(oldClassName)) {
        const pf::PlistValue::Dictionary& row = *rowEntry->asDictionary();
        className = row.find("NodeType")->stringOr();
        const pf::PlistValue::Dictionary& conversion = *row.find("ParameterConversion")->asDictionary();
        for (const pf::PlistValue::Dictionary::Entry& rename : conversion) {
          if (rename.key.empty()) {
            continue;
          }
          if (const pf::PlistValue* value = values.find(rename.key)) {
            const pf::PlistValue moved = *value;
            values.erase(rename.key);
            values.set(rename.value.stringOr(), moved);
          }
        }
        for (const pf::PlistValue::Dictionary::Entry& rename : conversion) {
          values.erase(rename.key);
        }
        record.erase("Node title");
      }
      adjustLegacyNodeRecord(oldClassName, record, values, className);
      if (valuesEntry != nullptr || !values.empty()) {
        record.set("Parameter values", std::move(values));
      }
    } catch (const std::exception& exception) {
      FeedbackManager::log("Exception trying to convert legacy node properties for %@, exception: %@", oldClassName,
                           exception.what());
    }
    if (oldClassName == "OutputNode") {
      continue;  // the artboard's layers take its place
    }
    addNodeForRecord(record, className, recordIndex);
  }
  keepOneArtboard();
  controller_.setIsLoadingFile(false);
  controller_.updateNodeTypeCount();
}

void MVLegacyGraphConverter::addNodeForRecord(const pf::PlistValue::Dictionary& record, const std::string& className,
                                              long index)
{
  try {
    std::unique_ptr<MVNode> node = MVClassRegistry::shared().createNode(className);
    if (node == nullptr) {
      FeedbackManager::log("Error, loadLegacyMV2NodesFromArray could not create node of class %@", className);
      if (className == "ElementSeamlessLinesNode") {
        controller_.addFileLoadingWarning(kSeamlessLinesRemovedWarning);
      } else if (className == "RepeatCustomNode") {
        controller_.addFileLoadingWarning(kCustomRepeaterRemovedWarning);
      } else {
        controller_.addFileLoadingWarning(
            pf::format("The file contained an unknown node type '%@' that could not be loaded.", className));
      }
      return;
    }
    std::optional<std::string> nodeId = nodeIdText(record.find("Node id"));
    if (!nodeId) {
      FeedbackManager::log("Warning, loadNodesFromArray no Node id defined for node #%ld", index);
      nodeId = controller_.uniqueNodeID();
    } else if (const std::optional<long> number = counterValueOfNodeId(*nodeId)) {
      // A stale counter must not make new nodes reuse a loaded ID.
      controller_.setNodeIDCounter(
          std::max(controller_.nodeIDCounter(), std::min(*number, MVNodeGraph::kMaxNodeIDCounter)));
    }
    MVNode* added = controller_.appendLoadedNode(std::move(node), *nodeId);
    added->setUpdateOnParameterChanges(false);
    pf::PlistValue::Dictionary ownRecord = record;
    ownRecord.set("Node id", *nodeId);
    added->loadLegacyMV2NodeDictionary(ownRecord);
    added->setUpdateOnParameterChanges(true);
    for (const std::string& warning : added->loadingWarningMessages()) {
      controller_.addFileLoadingWarning(warning);
    }
  } catch (const std::exception& exception) {
    FeedbackManager::log("Exception loading nodes, trying to create %@ node. Exception: %@", className,
                         exception.what());
  }
}

void MVLegacyGraphConverter::keepOneArtboard()
{
  const auto& nodes = controller_.nodeArray();
  const auto count = std::count_if(nodes.begin(), nodes.end(), [](const auto& node) { return isArtboard(node.get()); });
  if (count == 0) {
    FeedbackManager::log("No Artboard node, adding one!");
    const MVNodeControllerEditorDelegate* editor = controller_.nodeEditorView();
    const double x = editor != nullptr ? editor->frame().size.width - 160.0 : -160.0;
    controller_.addNodeOfClass("ArtboardNode", pf::Point(x, 300.0), true);
    return;
  }
  if (count > 1) {
    FeedbackManager::log("Too many artboard nodes! Removing all but the first");
    bool keptFirst = false;
    std::size_t index = 0;
    while (index < controller_.nodeArray().size()) {
      MVNode* node = controller_.nodeArray()[index].get();
      if (!isArtboard(node)) {
        ++index;
      } else if (!keptFirst) {
        keptFirst = true;
        ++index;
      } else {
        controller_.removeNode(node);  // the walk goes on at the same position
      }
    }
  }
}

pf::PlistValue::Array MVLegacyGraphConverter::processLegacyMV2ConnectionsArray(pf::PlistValue::Array connections,
                                                                               const pf::PlistValue::Array& nodes)
{
  pf::PlistValue::Dictionary classOfNode;
  for (const pf::PlistValue& entry : nodes) {
    const pf::PlistValue::Dictionary* node = entry.asDictionary();
    if (node == nullptr) {
      continue;
    }
    const std::optional<std::string> nodeId = nodeIdText(node->find("Node id"));
    const pf::PlistValue* className = node->find("Node type name");
    if (className == nullptr || !className->isString()) {
      className = node->find("Node type class");
    }
    if (nodeId && className != nullptr && className->isString()) {
      classOfNode.set(*nodeId, *className);
    }
  }
  for (pf::PlistValue& entry : connections) {
    if (!entry.isDictionary()) {
      continue;
    }
    pf::PlistValue::Dictionary& record = entry.mutableDictionary();
    const std::optional<std::string> fromId = nodeIdText(record.find("From node id"));
    const std::optional<std::string> toId = nodeIdText(record.find("To node id"));
    if (!fromId || !toId) {
      continue;
    }
    if (!record.contains("From node class")) {
      if (const pf::PlistValue* className = classOfNode.find(*fromId)) {
        record.set("From node class", *className);
      }
    }
    if (!record.contains("To node class")) {
      if (const pf::PlistValue* className = classOfNode.find(*toId)) {
        record.set("To node class", *className);
      }
    }
  }
  return connections;
}

void MVLegacyGraphConverter::loadLegacyMV2ConnectionsFromArray(const pf::PlistValue::Array& records)
{
  controller_.setIsLoadingFile(true);
  MVNode* artboardNode = controller_.artboardNode();
  MVParameterGraphicsLayer* outputLayer = nullptr;
  if (const auto* artboard = dynamic_cast<const MVArtboardSource*>(artboardNode)) {
    const std::vector<MVParameterGraphicsLayer*> layers = artboard->layersArray();
    outputLayer = layers.size() > 1 ? layers[1] : nullptr;
  }

  int failures = 0;
  std::optional<std::string> lastFailure;
  for (const pf::PlistValue& entry : records) {
    const pf::PlistValue::Dictionary* record = entry.asDictionary();
    if (record == nullptr) {
      FeedbackManager::log("Error, could not load legacy connection, record is not a dictionary: %@", entry.description());
      ++failures;
      lastFailure.reset();
      continue;
    }
    const std::optional<std::string> fromId = nodeIdText(record->find("From node id"));
    const std::optional<std::string> toId = nodeIdText(record->find("To node id"));
    MVNode* from = fromId ? controller_.nodeWithId(*fromId) : nullptr;
    MVNode* to = toId ? controller_.nodeWithId(*toId) : nullptr;
    if (from == nullptr && to == nullptr) {
      continue;  // both ends were never created
    }
    const pf::PlistValue* toClass = record->find("To node class");
    const pf::PlistValue* fromNameEntry = record->find("From socket parameter");
    const pf::PlistValue* toNameEntry = record->find("To socket parameter");
    std::optional<std::string> fromName =
        fromNameEntry != nullptr && fromNameEntry->isString() ? std::optional(*fromNameEntry->asString()) : std::nullopt;
    std::optional<std::string> toName =
        toNameEntry != nullptr && toNameEntry->isString() ? std::optional(*toNameEntry->asString()) : std::nullopt;
    if (from != nullptr && toClass != nullptr && toClass->stringOr() == "OutputNode") {
      to = artboardNode;
      if (outputLayer != nullptr) {
        toName = outputLayer->name();
      }
    }

    if (from != nullptr && to != nullptr && fromName && toName) {
      const std::optional<std::string> toTranslated = to->legacyMV2ParameterNameTranslation(*toName);
      const std::optional<std::string> fromTranslated = from->legacyMV2ParameterNameTranslation(*fromName);
      if (!toTranslated) {
        FeedbackManager::log("Warning, %@ legacyMV2ParameterNameTranslation returned nil for connection parameter '%@' "
                             "in loadLegacyMV2ConnectionsFromArray, connection will fail to load.",
                             to->description(), *toName);
      }
      if (!fromTranslated) {
        FeedbackManager::log("Warning, %@ legacyMV2ParameterNameTranslation returned nil for connection parameter '%@' "
                             "in loadLegacyMV2ConnectionsFromArray, connection will fail to load.",
                             from->description(), *fromName);
      }
      const auto [outputName, outputIndex] = socketOfTranslatedName(fromTranslated.value_or(std::string()));
      const auto [inputName, inputIndex] = socketOfTranslatedName(toTranslated.value_or(std::string()));
      MVParameter* output = fromTranslated ? from->parameterNamed(outputName) : nullptr;
      MVParameter* input = toTranslated ? to->parameterNamed(inputName) : nullptr;
      bool connected = false;
      if (output != nullptr && input != nullptr) {
        const auto& outputs = output->outputSockets();
        const auto& inputs = input->inputSockets();
        MVParameterSocket* outputSocket =
            static_cast<std::size_t>(outputIndex) < outputs.size() ? outputs[outputIndex].get() : nullptr;
        MVParameterSocket* inputSocket =
            static_cast<std::size_t>(inputIndex) < inputs.size() ? inputs[inputIndex].get() : nullptr;
        if (outputSocket == nullptr) {
          FeedbackManager::log("Error, loadLegacyMV2ConnectionsFromArray %@ has no output socket index %d",
                               output->description(), outputIndex);
        }
        if (inputSocket == nullptr) {
          FeedbackManager::log("Error, loadLegacyMV2ConnectionsFromArray %@ has no input socket index %d",
                               input->description(), inputIndex);
        }
        if (outputSocket != nullptr && inputSocket != nullptr) {
          connected = controller_.addConnectionFromSocket(outputSocket, inputSocket) != nullptr;
        }
      } else if (output == nullptr && input == nullptr) {
        FeedbackManager::log("Error, could not import legacy connection from [%@ : %@] to [%@ : %@], no such parameters "
                             "found in either node",
                             from->displayFullName(), outputName, to->displayFullName(), inputName);
      } else if (output == nullptr) {
        FeedbackManager::log("Error, could not import legacy connection from [%@ : %@], no such parameter found in node",
                             from->displayFullName(), outputName);
      } else {
        FeedbackManager::log("Error, could not import legacy connection to [%@ : %@], no such parameter found in node",
                             to->displayFullName(), inputName);
      }
      if (!connected) {
        ++failures;
        lastFailure = pf::format("Warning, could not make connection from %@ node parameter '%@' to %@ node parameter "
                                 "'%@', as one of these sockets is not available in this version of Morvalis. The file "
                                 "may therefore produce a different result.",
                                 from->displayName(), *fromName, to->displayName(), *toName);
        FeedbackManager::log("Warning, could not make connection from %@ node parameter '%@' to %@ node parameter '%@', "
                             "probably because one of these sockets is  not available. The file may therefore produce "
                             "a different result.",
                             from->displayName(), *fromName, to->displayName(), *toName);
      }
      continue;
    }

    if (from == nullptr && fromId) {
      FeedbackManager::log("Error, could not load legacy connection, from node not found with ID:%@", *fromId);
    } else if (to == nullptr && toId) {
      FeedbackManager::log("Error, could not load legacy connection, to node not found with ID:%@", *toId);
    } else {
      FeedbackManager::log("Error, could not load legacy connection, a node id or parameter name is missing: %@",
                           entry.description());
    }
    ++failures;
    lastFailure.reset();
  }

  if (failures > 0) {
    controller_.addFileLoadingWarning(failures == 1 && lastFailure ? *lastFailure : std::string(kConnectionsWarning));
  }
  controller_.setIsLoadingFile(false);
}

void MVLegacyGraphConverter::legacyLoadingConvertAnimations()
{
  ODAnimationManager* manager = controller_.animationManager();
  if (manager == nullptr) {
    FeedbackManager::log("Error, legacyLoadingConvertAnimations without an animation manager, old animations are not converted");
    return;
  }
  const auto warnApproximation = [this](const MVParameter& parameter, const std::string& property) {
    controller_.addFileLoadingWarning(pf::format("Converted animation keyframes for %@ %@ is an approximation and may "
                                                 "vary slightly from the Morvalis 2 animation.",
                                                 parameter.animatorOwnerDisplayName(),
                                                 parameter.animatorDisplayNameWithProperty(property)));
  };

  std::size_t index = 0;
  while (index < controller_.nodeArray().size()) {
    MVNode* node = controller_.nodeArray()[index].get();
    MVParameter* value = node->className() == "ValueTimeFunctionNode" ? node->parameterNamed("Value") : nullptr;
    MVParameterSocket* output = value != nullptr ? value->outputSocket() : nullptr;
    if (output == nullptr) {
      ++index;
      continue;
    }
    // Copied: the walks below remove and move connections of this socket.
    const std::vector<MVConnection*> consumers = output->outputConnections();
    const auto consumerParameter = [](const MVConnection* connection) {
      MVParameterSocket* socket = connection->toSocket();
      return socket != nullptr ? socket->parameter() : nullptr;
    };
    const MVParameter* firstConsumer = consumers.empty() ? nullptr : consumerParameter(consumers.front());
    const bool direct = node->hasConnectedOutput() && consumers.size() <= 1 &&
                        (firstConsumer == nullptr || !firstConsumer->hasValueSource());

    if (direct) {
      for (auto it = consumers.rbegin(); it != consumers.rend(); ++it) {
        MVConnection* connection = *it;
        MVParameter* target = consumerParameter(connection);
        if (target == nullptr) {
          continue;
        }
        const int socketIndex = connection->toSocket()->socketIndex();
        const std::string property =
            dynamic_cast<MVParameterValue2D*>(target) != nullptr ? (socketIndex == 1 ? "y" : "x") : "value";
        ODAnimator* animator = manager->addAnimatorForTarget(target, property);
        controller_.removeConnection(connection);
        if (animator != nullptr && node->addKeyframesToAnimator(animator)) {
          warnApproximation(*target, property);
        }
      }
    } else {
      MVNode* replacement = controller_.addNodeOfClass("ValueNode", node->initialNodeViewOrigin(), false);
      MVParameterValue* replacementValue = nullptr;
      if (replacement != nullptr) {
        pf::PlistValue::Dictionary record = node->descriptionDictionary();
        record.set("Node Replacement Mode", true);
        replacement->loadNodeDictionary(record);
        replacementValue = replacement->valueParameterNamed("Value");
      }
      if (replacementValue == nullptr) {
        FeedbackManager::log("Warning, legacyLoadingConvertAnimations could not get replacementValueNode value "
                             "parameter to add converted animation");
      } else {
        ODAnimator* animator = manager->addAnimatorForTarget(replacementValue, "value");
        if (animator != nullptr && node->addKeyframesToAnimator(animator)) {
          warnApproximation(*replacementValue, "value");
        }
        MVParameterSocket* newOutput = replacementValue->outputSocket();
        for (auto it = consumers.rbegin(); it != consumers.rend() && newOutput != nullptr; ++it) {
          (*it)->setFromSocket(newOutput);
        }
      }
    }
    controller_.removeNode(node);  // the walk goes on at the same position
  }

  if (!manager->animators().empty() && !controller_.nodeArray().empty()) {
    std::vector<ODAnimator*> animators;
    animators.reserve(manager->animators().size());
    for (const auto& animator : manager->animators()) {
      animators.push_back(animator.get());
    }
    for (const auto& node : controller_.nodeArray()) {
      node->processImportedLegacyAnimations(animators);
    }
  }
}

void MVLegacyGraphConverter::legacyLoadingCleanup()
{
  std::size_t index = 0;
  while (index < controller_.nodeArray().size()) {
    MVNode* node = controller_.nodeArray()[index].get();
    MVParameterNodeIndex* parameter =
        node->hasNodeIndexParameter() ? node->elementIndexParameterNamed("IndexParameter") : nullptr;
    if (parameter != nullptr && parameter->needsNewIndexFlag()) {
      parameter->updateElementIndexes();
      const std::vector<std::string>& names = parameter->indexNames();
      std::optional<std::string> name = parameter->loadedIndexName();
      if (std::find(names.begin(), names.end(), *name) == names.end()) {
        name = controller_.getFirstNodeIndexConnectedToNode(node);
      }
      const auto found = name ? std::find(names.begin(), names.end(), *name) : names.end();
      if (found != names.end()) {
        parameter->setIndex(found - names.begin());
        parameter->setNeedsNewIndexFlag(false);
      }
    }
    if (node->className() == "AnimationInfoNode" && !node->hasConnectedOutput()) {
      controller_.removeNode(node);  // the walk goes on at the same position
      continue;
    }
    ++index;
  }

  // Older radial repeaters took a radius where the current ones take a diameter.
  std::vector<MVConnection*> radiusInputs;
  for (const auto& connection : controller_.connectionArray()) {
    MVParameterSocket* input = connection->toSocket();
    MVParameter* parameter = input != nullptr ? input->parameter() : nullptr;
    MVNode* node = connection->toNode();
    if (parameter != nullptr && node != nullptr && parameter->name() == "Diameter" &&
        node->className() == "RepeatRadialNode") {
      radiusInputs.push_back(connection.get());
    }
  }
  for (MVConnection* connection : radiusInputs) {
    MVNode* repeater = connection->toNode();
    const pf::Point origin = repeater->initialNodeViewOrigin();
    const pf::Point location(origin.x + -120.0 + 20.0, origin.y + 280.0 + -20.0);
    MVNode* math = controller_.addNodeOfClassOnConnection("ValueMiniMathNode", connection, location);
    if (math == nullptr) {
      FeedbackManager::log("Warning: Legacy import failed to add math node to %@ diameter input",
                           repeater->displayFullName());
      continue;
    }
    if (MVParameterValueExpression* expression = math->expressionParameterNamed("Value")) {
      expression->setExpressionString("a*2");
    } else {
      FeedbackManager::log("Warning: Legacy import failed to set expression to %@ on new math node for %@ diameter "
                           "input",
                           "a*2", repeater->displayFullName());
    }
  }
}
