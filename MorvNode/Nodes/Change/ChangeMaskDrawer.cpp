#include "MorvNode/Nodes/Change/ChangeMaskDrawer.h"

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "Platform/Bitmap.h"

ChangeMaskDrawer::ChangeMaskDrawer() = default;
ChangeMaskDrawer::~ChangeMaskDrawer() = default;

std::shared_ptr<const pf::Bitmap> ChangeMaskDrawer::draw(const std::shared_ptr<const MVElement>& mask,
                                                         const pf::Rect& box, const std::string& threadName)
{
  if (renderer_ == nullptr) {
    renderer_ = std::make_unique<MVElementRenderer>();
    renderer_->setRenderingThreadName(threadName);
  }
  // The mask moved so that its box starts at the bitmap's origin: drawn at its own size, each
  // pixel is one unit of the members' space.
  auto placed = std::make_shared<MVElementGroup>();
  placed->addElementWithoutRecalculatingPivot(mask);
  placed->setPositionX(-box.minX(), -box.minY());
  renderer_->setRenderingSize(box.width(), box.height());
  renderer_->setDisplayScale(1.0);
  renderer_->setRetinaScaling(1.0);
  renderer_->setExportMode(false);
  renderer_->setDrawBackgroundFlag(false);
  renderer_->setScaleElementsDownToFit(false);
  renderer_->setInputRenderingElement(placed);
  renderer_->startRendering();
  ++drawCount_;
  std::shared_ptr<const pf::Bitmap> bitmap = renderer_->outputBitmap();
  renderer_->setInputRenderingElement(nullptr);
  return bitmap;
}
