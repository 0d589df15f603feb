#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "Platform/PlistValue.h"

class MVDocument;
class MVDocumentWindow;

// Builds the top-level dictionary of a document file and writes it. The keys are inserted in
// their fixed order, so a document saved, opened and saved again gives the same bytes. The
// records of nodes, parameters and connections are the model's own. Main thread only.
class MVDocumentFileWriter {
public:
  // A preview drawn as PDF is kept when it is shorter than this; larger previews are stored as
  // JPEG.
  static constexpr std::size_t kMaxPreviewPDFBytes = 500000;
  static constexpr float kPreviewJPEGCompression = 0.8f;
  static constexpr const char* kSampleFilesWarning =
      "Files in the Sample files folder may be overwritten in future updates, so save your files elsewhere.";

  // The dictionary of the document as it stands. Side effect: the window frame is also stored in
  // the user defaults as "Last saved document window frame".
  static pf::PlistValue::Dictionary fileDictionaryForSaving(MVDocument& document);

  // Writes the dictionary as an XML property list atomically: a temporary file in the same folder
  // renamed over the target, so a failed save leaves the old file as it was; through a symbolic
  // link, the link's target gets the new content. false (logged, the reason also in `reason` when
  // given) on failure. A file saved into the application's "Sample files" folder is written all
  // the same, then the user is warned.
  static bool writeToURL(MVDocument& document, const std::filesystem::path& path, std::string* reason = nullptr);

  // Text that is not well-formed UTF-8 has no form in a property list, and one such string would
  // make the whole document unsaveable: every ill-formed sequence in the value's strings and keys
  // becomes U+FFFD. Answers how many strings and keys were repaired (0: the value is unchanged).
  static std::size_t repairIllFormedText(pf::PlistValue& value);

  // "Preview Image": the PDF data while it is short enough, else the JPEG form; nullopt when the
  // window has no rendered preview (or there is no window).
  static std::optional<pf::PlistValue> previewImageEntry(MVDocumentWindow* window);

  // Whether `path` lies in the "Sample files" folder beside the application in `applicationFolder`.
  static bool isInSampleFilesFolder(const std::filesystem::path& path, const std::filesystem::path& applicationFolder);
};
