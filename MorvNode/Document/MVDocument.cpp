#include "MorvNode/Document/MVDocument.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "MorvNode/Controller/MVArtboardSource.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVApplicationResources.h"
#include "MorvNode/Document/MVArtworkRenderer.h"
#include "MorvNode/Document/MVDocumentExport.h"
#include "MorvNode/Document/MVDocumentFileReader.h"
#include "MorvNode/Document/MVDocumentFileWriter.h"
#include "MorvNode/Document/MVDocumentWindow.h"
#include "MorvNode/Document/MVExportSettings.h"
#include "MorvNode/Document/MVUserNotificationCenter.h"
#include "MorvNode/Document/MVLegacyDocumentReader.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/Format.h"
#include "Platform/GeometryStrings.h"
#include "Platform/RunLoop.h"
#include "Platform/UserDefaults.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODAnimation/ODAnimationManager.h"

namespace {

constexpr const char* kParameterIdentifierKey = "presistentParameterIdentifier";
constexpr const char* kNodeIdentifierKey = "presistentNodeIdentifier";
constexpr const char* kPropertyNameKey = "propertyName";
constexpr const char* kPropertyValueKey = "propertyValue";
constexpr const char* kNodeArrayIndexKey = "NodeArrayIndex";

// The parts of `text` between the separators; the whole text when there is none.
std::vector<std::string> split(const std::string& text, const std::string& separator)
{
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t found = text.find(separator, start);
    if (found == std::string::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, found - start));
    start = found + separator.size();
  }
}

}  // namespace

MVDocument::MVDocument()
  : animationManager_(std::make_unique<ODAnimationManager>()),
    nodeController_(std::make_unique<MVNodeController>())
{
  nodeController_->setDocument(this);
  animationManager_->setUndoManager(&undoManager_);
  nodeController_->setAnimationManager(animationManager_.get());
}

MVDocument::~MVDocument()
{
  undoManager_.removeAllActions();
  nodeController_.reset();
}

void MVDocument::setRandomSource(const RandomSource* randomSource)
{
  nodeController_->setRandomSource(randomSource);
}

// ---- Files ----

std::string MVDocument::displayFileName() const
{
  return fileURL_ ? fileURL_->filename().string() : std::string("Default");
}

bool MVDocument::readFromURL(const std::filesystem::path& url)
{
  loadingFileDictionary_ = MVDocumentFileReader::readFileDictionary(url);
  if (!loadingFileDictionary_) {
    return false;
  }
  fileURL_ = url;
  return true;
}

void MVDocument::windowControllerDidLoadNib()
{
  fileVersion_ = MVApplicationResources::applicationVersion();
  initExportParametes();
  undoRegistrationState_ = 1;
  pauseUndoRegistration();
  if (loadingFileDictionary_) {
    std::optional<pf::PlistValue::Dictionary> file = std::move(loadingFileDictionary_);
    loadingFileDictionary_.reset();
    loadFromFileDictionary(std::move(file));
  } else {
    loadDefaultDocument();
  }
  resumeUndoRegistration();
  undoManager_.removeAllActions();
}

void MVDocument::loadDefaultAnimations()
{
  animationManager_->updateInterface();
}

void MVDocument::loadDefaultDocument()
{
  pf::UserDefaults& defaults = pf::UserDefaults::standard();
  const char* resource = defaults.boolForKey("New document include default nodes") ? "Default.mvdx" : "DefaultEmpty.mvdx";
  std::optional<pf::PlistValue::Dictionary> file;
  if (const std::optional<std::filesystem::path> path = MVApplicationResources::pathForResource(resource)) {
    file = MVDocumentFileReader::readFileDictionary(*path);
  } else {
    FeedbackManager::log("Error, loadDefaultDocument could not find the resource %@", resource);
  }
  const bool hasFile = file.has_value();
  loadFromFileDictionary(std::move(file));
  if (!hasFile) {
    // Without its resource a new document still gets its one artboard.
    nodeController_->loadNodesFromArray({});
  }
  loadDefaultAnimations();

  if (defaults.hasStoredValue("Last saved document window frame")) {
    MVDocumentViewState state = viewState_;
    state.windowFrame = pf::rectFromString(defaults.stringForKey("Last saved document window frame"));
    viewState_ = state;
    if (window_ != nullptr) {
      window_->applyViewState(state);
    }
  }

  MVNode* artboard = nodeController_->artboardNode();
  if (artboard == nullptr) {
    FeedbackManager::log("Warning, loadDefaultDocument could not set artboard size, no artboard node");
    return;
  }
  auto* source = dynamic_cast<MVArtboardSource*>(artboard);
  MVParameterValue2D* size = source != nullptr ? source->sizeParameter() : nullptr;
  if (size == nullptr) {
    FeedbackManager::log("Warning, loadDefaultDocument could not set artboard size, no size parameter in the artboard "
                         "node");
    return;
  }
  // Part of making the document, not a step to undo.
  pauseUndoRegistration();
  size->setValueX(std::max(1.0, defaults.doubleForKey("New document default size X")),
                  std::max(1.0, defaults.doubleForKey("New document default size Y")));
  resumeUndoRegistration();
}

void MVDocument::loadFromFileDictionary(std::optional<pf::PlistValue::Dictionary> file)
{
  MVDocumentFileReader::loadFromFileDictionary(*this, std::move(file));
}

void MVDocument::loadFromMV3FileDictionary(const pf::PlistValue::Dictionary& file)
{
  MVDocumentFileReader::loadFromMV3FileDictionary(*this, file);
}

void MVDocument::loadFromLegacyFileDictionary(const pf::PlistValue::Dictionary& file)
{
  MVLegacyDocumentReader::loadFromLegacyFileDictionary(*this, file);
}

pf::PlistValue::Dictionary MVDocument::fileDictionaryForSaving()
{
  return MVDocumentFileWriter::fileDictionaryForSaving(*this);
}

bool MVDocument::writeToURL(const std::filesystem::path& url, std::string* reason)
{
  if (!MVDocumentFileWriter::writeToURL(*this, url, reason)) {
    return false;
  }
  fileURL_ = url;
  editedOutsideUndo_ = false;
  return true;
}

bool MVDocument::revertToContentsOfURL(const std::filesystem::path& url)
{
  // Read first: a file that cannot be read must not cost the document its graph.
  std::optional<pf::PlistValue::Dictionary> file = MVDocumentFileReader::readFileDictionary(url);
  if (!file) {
    FeedbackManager::log("Error, revertToContentsOfURL could not read '%@', the document is left as it was", url.string());
    return false;
  }
  pauseUndoRegistration();
  nodeController_->removeAllNodes();
  fileURL_ = url;
  loadFromFileDictionary(std::move(file));
  resumeUndoRegistration();
  undoManager_.removeAllActions();
  editedOutsideUndo_ = false;
  return true;
}

void MVDocument::showAnyLoadingWarnings()
{
  const std::vector<std::string>& warnings = nodeController_->fileLoadingWarnings();
  if (warnings.empty()) {
    return;
  }
  std::string joined;
  for (const std::string& warning : warnings) {
    if (!joined.empty()) {
      joined += "\n\n";
    }
    joined += warning;
  }
  FeedbackManager::showNSAlert(
      std::string("Warnings loading file"),
      pf::format("%@\n\n(More information and logged warnings/errors can be found in the Help menu, 'Show technical "
                 "information...')",
                 joined));
}

void MVDocument::scheduleLoadingWarnings()
{
  pf::RunLoop* runLoop = pf::RunLoop::current();
  if (runLoop == nullptr) {
    showAnyLoadingWarnings();
    return;
  }
  loadingWarningsTimer_ = runLoop->scheduleOneShot(0.2, [this] { showAnyLoadingWarnings(); });
}

void MVDocument::refresh()
{
  for (const auto& node : nodeController_->nodeArray()) {
    node->clearCachedValues();
  }
  nodeController_->scheduleRegenerationForced();
}

void MVDocument::mergeExportSettings(const pf::PlistValue::Dictionary& settings)
{
  if (!exportSettings_) {
    exportSettings_.emplace();
  }
  for (const pf::PlistValue::Dictionary::Entry& entry : settings) {
    exportSettings_->set(entry.key, entry.value);
  }
}

pf::PlistValue::Dictionary& MVDocument::editableExportSettings()
{
  if (!exportSettings_) {
    exportSettings_ = MVExportSettings::defaultSettings();
  }
  return *exportSettings_;
}

double MVDocument::previewDisplayScale() const
{
  const double scale = window_ != nullptr ? window_->previewDisplayScale() : 1.0;
  return std::isfinite(scale) && scale > 0.0 ? scale : 1.0;
}

// ---- Image export ----

void MVDocument::initExportParametes()
{
  exportPath_.reset();
  exportSettings_ = MVExportSettings::defaultSettings();
}

void MVDocument::exportPanelOpened()
{
  exportPanelOpen_ = true;
  MVExportSettings::prepareSizesForArtboard(editableExportSettings(), nodeController_->artboardSize());
}

std::string MVDocument::proposedExportFileName() const
{
  std::string name = "Untitled";
  const std::optional<std::string> baseFilename =
      exportSettings_ ? MVExportSettings::baseFilename(*exportSettings_) : std::nullopt;
  if (baseFilename) {
    name = *baseFilename;
  } else if (fileURL_ && !fileURL_->stem().empty()) {
    name = fileURL_->stem().string();
  }
  const std::string format =
      exportSettings_ ? MVExportSettings::fileFormat(*exportSettings_) : MVExportSettings::fileFormats().front();
  return name + "." + format;
}

MVExportPanelState MVDocument::exportPanelUpdateInterface()
{
  if (!exportPanelOpen_) {
    FeedbackManager::log("Warning, exportPanelUpdateInterface called with no exportPanel");
  }
  pf::PlistValue::Dictionary& settings = editableExportSettings();
  MVExportPanelState state;
  state.fileFormat = MVExportSettings::fileFormat(settings);
  const std::vector<std::string>& formats = MVExportSettings::fileFormats();
  if (const auto found = std::find(formats.begin(), formats.end(), state.fileFormat); found != formats.end()) {
    state.formatIndex = static_cast<int>(found - formats.begin());
  }
  state.scaleToDisplay = MVExportSettings::scaleToDisplay(settings);
  if (state.scaleToDisplay && exportPanelOpen_) {
    const pf::Size artboard = nodeController_->artboardSize();
    const double displayScale = previewDisplayScale();
    settings.set("Size Height", artboard.height * displayScale);
    settings.set("Size Width", artboard.width * displayScale);
  }
  const pf::Size size = MVExportSettings::size(settings);
  if (MVExportSettings::isVectorSizeFormat(state.fileFormat)) {
    state.showsSizeUnitMenu = true;
    state.sizeUnitIndex = MVExportSettings::vectorSizeUnits(settings);
    state.sizeX = size.width;
    state.sizeY = size.height;
  } else {
    state.showsPixelLabel = true;
    state.sizeX = std::ceil(size.width);
    state.sizeY = std::ceil(size.height);
  }
  state.showsEPSWarning = state.fileFormat == "eps";
  state.showsSVGWarning = state.fileFormat == "svg";
  if (state.fileFormat == "gif") {
    state.showsMatteControls = true;
    state.matteOn = MVExportSettings::useMatteColor(settings);
    state.showsMatteWell = state.matteOn;
    if (state.matteOn && settings.contains("Matte Color")) {
      state.matteColor = MVExportSettings::matteColor(settings);
    }
  }
  return state;
}

void MVDocument::exportPanelControlChanged(MVExportPanelControl control, double value, pf::Color color)
{
  pf::PlistValue::Dictionary& settings = editableExportSettings();
  const auto index = [value](const std::vector<std::string>& list) -> std::optional<std::size_t> {
    if (!std::isfinite(value) || value < 0.0 || value >= static_cast<double>(list.size())) {
      return std::nullopt;
    }
    return static_cast<std::size_t>(value);
  };
  switch (control) {
  case MVExportPanelControl::FormatMenu: {
    const std::optional<std::size_t> selected = index(MVExportSettings::fileFormats());
    if (!selected) {
      return;
    }
    settings.set("File Format", MVExportSettings::fileFormats()[*selected]);
    break;
  }
  case MVExportPanelControl::SizeUnitMenu: {
    const std::optional<std::size_t> selected = index(MVExportSettings::vectorSizeUnitTitles());
    if (!selected) {
      return;
    }
    settings.set("Export Vector Size Units", static_cast<int>(*selected));
    // New documents start with the unit chosen last.
    pf::UserDefaults::standard().setInteger("Last used export size units", static_cast<long long>(*selected));
    break;
  }
  case MVExportPanelControl::ScaleToDisplayButton:
    settings.set("Scale To Display", value != 0.0);
    break;
  case MVExportPanelControl::SizeXField:
    if (!MVExportSettings::setSizeWidthKeepingAspect(settings, value)) {
      return;
    }
    break;
  case MVExportPanelControl::SizeYField:
    if (!MVExportSettings::setSizeHeightKeepingAspect(settings, value)) {
      return;
    }
    break;
  case MVExportPanelControl::MatteButton:
    settings.set("Use Matte Color", value != 0.0);
    break;
  case MVExportPanelControl::MatteColorWell:
    DictionaryValueExtras::setColor(settings, color, "Matte Color");
    break;
  }
  markDocumentEdited();
}

bool MVDocument::exportPanelConfirmed(const std::filesystem::path& path)
{
  exportPath_ = path;
  pf::PlistValue::Dictionary& settings = editableExportSettings();
  const std::string chosenName = path.stem().string();
  const std::optional<std::string> baseFilename = MVExportSettings::baseFilename(settings);
  const bool hasBaseFilename = settings.contains("Base Filename");
  if (fileURL_ && chosenName == fileURL_->stem().string()) {
    if (hasBaseFilename) {
      markDocumentEdited();
    }
    settings.erase("Base Filename");
  } else {
    if (baseFilename != chosenName) {
      markDocumentEdited();
    }
    settings.set("Base Filename", chosenName);
  }
  return exportAgain();
}

bool MVDocument::exportAgain()
{
  if (!exportPath_) {
    return false;
  }
  const std::filesystem::path path = *exportPath_;
  if (!MVDocumentExport::exportToPath(*this, path)) {
    return false;
  }
  if (MVUserNotificationCenter* center = MVUserNotificationCenter::defaultCenter()) {
    center->deliverNotification({"File export complete", pf::format("Exported file: %@", path.filename().string()),
                                 pf::PlistValue::Dictionary{{"Path", path.string()}}});
  }
  return true;
}

bool MVDocument::exportCopy(bool vector)
{
  return MVDocumentExport::exportCopy(*this, vector);
}

std::string MVDocument::exportGenerateSVGHeaderString()
{
  const pf::Size size =
      MVExportSettings::exportSize(editableExportSettings(), nodeController_->artboardSize(), previewDisplayScale());
  return MVArtworkRenderer::svgHeaderString(size);
}

std::string MVDocument::exportGenerateSVGString()
{
  const pf::PlistValue::Dictionary& settings = editableExportSettings();
  MVArtworkRenderer renderer(*nodeController_);
  renderer.bringOutputUpToDate();
  const pf::Size artboard = nodeController_->artboardSize();
  const double displayScale = previewDisplayScale();
  const double scale = MVExportSettings::exportScale(settings, "svg", artboard, displayScale).value_or(1.0);
  return renderer.svgString(scale, MVExportSettings::exportSize(settings, artboard, displayScale));
}

void MVDocument::setNodeIDCounterFromFile(long long counter)
{
  const long long limited = std::clamp(counter, 0LL, static_cast<long long>(MVNodeGraph::kMaxNodeIDCounter));
  if (limited != counter) {
    FeedbackManager::log("Warning, the file's Node ID Counter %ld is out of range, using %ld", counter, limited);
  }
  nodeController_->setNodeIDCounter(static_cast<long>(limited));
}

// ---- Undo registration ----

bool MVDocument::isUndoRegistrationEnabled() const
{
  return undoManager_.isUndoRegistrationEnabled();
}

void MVDocument::pauseUndoRegistration()
{
  const int previous = undoRegistrationState_;
  undoRegistrationState_ = previous - 1;
  if (previous < 2 && undoManager_.isUndoRegistrationEnabled()) {
    undoManager_.disableUndoRegistration();
  }
}

void MVDocument::resumeUndoRegistration()
{
  const int previous = undoRegistrationState_;
  undoRegistrationState_ = previous + 1;
  if (previous >= 0 && !undoManager_.isUndoRegistrationEnabled()) {
    undoManager_.enableUndoRegistration();
  }
  if (undoRegistrationState_ >= 2) {
    FeedbackManager::log("Warning, resumeUndoRegistration called too many times, state %d > 1",
                         undoRegistrationState_);
    undoRegistrationState_ = 1;
  }
}

void MVDocument::setActionName(const std::optional<std::string>& actionName)
{
  // Undo and redo replay a step under its own name: what they register must not rename it.
  if (actionName && !undoManager_.isUndoing() && !undoManager_.isRedoing()) {
    undoManager_.setActionName(*actionName);
  }
}

// ---- Undo records ----

MVParameter* MVDocument::parameterWithPresistentParameterIdentifier(const std::string& identifier)
{
  const std::vector<std::string> parts = split(identifier, " : ");
  if (parts.size() != 2) {
    FeedbackManager::log("Warning, parameterWithPresistentParameterIdentifier presistentIdentifier '%@' does not seem "
                         "to be correctly formatted",
                         identifier);
    return nullptr;
  }
  MVNode* node = nodeController_->nodeWithId(parts[0]);
  return node != nullptr ? node->parameterNamed(parts[1]) : nullptr;
}

void MVDocument::storeParameterUndoState(const pf::PlistValue::Dictionary& state, MVParameter* parameter,
                                         const std::optional<std::string>& actionName)
{
  if (parameter == nullptr || !isUndoRegistrationEnabled()) {
    return;
  }
  pf::PlistValue::Dictionary record = state;
  record.set(kParameterIdentifierKey, parameter->persistentIdentifier());
  setActionName(actionName);
  undoManager_.registerUndo([this, record] { revertParameterUndoState(record); });
}

void MVDocument::storeDisplaySettingsUndoState(const pf::PlistValue::Dictionary& settings,
                                               const std::optional<std::string>& actionName)
{
  if (window_ == nullptr || !isUndoRegistrationEnabled()) {
    return;
  }
  setActionName(actionName);
  undoManager_.registerUndo([this, settings] { revertDisplaySettingsUndoState(settings); });
}

void MVDocument::revertDisplaySettingsUndoState(const pf::PlistValue::Dictionary& settings)
{
  if (window_ == nullptr) {
    return;
  }
  storeDisplaySettingsUndoState(window_->displaySettingsDictionary(), std::nullopt);
  window_->loadDisplaySettings(settings);
}

void MVDocument::storeNodeUndoState(const pf::PlistValue::Dictionary& state, MVNode* node,
                                    const std::optional<std::string>& actionName)
{
  if (node == nullptr || !isUndoRegistrationEnabled()) {
    return;
  }
  pf::PlistValue::Dictionary record = state;
  record.set(kNodeIdentifierKey, node->persistentIdentifier());
  setActionName(actionName);
  undoManager_.registerUndo([this, record] { revertNodeUndoState(record); });
}

void MVDocument::storeNodeCreationUndoStateForNode(MVNode* node, const std::optional<std::string>& actionName)
{
  if (node == nullptr) {
    return;
  }
  setActionName(actionName);
  undoManager_.registerUndo([this, nodeId = node->nodeId()] { revertNodeCreationUndoState(nodeId); });
}

void MVDocument::storeNodeRemovalUndoStateForNode(MVNode* node, const std::optional<std::string>& actionName)
{
  if (node == nullptr) {
    return;
  }
  setActionName(actionName);
  undoManager_.registerUndo([this, record = removalRecord(node)] { revertNodeDeletionUndoState(record); });
}

pf::PlistValue::Dictionary MVDocument::removalRecord(const MVNode* node) const
{
  pf::PlistValue::Dictionary record = node->descriptionDictionary();
  const auto& nodes = nodeController_->nodeArray();
  for (std::size_t index = 0; index < nodes.size(); ++index) {
    if (nodes[index].get() == node) {
      record.set(kNodeArrayIndexKey, static_cast<long long>(index));
      break;
    }
  }
  return record;
}

void MVDocument::storeConnectionsUndoState(const pf::PlistValue::Array& records,
                                           const std::optional<std::string>& actionName)
{
  if (!isUndoRegistrationEnabled()) {
    return;
  }
  setActionName(actionName);
  // Reloaded after the rest of the step: an input this step shows again (a flag put back) must be
  // visible before its connections can be restored.
  undoManager_.registerUndo([this, records] {
    undoManager_.performAtEndOfStep([this, records] { revertConnectionsUndoState(records); });
  });
}

void MVDocument::storeCurrentConnectionsUndoState(const std::optional<std::string>& actionName)
{
  if (!isUndoRegistrationEnabled()) {
    return;
  }
  storeConnectionsUndoState(nodeController_->connectionDescriptionsArray(), actionName);
}

// ---- Reverting ----

void MVDocument::revertParameterUndoState(const pf::PlistValue::Dictionary& record)
{
  const pf::PlistValue* identifier = record.find(kParameterIdentifierKey);
  const pf::PlistValue* propertyName = record.find(kPropertyNameKey);
  const pf::PlistValue* propertyValue = record.find(kPropertyValueKey);
  if (identifier == nullptr || identifier->asString() == nullptr) {
    return;
  }
  MVParameter* parameter = parameterWithPresistentParameterIdentifier(*identifier->asString());
  if (parameter != nullptr && propertyName != nullptr && propertyName->asString() != nullptr &&
      propertyValue != nullptr) {
    parameter->revertProperty(*propertyName->asString(), *propertyValue);
  }
}

void MVDocument::revertNodeUndoState(const pf::PlistValue::Dictionary& record)
{
  const pf::PlistValue* identifier = record.find(kNodeIdentifierKey);
  const pf::PlistValue* propertyName = record.find(kPropertyNameKey);
  const pf::PlistValue* propertyValue = record.find(kPropertyValueKey);
  if (identifier == nullptr || identifier->asString() == nullptr) {
    return;
  }
  MVNode* node = nodeController_->nodeWithId(*identifier->asString());
  if (node != nullptr && propertyName != nullptr && propertyName->asString() != nullptr && propertyValue != nullptr) {
    node->revertProperty(*propertyName->asString(), *propertyValue);
  }
}

void MVDocument::revertNodeCreationUndoState(const std::string& nodeId)
{
  MVNode* node = nodeController_->nodeWithId(nodeId);
  if (node == nullptr) {
    FeedbackManager::log("Warning revertNodeCreationUndoState: could not find node for nodeID %@", nodeId);
    return;
  }
  // Redo re-creates the node. Its record is taken while the node is in the array, but
  // registered after the removal: redo replays a step's actions last first, so the node must
  // come back before the connection records that the removal registers are loaded again.
  const pf::PlistValue::Dictionary record = removalRecord(node);
  nodeController_->removeNode(node);
  undoManager_.registerUndo([this, record] { revertNodeDeletionUndoState(record); });
}

void MVDocument::revertNodeDeletionUndoState(const pf::PlistValue::Dictionary& record)
{
  pf::UndoManager::ScopedGrouping group(undoManager_);
  MVNode* node = nodeController_->addNodeWithDescriptionDictionary(record);
  if (node == nullptr) {
    FeedbackManager::log("Warning revertNodeDeletionUndoState: could not recreate node based on nodeDescription");
    return;
  }
  storeNodeCreationUndoStateForNode(node, std::nullopt);
  nodeController_->nodeArrayChanged();
}

void MVDocument::revertConnectionsUndoState(const pf::PlistValue::Array& records)
{
  storeCurrentConnectionsUndoState(std::nullopt);
  nodeController_->loadConnectionsFromArray(records);
}

// ---- Document commands ----

void MVDocument::showHelpForNodeType(const std::string& nodeClassName)
{
  if (helpProvider_ != nullptr) {
    helpProvider_->showHelpForNodeType(nodeClassName);
  }
}

void MVDocument::openAnimationPanel()
{
  if (window_ != nullptr) {
    window_->openAnimationPanel();
  }
}

void MVDocument::animationTogglePlay()
{
  if (animationManager_->isPlaying()) {
    animationManager_->pause();
  } else if (!animationManager_->animators().empty() || animationManager_->panel() != nullptr) {
    // The window installs the panel while it shows the animation.
    animationManager_->play();
  }
}
