#pragma once

#include <memory>

class MVElementRenderer;

namespace pf {
class Bitmap;
}

// Told when a renderer's bitmap or selection pass that ran off the main thread has ended (the
// preview, parameter thumbnails). Called on the main thread, through the run loop; read the
// renderer's outputs there.
class MVElementRendererDelegate {
public:
  virtual ~MVElementRendererDelegate() = default;

  virtual void renderThreadFinished(MVElementRenderer& renderer) = 0;
  // A partial image of a long bitmap pass that goes on (see the renderer's
  // partialImageInterval): the pixels drawn so far, premultiplied ARGB like outputBitmap(). Only
  // images of the renderer's latest pass arrive, in the order they were taken, and none once
  // that pass was asked to abort or has published its complete image: each one is newer than
  // anything the renderer reported before, and renderThreadFinished follows.
  virtual void renderThreadPartialImageReady(MVElementRenderer& renderer, std::shared_ptr<const pf::Bitmap> image)
  {
    (void)renderer;
    (void)image;
  }
};
