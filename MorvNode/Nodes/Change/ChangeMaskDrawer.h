#pragma once

#include <memory>
#include <string>

#include "Platform/Rect.h"

class MVElement;
class MVElementRenderer;

namespace pf {
class Bitmap;
}

// Draws a mask element into a bitmap at its own size, one pixel per unit of the members' space,
// with the box's origin at the bitmap's origin: what the select and apply-graphics nodes sample
// their members against. The renderer is made on first use and kept. Main thread only.
class ChangeMaskDrawer {
public:
  ChangeMaskDrawer();
  ~ChangeMaskDrawer();
  ChangeMaskDrawer(const ChangeMaskDrawer&) = delete;
  ChangeMaskDrawer& operator=(const ChangeMaskDrawer&) = delete;

  // The drawn bitmap of `mask`, whose box is `box`; nullptr when the renderer gave none.
  // `threadName` names the rendering thread of a new renderer.
  std::shared_ptr<const pf::Bitmap> draw(const std::shared_ptr<const MVElement>& mask, const pf::Rect& box,
                                         const std::string& threadName);
  // How many times a mask was drawn (the caches of the nodes are tested by it).
  long long drawCount() const { return drawCount_; }

private:
  std::unique_ptr<MVElementRenderer> renderer_;
  long long drawCount_ = 0;
};
