#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Color.h"
#include "Platform/Size.h"

class MVArtworkRenderer;
class MVDocument;

// The image export of a document: the artwork rendered offscreen (MVArtworkRenderer) into one of
// the single-image formats, written atomically, and the artwork copied to the clipboard. Every
// failure is logged and alerted in the format's words, an earlier file under the same name is
// kept, and nothing is raised. Main thread only.
class MVDocumentExport {
public:
  // The file's bytes of `format` ("pdf", "eps", "svg", "tiff", "jpg", "png", "gif") at `scale`:
  // PDF and EPS pages, SVG text with `svgSize` in its header, LZW TIFF, JPEG (factor 0.99 over
  // grey 0.4), PNG, and GIF flattened onto `matteColor`. nullopt (logged) when the artwork cannot
  // be drawn or encoded, or the format is unknown.
  static std::optional<std::vector<std::uint8_t>> fileData(MVArtworkRenderer& renderer, std::string_view format,
                                                           double scale, pf::Size svgSize,
                                                           const pf::Color& matteColor);

  // The document's export to `path` in its settings' format and size; true when the file was
  // written. A failure is logged and alerted with the reason.
  static bool exportToPath(MVDocument& document, const std::filesystem::path& path);

  // The artwork on the clipboard: PDF vector data (at scale 1 or the preview's display scale,
  // by the preference "Copy scaled to display scale", in millimetres by "Copy vectors size
  // units"), or PNG and TIFF bitmaps at the preview's display scale. false (alerted) when
  // nothing was copied.
  static bool exportCopy(MVDocument& document, bool vector);

  // The alert text of a format's failed write (the path and the reason filled in).
  static std::string failureAlertText(std::string_view format, const std::string& path, const std::string& reason);
};
