// SVG text as the import path takes it: the SVG library parses it, builds the layer tree and
// draws it into a small bitmap, and writes the PDF page the import node shows. Whatever the
// text, this ends without a crash, a hang or a leak, and a document that parsed gives a PDF.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "Platform/DrawingContext.h"
#include "Platform/Log.h"
#include "Platform/Surface.h"
#include "Shared/SVG/ODSVG.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  pf::setLogEcho(false);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::shared_ptr<ODSVG> svg = ODSVG::initWithSVGString(text);
  if (!svg) {
    return 0;
  }
  std::optional<pf::Surface> surface = pf::Surface::bitmap(32, 32);
  FUZZ_CHECK(surface.has_value());
  {
    pf::DrawingContext context(*surface);
    (void)svg->drawInRect(context, pf::Rect(0, 0, 32, 32));
  }
  // Page sizes beyond what a PDF takes are refused and give no bytes; usual ones give a page.
  const pf::Rect viewBox = svg->viewBox();
  const bool pageSizeUsable = viewBox.size.width > 0.0 && viewBox.size.height > 0.0 && viewBox.size.width < 1e5 &&
                              viewBox.size.height < 1e5;
  if (pageSizeUsable) {
    FUZZ_CHECK(!svg->PDFData().empty());
  }
  return 0;
}
