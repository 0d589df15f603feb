#pragma once

#include <memory>
#include <string>
#include <utility>

#include "Platform/Color.h"
#include "Platform/Size.h"

class MVElement;
class MVSharedGraphicsStore;

// The body of an SVG export, from one generation's output: the artboard background, the
// symbols of the shared graphics the output uses and the output tree. The document's export
// writes its header and footer around these. Lengths are SVG user units, `renderingScale` per
// output unit. A value object: it reads its inputs, never changes them.
class MVSvgExportBody {
public:
  struct Artboard {
    pf::Size size;  // output units
    double renderingScale = 1.0;
    pf::Color backgroundColor = pf::Color::white();
    bool drawBackground = true;
    double backgroundOpacity = 1.0;
  };

  // `output` and `store` may be absent (no generation yet, headless).
  MVSvgExportBody(std::shared_ptr<const MVElement> output, const MVSharedGraphicsStore* store, const Artboard& artboard)
      : output_(std::move(output)), store_(store), artboard_(artboard)
  {
  }

  // The background as one <rect> line; empty while the background is off or fully transparent.
  std::string artboardBackgroundString() const;
  // <defs> with one <symbol> per shared graphic the output uses (stored SVG text parsed and
  // written back as the symbol, else the image as PNG data); empty when the output uses none.
  std::string symbolDefinitionsString() const;
  // The output tree's SVG text (MVSvgWriter), its ids unique and clear of the background's and
  // the symbols'; empty without output.
  std::string outputElementString() const;

private:
  std::shared_ptr<const MVElement> output_;
  const MVSharedGraphicsStore* store_;  // the controller's, outlives this body
  Artboard artboard_;
};
