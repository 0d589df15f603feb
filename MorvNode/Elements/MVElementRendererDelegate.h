#pragma once

class MVElementRenderer;

// Told when a renderer's bitmap or selection pass that ran off the main thread has ended (the
// preview, parameter thumbnails). Called on the main thread, through the run loop; read the
// renderer's outputs there.
class MVElementRendererDelegate {
public:
  virtual ~MVElementRendererDelegate() = default;

  virtual void renderThreadFinished(MVElementRenderer& renderer) = 0;
};
