#include "MorvNode/Document/MVDocumentFileReader.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <string>
#include <utility>

#include "MorvNode/Controller/MVControllerAnimation.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVApplicationResources.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/MVDocumentViewState.h"
#include "MorvNode/Document/MVDocumentWindow.h"
#include "MorvNode/Document/MVLegacyDocumentReader.h"
#include "MorvNode/Document/VersionComparator.h"
#include "MorvNode/Model/MVNode.h"
#include "Platform/Allocator.h"
#include "Platform/GeometryStrings.h"
#include "Platform/Log.h"
#include "Platform/PropertyList.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// The value under `key` when it has the kind; nullptr when absent, and when of another kind
// (logged: a damaged file is read as far as it goes).
const pf::PlistValue* entryOfType(const pf::PlistValue::Dictionary& file, std::string_view key, pf::PlistValue::Type type)
{
  const pf::PlistValue* value = file.find(key);
  if (value == nullptr) {
    return nullptr;
  }
  const bool matches = type == pf::PlistValue::Type::Real ? value->isNumber() : value->type() == type;
  if (!matches) {
    FeedbackManager::log("Warning, the file's '%@' has the wrong type and is ignored: %@", key, value->description());
    return nullptr;
  }
  return value;
}

const pf::PlistValue::Dictionary* dictionaryEntry(const pf::PlistValue::Dictionary& file, std::string_view key)
{
  const pf::PlistValue* value = entryOfType(file, key, pf::PlistValue::Type::Dictionary);
  return value != nullptr ? value->asDictionary() : nullptr;
}

// The array under `key`, taken out of the file (which keeps an empty one): loading then lets go
// of each record as it goes. Empty when absent or of another kind (logged).
pf::PlistValue::Array takeArrayEntry(pf::PlistValue::Dictionary& file, std::string_view key)
{
  if (entryOfType(file, key, pf::PlistValue::Type::Array) == nullptr) {
    return {};
  }
  return std::move(file.find(key)->mutableArray());
}

const std::string* stringEntry(const pf::PlistValue::Dictionary& file, std::string_view key)
{
  const pf::PlistValue* value = entryOfType(file, key, pf::PlistValue::Type::String);
  return value != nullptr ? value->asString() : nullptr;
}

std::optional<bool> boolEntry(const pf::PlistValue::Dictionary& file, std::string_view key)
{
  const pf::PlistValue* value = entryOfType(file, key, pf::PlistValue::Type::Real);
  return value != nullptr ? value->toBool() : std::nullopt;
}

// The reads started ahead and not yet taken, owned by their Prefetch objects.
std::mutex& prefetchMutex()
{
  static std::mutex mutex;
  return mutex;
}

std::vector<MVDocumentFileReader::Prefetch*>& pendingPrefetches()
{
  static std::vector<MVDocumentFileReader::Prefetch*> pending;
  return pending;
}

std::filesystem::path prefetchKey(const std::filesystem::path& path)
{
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return (error ? path : absolute).lexically_normal();
}

}  // namespace

MVDocumentFileReader::Prefetch::Prefetch(const std::filesystem::path& path) : path_(prefetchKey(path))
{
  result_ = std::async(std::launch::async, [path = path_] {
    pf::ThreadLogCapture capture;
    // The values read fill this thread's heap, and the main thread reads them all again.
    (void)pf::preferHugePagesForThisThreadsHeap();
    Result result;
    result.value = pf::readPropertyListFile(path);
    result.logLines = capture.takeLines();
    return result;
  });
  const std::lock_guard lock(prefetchMutex());
  pendingPrefetches().push_back(this);
}

MVDocumentFileReader::Prefetch::~Prefetch()
{
  {
    const std::lock_guard lock(prefetchMutex());
    std::erase(pendingPrefetches(), this);
  }
  if (result_.valid()) {
    result_.wait();
  }
}

std::optional<pf::PlistValue::Dictionary> MVDocumentFileReader::readFileDictionary(const std::filesystem::path& path)
{
  Prefetch* prefetched = nullptr;
  {
    const std::lock_guard lock(prefetchMutex());
    std::vector<Prefetch*>& pending = pendingPrefetches();
    if (!pending.empty()) {
      const std::filesystem::path key = prefetchKey(path);
      const auto found = std::find_if(pending.begin(), pending.end(), [&key](Prefetch* each) { return each->path_ == key; });
      if (found != pending.end()) {
        prefetched = *found;
        pending.erase(found);
      }
    }
  }
  std::optional<pf::PlistValue> value;
  if (prefetched != nullptr) {
    Prefetch::Result result = prefetched->result_.get();
    for (const std::string& line : result.logLines) {
      pf::logMessage(line);
    }
    value = std::move(result.value);
  } else {
    value = pf::readPropertyListFile(path);
  }
  if (!value) {
    FeedbackManager::log("Error, could not read the document file '%@'", path.string());
    return std::nullopt;
  }
  if (!value->isDictionary()) {
    FeedbackManager::log("Error, the document file '%@' does not hold a dictionary", path.string());
    return std::nullopt;
  }
  return std::move(value->mutableDictionary());
}

std::optional<std::string> MVDocumentFileReader::versionOfFile(const pf::PlistValue::Dictionary& file)
{
  const pf::PlistValue* version = file.find("Version");
  if (version == nullptr || !version->isString()) {
    return std::nullopt;
  }
  return *version->asString();
}

bool MVDocumentFileReader::isLegacyVersion(const std::optional<std::string>& version)
{
  return version && VersionComparator::compare(*version, kLastLegacyVersion) != 1;
}

void MVDocumentFileReader::loadFromFileDictionary(MVDocument& document,
                                                  std::optional<pf::PlistValue::Dictionary> file)
{
  MVNodeController& controller = document.nodeController();
  MVDocumentWindow* window = document.window();
  if (window != nullptr) {
    window->setStatusMessage(std::string("Loading..."));
  }
  document.pauseUndoRegistration();
  controller.clearFileLoadingWarnings();

  if (!file) {
    FeedbackManager::log("Error, loadFileFromDictionary, fileDictionary nil");
  } else {
    const std::string applicationVersion = MVApplicationResources::applicationVersion();
    const std::optional<std::string> fileVersion = versionOfFile(*file);
    document.setFileVersion(fileVersion.value_or(std::string()));
    if (fileVersion && VersionComparator::compare(*fileVersion, applicationVersion) == 1 &&
        !(*fileVersion == "3.0.0" && applicationVersion == "3.0.0b17")) {
      FeedbackManager::log("Loading file from later version, version difference File %@ > App %@", *fileVersion,
                           applicationVersion);
      FeedbackManager::showNSAlert(
          std::string("Warning"),
          pf::format("This file was saved using a newer version of Morvalis (v%@, you have v%@), so this version of "
                     "Morvalis may not interpret it correctly.",
                     *fileVersion, applicationVersion));
    }
    if (!fileVersion) {
      FeedbackManager::log("Warning, the file has no Version, reading it as a current file");
    }
    if (isLegacyVersion(fileVersion)) {
      MVLegacyDocumentReader::loadFromLegacyFileDictionary(document, *file);
    } else {
      loadFromMV3FileDictionary(document, std::move(*file));
    }
  }

  document.resumeUndoRegistration();
  if (!controller.fileLoadingWarnings().empty()) {
    document.scheduleLoadingWarnings();
  }
  if (window != nullptr) {
    window->setStatusMessage(std::nullopt);
  }
  if (!controller.autoRegenerate()) {
    // Shown once even without automatic regeneration.
    document.refresh();
  }
}

void MVDocumentFileReader::loadFromMV3FileDictionary(MVDocument& document, pf::PlistValue::Dictionary file)
{
  MVNodeController& controller = document.nodeController();
  const std::optional<std::string> version = versionOfFile(file);
  FeedbackManager::log("Loading v%@ file '%@'", version.value_or(std::string()), document.displayFileName());

  if (const std::optional<bool> autoRegenerate = boolEntry(file, "Auto regenerate")) {
    controller.setAutoRegenerate(*autoRegenerate);
  }
  MVDocumentViewState state;
  if (const pf::PlistValue::Dictionary* displaySettings = dictionaryEntry(file, "Display Settings")) {
    state.displaySettings = *displaySettings;
  } else {
    FeedbackManager::log("Warning, no 'Display Settings' dictionary in file, will revert to defaults");
  }
  if (const pf::PlistValue* counter = entryOfType(file, "Node ID Counter", pf::PlistValue::Type::Real)) {
    document.setNodeIDCounterFromFile(counter->toInteger().value_or(0));
  } else {
    FeedbackManager::log("Warning, loadFromMV3FileDictionary no Node ID Counter in file");
  }
  if (const pf::PlistValue::Dictionary* indexes = dictionaryEntry(file, "Nodes indexes")) {
    controller.loadNodeIndexes(*indexes);
  } else {
    FeedbackManager::log("Warning, loadFromMV3FileDictionary no Node indexes dictionary");
  }

  if (!isLegacyVersion(version)) {
    try {
      controller.loadNodesFromArray(takeArrayEntry(file, "Nodes"));
    } catch (const std::exception& exception) {
      FeedbackManager::log("Exception loading nodes from file. Exception: %@", exception.what());
    }
    try {
      controller.loadConnectionsFromArray(takeArrayEntry(file, "Connections"));
    } catch (const std::exception& exception) {
      FeedbackManager::log("Exception loading connections from file. Exception: %@", exception.what());
    }
  } else {
    FeedbackManager::log("Error, loadFromMV3FileDictionary called with legacy file version %@", version.value_or(""));
  }

  controller.setIsLoadingFile(false);
  controller.getArtboardSettings();
  controller.nodeArrayChanged();

  if (const pf::PlistValue::Dictionary* animation = dictionaryEntry(file, "Animation")) {
    document.animationManager().loadDescriptionDictionary(*animation);
  } else {
    FeedbackManager::log("Warning, loadFromMV3FileDictionary, no Animation description");
  }
  // Time nodes and animation-info nodes take the loaded current time.
  controller.animation().animationChangePrepare();
  controller.animation().animationChangeDone();

  if (const std::string* offset = stringEntry(file, "Document scroll offset")) {
    state.scrollOffset = pf::pointFromString(*offset);
  }
  if (const std::string* frame = stringEntry(file, "Document window frame")) {
    state.windowFrame = pf::rectFromString(*frame);
  }
  if (const pf::PlistValue::Dictionary* split = dictionaryEntry(file, "Display Main SplitView")) {
    state.mainSplitView = *split;
  }
  if (const pf::PlistValue::Dictionary* split = dictionaryEntry(file, "Display Bottom SplitView")) {
    state.bottomSplitView = *split;
  }
  state.previewPanelOpen = boolEntry(file, "Separate preview panel open");
  if (const std::string* rect = stringEntry(file, "Separate preview panel rect")) {
    state.previewPanelRect = pf::rectFromString(*rect);
  }
  // Read only by the older generation; kept so that a file saved without a window keeps it.
  if (const pf::PlistValue* part = entryOfType(file, "Document split view part", pf::PlistValue::Type::Real)) {
    state.splitViewPart = part->toDouble();
  }
  document.setViewState(state);
  if (MVDocumentWindow* window = document.window()) {
    window->applyViewState(state);
  }

  if (const pf::PlistValue::Dictionary* exportSettings = dictionaryEntry(file, "Export Settings")) {
    document.mergeExportSettings(*exportSettings);
  } else {
    FeedbackManager::log("Warning, no loadFromMV3FileDictionary, no Export Settings in fileDictionary");
  }
}
