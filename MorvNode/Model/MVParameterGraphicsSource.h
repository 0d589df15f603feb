#pragma once

#include <memory>

class MVElement;
class MVParameter;

// Builds a graphics parameter's output element from its input element, and its preview.
// Elements are shared; the source never changes an element it was given, only copies.
class MVParameterGraphicsSource {
public:
  virtual ~MVParameterGraphicsSource() = default;

  virtual bool hasNodeIndexes() const = 0;
  virtual bool mightHaveDynamicInput() const = 0;
  virtual void resetNodeIndexes() = 0;
  // nullptr input: nothing connected; nullptr result: no output.
  virtual std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                                 std::shared_ptr<const MVElement> inputElement) = 0;
  virtual std::shared_ptr<const MVElement> graphicsPreviewElementForParameter(MVParameter* parameter,
                                                                        std::shared_ptr<const MVElement> element) = 0;
  // Asks for the memory graphicsElementForParameter reads, step by step (each step reads what
  // the one before asked for): step 0 the source's own object, steps 1 and 2 what it reads
  // through it (its parameters). A hint; nothing by default.
  virtual void prefetchGraphicsInputs(int step) const { (void)step; }
};
