#include "MorvNode/Document/MVDocumentFileWriter.h"

#include <algorithm>
#include <string>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVApplicationResources.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/MVDocumentWindow.h"
#include "MorvNode/Model/MVNode.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Platform/GeometryStrings.h"
#include "Platform/PropertyList.h"
#include "Platform/Unicode.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

pf::PlistValue::Dictionary MVDocumentFileWriter::fileDictionaryForSaving(MVDocument& document)
{
  MVDocumentViewState state = document.viewState();
  if (MVDocumentWindow* window = document.window()) {
    window->storeViewState(state);
    document.setViewState(state);
  }
  MVNodeController& controller = document.nodeController();

  pf::PlistValue::Dictionary file;
  file.set("Version", MVApplicationResources::applicationVersion());
  const std::string frame = pf::rectString(state.windowFrame.value_or(pf::Rect()));
  file.set("Document window frame", frame);
  pf::UserDefaults::standard().setString("Last saved document window frame", frame);
  // Saved as the single-precision number the window reports.
  file.set("Document split view part", static_cast<double>(static_cast<float>(state.splitViewPart.value_or(0.0))));
  file.set("Document scroll offset", pf::pointString(state.scrollOffset.value_or(pf::Point())));
  if (const std::optional<pf::PlistValue::Dictionary>& exportSettings = document.exportSettings()) {
    file.set("Export Settings", *exportSettings);
  }
  file.set("Display Main SplitView", state.mainSplitView.value_or(pf::PlistValue::Dictionary()));
  file.set("Display Bottom SplitView", state.bottomSplitView.value_or(pf::PlistValue::Dictionary()));
  file.set("Display Settings", state.displaySettings.value_or(MVDocumentViewState::freshDisplaySettings()));
  file.set("Auto regenerate", controller.autoRegenerate());
  file.set("Animation", document.animationManager().descriptionDictionary());
  file.set("Nodes indexes", controller.nodeIndexes());

  pf::PlistValue::Array nodes;
  nodes.reserve(controller.nodeArray().size());
  for (const auto& node : controller.nodeArray()) {
    nodes.emplace_back(node->descriptionDictionary());
  }
  file.set("Nodes", std::move(nodes));
  file.set("Node ID Counter", static_cast<long long>(controller.nodeIDCounter()));
  file.set("Connections", controller.connectionDescriptionsArray());

  if (std::optional<pf::PlistValue> preview = previewImageEntry(document.window())) {
    file.set("Preview Image", std::move(*preview));
  }
  file.set("Separate preview panel rect", pf::rectString(state.previewPanelRect.value_or(pf::Rect())));
  file.set("Separate preview panel open", state.previewPanelOpen.value_or(false));
  return file;
}

std::optional<pf::PlistValue> MVDocumentFileWriter::previewImageEntry(MVDocumentWindow* window)
{
  if (window == nullptr) {
    return std::nullopt;
  }
  std::optional<std::vector<std::uint8_t>> pdf = window->previewImagePDFData();
  if (!pdf) {
    return std::nullopt;  // nothing rendered yet
  }
  if (!pdf->empty() && pdf->size() < kMaxPreviewPDFBytes) {
    return pf::PlistValue::data(std::move(*pdf));
  }
  std::vector<std::uint8_t> jpeg = window->previewImageJPEGData(kPreviewJPEGCompression);
  if (jpeg.empty()) {
    FeedbackManager::log("Warning, fileDictionaryForSaving could not make a preview image");
    return std::nullopt;
  }
  return pf::PlistValue::data(std::move(jpeg));
}

bool MVDocumentFileWriter::isInSampleFilesFolder(const std::filesystem::path& path,
                                                 const std::filesystem::path& applicationFolder)
{
  if (applicationFolder.empty()) {
    return false;
  }
  const std::string sampleFolder = applicationFolder.string() + "/Sample files";
  return path.string().find(sampleFolder) != std::string::npos;
}

namespace {

// Read-only, so that the usual document (all text well-formed) copies nothing.
bool holdsOnlyWellFormedText(const pf::PlistValue& value)
{
  if (const std::string* text = value.asString()) {
    return pf::isValidUTF8(*text);
  }
  if (const pf::PlistValue::Array* array = value.asArray()) {
    return std::all_of(array->begin(), array->end(), holdsOnlyWellFormedText);
  }
  if (const pf::PlistValue::Dictionary* dictionary = value.asDictionary()) {
    return std::all_of(dictionary->begin(), dictionary->end(), [](const pf::PlistValue::Dictionary::Entry& entry) {
      return pf::isValidUTF8(entry.key) && holdsOnlyWellFormedText(entry.value);
    });
  }
  return true;
}

}  // namespace

std::size_t MVDocumentFileWriter::repairIllFormedText(pf::PlistValue& value)
{
  if (holdsOnlyWellFormedText(value)) {
    return 0;
  }
  std::size_t repaired = 0;
  if (const std::string* text = value.asString()) {
    value = pf::PlistValue(pf::wellFormedUTF8(*text));
    repaired = 1;
  } else if (value.isArray()) {
    for (pf::PlistValue& element : value.mutableArray()) {
      repaired += repairIllFormedText(element);
    }
  } else if (value.isDictionary()) {
    pf::PlistValue::Dictionary rebuilt;
    for (const pf::PlistValue::Dictionary::Entry& entry : *value.asDictionary()) {
      pf::PlistValue element = entry.value;
      repaired += repairIllFormedText(element);
      if (pf::isValidUTF8(entry.key)) {
        rebuilt.set(entry.key, std::move(element));
      } else {
        // Two keys may repair to the same text: the later entry then replaces the earlier.
        rebuilt.set(pf::wellFormedUTF8(entry.key), std::move(element));
        ++repaired;
      }
    }
    value = pf::PlistValue(std::move(rebuilt));
  }
  return repaired;
}

bool MVDocumentFileWriter::writeToURL(MVDocument& document, const std::filesystem::path& path, std::string* reason)
{
  pf::PlistValue file(fileDictionaryForSaving(document));
  if (const std::size_t repaired = repairIllFormedText(file); repaired > 0) {
    FeedbackManager::log("Warning, %ld texts of the document were not valid UTF-8 and are saved with U+FFFD in "
                         "place of their ill-formed bytes",
                         static_cast<long>(repaired));
  }
  if (!pf::writePropertyListFile(file, path, pf::PlistFormat::Xml, reason)) {
    FeedbackManager::log("Error, could not save the document to '%@'", path.string());
    return false;
  }
  if (isInSampleFilesFolder(path, MVApplicationResources::applicationFolder())) {
    FeedbackManager::showNSAlert(std::string("Warning"), std::string(kSampleFilesWarning));
  }
  return true;
}
