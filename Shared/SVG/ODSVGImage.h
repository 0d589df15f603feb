#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "Platform/Image.h"
#include "Shared/SVG/ODSVGNode.h"

class ODSVGPath;

// A node with a bitmap, loaded only from a data URL (never from a file or the network).
class ODSVGImage : public ODSVGNode {
public:
  ODSVGImage() = default;

  std::shared_ptr<ODSVGNode> copy() const override;

  // Decodes a "data:" URL (white space inside is ignored; base64 or percent-encoded) holding a
  // PNG, JPEG, TIFF or GIF. Any other text, an external URL or a local file name included,
  // loads nothing and leaves the node without image.
  void loadFromBase64EncodedString(std::string_view text);
  void setImage(std::optional<pf::Image> image) { image_ = std::move(image); }
  const std::optional<pf::Image>& image() const { return image_; }
  // The closed rectangle (0, 0, width, height) of the node's lengths, made on first use.
  const std::shared_ptr<ODSVGPath>& path();

  // The bytes of a data URL; nullopt for anything that is not one.
  static std::optional<std::vector<std::uint8_t>> dataFromDataURL(std::string_view text);

private:
  std::optional<pf::Image> image_;
  std::shared_ptr<ODSVGPath> imagePath_;
};
