#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "MorvNode/Elements/MVElement.h"
#include "Platform/Bitmap.h"
#include "Platform/Color.h"

class MVSharedGraphicsStore;

namespace pf {
class Image;
}

// The leaf that shows a shared graphic: an imported PDF, EPS or pixel image kept once in the
// document's shared graphics store under a name. The element holds only the name (and the
// store to look it up in); every drawing looks the image up again. Vector images are drawn as
// vectors; bitmaps as pixels, tinted with the fill colour when one is set. The image is drawn
// into the nominal box (width x height centred on the origin), y-up inside the box as on the
// platform images come from; a stroke frames the box.
//
// The tint is cached per element, keyed by image name and tint colour, and made on first use
// while drawing, possibly on a rendering thread: the cache has its own lock.
class MVElementImage : public MVElement {
public:
  MVElementImage() = default;

  [[nodiscard]] std::shared_ptr<MVElement> copy() const override;
  std::string_view className() const override { return "MVElementImage"; }
  bool isImage() const override { return true; }
  std::optional<std::string> elementTypeDescription() const override;

  const std::optional<std::string>& imageName() const { return imageName_; }
  void setImageName(std::optional<std::string> name) { imageName_ = std::move(name); }
  // The store the image is looked up in (the graph controller's); shared so that a copy drawn
  // on a rendering thread keeps it alive. nullptr: nothing to draw.
  const std::shared_ptr<const MVSharedGraphicsStore>& sharedGraphics() const { return sharedGraphics_; }
  void setSharedGraphics(std::shared_ptr<const MVSharedGraphicsStore> store) { sharedGraphics_ = std::move(store); }

  // The image's pixels with every colour multiplied by the fill colour's red, green and blue
  // (black without a fill colour), keeping the image's alpha; made once per image name and tint
  // colour and cached. nullptr when the image is missing or its pixel size is below 1.
  std::shared_ptr<const pf::Bitmap> tintedImage() const;

  // Draws the image into the box (a vector image untinted, with fillOpacity; a bitmap tinted
  // when there is a fill colour, with fillOpacity and the blend mode), then the frame: a stroke
  // of strokeWidth x the renderer's renderingScale in device space.
  void render(ElementRenderer& renderer) const override;
  // A <use> of the image's symbol (see svgSymbolNameForImageName) with the element's transform
  // as a matrix, y flipped inside the box as images are drawn, and opacity below 1; a stroked
  // element adds a <rect> frame. Tint and blend mode are not written. Empty when invisible.
  std::string svgString(const pf::AffineTransform& transform, MVSvgWriter& writer) const override;
  // Drops the cached tint, then the base release.
  void releaseResources() override;
  void addSharedGraphicObjectNames(std::vector<std::string>& names) const override;

  // The id under which an export writes the image once as a symbol: the name without
  // apostrophes, double quotes, '>', '<', ',' and '#', and without "[NSImage]".
  static std::string svgSymbolNameForImageName(const std::string& name);

private:
  struct TintCache {
    std::shared_ptr<const pf::Bitmap> bitmap;
    std::string imageName;
    pf::Color tint;
  };

  std::shared_ptr<const pf::Image> lookUpImage() const;
  std::shared_ptr<const pf::Bitmap> tintedBitmapOf(const pf::Image& image) const;

  std::optional<std::string> imageName_;
  std::shared_ptr<const MVSharedGraphicsStore> sharedGraphics_;
  mutable std::mutex tintMutex_;
  mutable std::optional<TintCache> tintCache_;  // guarded by tintMutex_
};
