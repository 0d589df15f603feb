#include "MorvNode/Document/MVLegacyDocumentReader.h"

#include <exception>
#include <optional>
#include <string>

#include "MorvNode/Controller/MVLegacyGraphConverter.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/MVDocumentFileReader.h"
#include "MorvNode/Document/MVDocumentViewState.h"
#include "MorvNode/Document/MVDocumentWindow.h"
#include "MorvNode/Document/VersionComparator.h"
#include "MorvNode/Model/MVNode.h"
#include "Platform/Format.h"
#include "Platform/GeometryStrings.h"
#include "Platform/UserDefaults.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

std::optional<double> numberEntry(const pf::PlistValue::Dictionary& file, std::string_view key)
{
  const pf::PlistValue* value = file.find(key);
  return value != nullptr && value->isNumber() ? value->toDouble() : std::nullopt;
}

const std::string* stringEntry(const pf::PlistValue::Dictionary& file, std::string_view key)
{
  const pf::PlistValue* value = file.find(key);
  return value != nullptr ? value->asString() : nullptr;
}

const pf::PlistValue::Array& arrayEntry(const pf::PlistValue::Dictionary& file, std::string_view key)
{
  static const pf::PlistValue::Array kEmpty;
  const pf::PlistValue* value = file.find(key);
  if (value != nullptr && !value->isArray()) {
    FeedbackManager::log("Warning, the file's '%@' is not an array and is ignored", key);
  }
  return value != nullptr && value->isArray() ? *value->asArray() : kEmpty;
}

// The export settings of an older file: its own dictionary when it has one, else the flat keys.
void loadLegacyExportSettings(MVDocument& document, const pf::PlistValue::Dictionary& file)
{
  const pf::PlistValue* nested = file.find("Export Settings");
  if (nested != nullptr && nested->isDictionary()) {
    document.mergeExportSettings(*nested->asDictionary());
  } else {
    // The flat keys go into a record with every default.
    document.editableExportSettings();
    pf::PlistValue::Dictionary flat;
    const std::pair<const char*, const char*> kFlatKeys[] = {
        {"Export Filename", "Base Filename"},
        {"Export File Format", "File Format"},
        {"Export File Format Animation", "Animation File Format"},
        {"Export Video Codec", "Animation Codec"},
        {"Export Scale To Display", "Scale To Display"},
        {"Export Matte Color Data", "Matte Color"},
    };
    for (const auto& [oldKey, newKey] : kFlatKeys) {
      if (const pf::PlistValue* value = file.find(oldKey)) {
        flat.set(newKey, *value);
      }
    }
    const pf::PlistValue* repetitionsX = file.find("Export Repetitions X");
    const pf::PlistValue* repetitionsY = file.find("Export Repetitions Y");
    if (repetitionsX != nullptr && repetitionsY != nullptr) {
      flat.set("Repetitions X", *repetitionsX);
      flat.set("Repetitions Y", *repetitionsY);
    }
    document.mergeExportSettings(flat);
  }
  document.mergeExportSettings(pf::PlistValue::Dictionary{{"Repeated Export", false}});
}

}  // namespace

bool MVLegacyDocumentReader::legacyNodeDescriptionArrayContainsNodeOfType(const pf::PlistValue::Array& nodes,
                                                                           const std::string& nodeType)
{
  for (const pf::PlistValue& node : nodes) {
    const pf::PlistValue* typeName = node.find("Node type name");
    if (typeName != nullptr && typeName->isString() && *typeName->asString() == nodeType) {
      return true;
    }
  }
  return false;
}

void MVLegacyDocumentReader::loadFromLegacyFileDictionary(MVDocument& document, const pf::PlistValue::Dictionary& file)
{
  MVNodeController& controller = document.nodeController();
  const std::string version = MVDocumentFileReader::versionOfFile(file).value_or(std::string());
  document.setFileVersion(version);

  MVDocumentViewState state;
  state.fromLegacyFile = true;
  state.repeatOpacity = numberEntry(file, "Display Repeat Opacity");
  state.displayScaling = numberEntry(file, "Display Scaling");
  if (const std::string* frame = stringEntry(file, "Document window frame")) {
    state.windowFrame = pf::rectFromString(*frame);
  }
  state.splitViewPart = numberEntry(file, "Document split view part");
  if (const pf::PlistValue* counter = file.find("Node ID Counter"); counter != nullptr && counter->isNumber()) {
    document.setNodeIDCounterFromFile(counter->toInteger().value_or(0));
  }

  const pf::PlistValue::Array& nodes = arrayEntry(file, "Nodes");
  const pf::PlistValue::Array& connections = arrayEntry(file, "Connections");
  if (!MVDocumentFileReader::isLegacyVersion(version)) {
    FeedbackManager::log("Error, loadFromLegacyFileDictionary called with non-legacy fileVersion: %@", version);
  } else {
    FeedbackManager::log("Loading legacy v%@ file '%@'", version, document.displayFileName());
    if (VersionComparator::compare(version, "2.0.0b0") == -1) {
      controller.addFileLoadingWarning(
          pf::format("This file was saved with Morvalis 1 (v%@) and since the software has changed so much in v2 and "
                     "v3 it will probably not load correctly. If you need to convert old files v1, try opening and "
                     "saving them in Morvalis 2.",
                     version));
      const bool usesRandomization = legacyNodeDescriptionArrayContainsNodeOfType(nodes, "ArrayRandomizeNode") ||
                                     legacyNodeDescriptionArrayContainsNodeOfType(nodes, "ArrayRandomizeColorNode") ||
                                     legacyNodeDescriptionArrayContainsNodeOfType(nodes, "ValueRandomNode") ||
                                     legacyNodeDescriptionArrayContainsNodeOfType(nodes, "RepeatRandomNode");
      pf::UserDefaults& defaults = pf::UserDefaults::standard();
      if (usesRandomization && !defaults.boolForKey(kRandomizeWarningShownKey)) {
        FeedbackManager::showNSAlert(
            std::string("Warning"),
            pf::format("This file saved with Morvalis v%@ uses randomization. Random values are calculated in a new way "
                       "in Morvalis 2.0 and later, so you will not get the exact same results. This warning will not be "
                       "shown again.",
                       version));
        defaults.setBool(kRandomizeWarningShownKey, true);
      }
    }
    ODAnimationManager& animation = document.animationManager();
    if (const std::optional<double> time = numberEntry(file, "Animation Current Time")) {
      animation.setCurrentTime(*time, false);
    }
    if (const std::optional<double> duration = numberEntry(file, "Animation Duration")) {
      animation.setDuration(*duration);
    }
    if (const pf::PlistValue* loop = file.find("Animation Loops"); loop != nullptr && loop->isNumber()) {
      animation.setLoop(loop->toBool().value_or(false));
    }
    if (const std::optional<double> framerate = numberEntry(file, "Animation FPS")) {
      animation.setFramerate(*framerate);
    }

    MVLegacyGraphConverter converter(controller);
    try {
      converter.loadLegacyMV2NodesFromArray(nodes);
    } catch (const std::exception& exception) {
      FeedbackManager::log("Exception loading nodes from file. Exception: %@", exception.what());
    }
    try {
      converter.loadLegacyMV2ConnectionsFromArray(MVLegacyGraphConverter::processLegacyMV2ConnectionsArray(connections, nodes));
    } catch (const std::exception& exception) {
      FeedbackManager::log("Exception loading connections from file. Exception: %@", exception.what());
    }
    controller.setIsLoadingFile(true);
    converter.legacyLoadingConvertAnimations();
    state.animationPanelOpen = !document.animationManager().animators().empty();
    converter.legacyLoadingCleanup();
  }

  controller.setIsLoadingFile(false);
  controller.nodeArrayChanged();
  if (!document.animationManager().animators().empty()) {
    document.animationManager().animateWithCurrentTime();
  }
  if (const pf::PlistValue* open = file.find("Separate preview panel open"); open != nullptr && open->isNumber()) {
    state.previewPanelOpen = open->toBool();
  }
  if (const std::string* rect = stringEntry(file, "Separate preview panel rect")) {
    state.previewPanelRect = pf::rectFromString(*rect);
  }
  controller.getArtboardSettings();
  if (const std::string* offset = stringEntry(file, "Document scroll offset")) {
    state.scrollOffset = pf::pointFromString(*offset);
  }
  if (const std::string* offset = stringEntry(file, "Display Preview Scroll Offset")) {
    state.previewScrollOffset = pf::pointFromString(*offset);
  }
  document.setViewState(state);
  if (MVDocumentWindow* window = document.window()) {
    window->applyViewState(state);
  }
  loadLegacyExportSettings(document, file);
}
