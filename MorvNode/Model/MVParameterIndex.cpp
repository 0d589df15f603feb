#include "MorvNode/Model/MVParameterIndex.h"

#include <algorithm>

#include "MorvNode/Model/MVNode.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

std::unique_ptr<MVParameterIndex> MVParameterIndex::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterIndex>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

MVParameterIndex::MVParameterIndex()
{
  setLayoutShowHeaderLabel(true);
  setHasInputSocket(false);
  setHasOutputSocket(false);
}

std::string MVParameterIndex::parameterViewClass() const
{
  switch (layoutInterfaceType()) {
  case 1:
    return "MVParameterIndexSegmentView";
  case 2:
    return "MVParameterChangeModeView";
  default:
    return "MVParameterIndexView";
  }
}

long long MVParameterIndex::lowestIndex() const
{
  return layoutInterfaceType() == 1 ? -1 : 0;
}

const std::string* MVParameterIndex::entryAt(const std::vector<std::string>& list, long long index)
{
  if (index < 0 || static_cast<unsigned long long>(index) >= list.size()) {
    return nullptr;
  }
  return &list[static_cast<std::size_t>(index)];
}

void MVParameterIndex::setIndex(long long index)
{
  const long long lowest = lowestIndex();
  if (index < lowest) {
    FeedbackManager::log("Warning, tried to set index %ld < min %ld for %@", index, lowest, description());
    index = lowest;
  }
  long long highest = 0;
  if (hasIndexNames_) {
    highest = static_cast<long long>(indexNames_->size()) - 1;
  } else if (hasIndexDisplayNames_) {
    highest = static_cast<long long>(indexDisplayNames_->size()) - 1;
  }
  if (highest >= 0 && index > highest) {
    FeedbackManager::log("Warning, tried to set index %ld > max %ld for %@", index, highest, description());
    index = highest;
  }
  if (index != index_) {
    if (node() != nullptr) {
      registerUndoProperty("index", pf::PlistValue(index_));
    }
    index_ = index;
    if (node() != nullptr && updateDelegatesOnValueChange()) {
      node()->parameterChanged(this, "value");
    }
    outputChanged();
  }
  if (updateDelegatesOnValueChange()) {
    setViewNeedsLayout();
  }
}

std::string MVParameterIndex::indexName() const
{
  if (indexNames_->empty()) {
    FeedbackManager::log("Warning, %@ indexName requested, but parameter has no indexNames", description());
    return "Unknown";
  }
  const std::string* name = entryAt(*indexNames_, index_);
  if (name == nullptr) {
    FeedbackManager::log("Warning, %@ indexName, current index %ld is outside indexNames list range", description(),
                         index_);
    return "Unknown";
  }
  return *name;
}

std::string MVParameterIndex::indexDisplayName() const
{
  if (indexDisplayNames_->empty()) {
    FeedbackManager::log("Warning, %@ indexName requested, but parameter has no indexDisplayNames", description());
    return "Unknown";
  }
  const std::string* name = entryAt(*indexDisplayNames_, index_);
  if (name == nullptr) {
    FeedbackManager::log("Warning, %@ indexDisplayName, current index %ld is outside indexDisplayNames list range",
                         description(), index_);
    return "Unknown";
  }
  return *name;
}

const MVParameterIndex::List& MVParameterIndex::emptyList()
{
  static const List empty = pf::TextPool::list({});
  return empty;
}

void MVParameterIndex::setIndexNames(const std::vector<std::string>& names)
{
  if (hasIndexNames_ && names == *indexNames_) {
    return;
  }
  shareIndexNames(std::make_shared<const std::vector<std::string>>(names));
}

void MVParameterIndex::shareIndexNames(List names)
{
  if (names == nullptr || (hasIndexNames_ && *names == *indexNames_)) {
    return;
  }
  indexNames_ = std::move(names);
  hasIndexNames_ = true;
  indexesChanged_ = true;
  if (updateDelegatesOnValueChange()) {
    setViewNeedsLayout();
  }
}

void MVParameterIndex::setIndexDisplayNames(std::vector<std::string> names)
{
  shareIndexDisplayNames(std::make_shared<const std::vector<std::string>>(std::move(names)));
}

void MVParameterIndex::shareIndexDisplayNames(List names)
{
  indexDisplayNames_ = names != nullptr ? std::move(names) : emptyList();
  hasIndexDisplayNames_ = true;
}

void MVParameterIndex::setIndexTooltips(std::vector<std::string> tooltips)
{
  shareIndexTooltips(std::make_shared<const std::vector<std::string>>(std::move(tooltips)));
}

void MVParameterIndex::shareIndexTooltips(List tooltips)
{
  indexTooltips_ = tooltips != nullptr ? std::move(tooltips) : emptyList();
}

void MVParameterIndex::setIndexIcons(std::vector<std::string> icons)
{
  shareIndexIcons(std::make_shared<const std::vector<std::string>>(std::move(icons)));
}

void MVParameterIndex::shareIndexIcons(List icons)
{
  indexIcons_ = icons != nullptr ? std::move(icons) : emptyList();
  hasIndexIcons_ = true;
}

void MVParameterIndex::revertProperty(const std::string& propertyName, const pf::PlistValue& value)
{
  MVParameter::revertProperty(propertyName, value);
  if (propertyName == "index") {
    setIndex(value.toInteger().value_or(0));
  }
}

pf::PlistValue::Dictionary MVParameterIndex::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record = MVParameter::descriptionDictionary();
  DictionaryValueExtras::setLongValue(record, index_, "Index");
  if (const std::string* name = entryAt(*indexNames_, index_)) {
    record.set("Index name", *name);
  }
  return record;
}

bool MVParameterIndex::loadDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  if (!MVParameter::loadDescriptionDictionary(record)) {
    return false;
  }
  // The name decides while it is in the list: the list may have been reordered since.
  const pf::PlistValue* storedName = record.find("Index name");
  if (storedName != nullptr && hasIndexNames_) {
    const std::string name = storedName->stringOr();
    const auto found = std::find(indexNames_->begin(), indexNames_->end(), name);
    if (found != indexNames_->end()) {
      setIndex(found - indexNames_->begin());
      return true;
    }
    FeedbackManager::log("Warning %@, loadDescriptionDictionary, index name '%@' not found", description(), name);
  }
  if (!record.contains("Index")) {
    FeedbackManager::log("Warning, %@ loadDescriptionDictionary, missing Index key", description());
    return false;
  }
  setIndex(DictionaryValueExtras::longValueForKey(record, "Index"));
  return true;
}

std::string MVParameterIndex::description() const
{
  // Quietly: the log lines about a missing name carry this description.
  const std::string* entry = entryAt(*indexNames_, index_);
  return pf::format("<%@ [%@ '%@'] index: %ld '%@'>", className(),
                    node() != nullptr ? node()->displayFullName() : "Unknown node", name(), index_,
                    entry != nullptr ? *entry : std::string("Unknown"));
}
