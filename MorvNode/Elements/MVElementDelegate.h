#pragma once

#include "Platform/Size.h"

// What elements ask of the graph controller that made them. The controller implements it;
// tests use a fake. Elements call it on the main thread only (while a regeneration builds and
// changes them), never from a rendering thread.
class MVElementDelegate {
public:
  virtual ~MVElementDelegate() = default;

  // A fresh element ID from the document's element counter (1, 2, ...; never 0).
  virtual long long uniqueElementID() = 0;
  // The artboard's size in output units; its rectangle starts at (0, 0).
  virtual pf::Size artboardSize() const = 0;
};
