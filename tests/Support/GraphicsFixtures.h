#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/DrawingContext.h"
#include "Platform/Surface.h"

namespace testsupport {

inline std::vector<std::uint8_t> bytesOf(std::string_view text)
{
  return {text.begin(), text.end()};
}

// A one-page PDF of the given size made with Cairo: `draw` paints into it (y-down from the
// page's top-left, points). Empty when Cairo fails.
inline std::vector<std::uint8_t> pdfBytes(pf::Size pageSize, const std::function<void(pf::DrawingContext&)>& draw)
{
  std::optional<pf::Surface> surface = pf::Surface::pdf(pageSize);
  if (!surface) {
    return {};
  }
  {
    pf::DrawingContext context(*surface);
    draw(context);
  }
  if (!surface->finish()) {
    return {};
  }
  return surface->takeData();
}

// A small EPS file around a drawing body, with the prolog aliases of common drawing programs.
inline std::string epsText(const std::string& body, int width = 100, int height = 100)
{
  return "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 " + std::to_string(width) + " " + std::to_string(height) +
         "\n%%EndComments\n%%BeginProlog\n/m { moveto } bind def\n/l { lineto } bind def\n/f { fill } bind def\n"
         "/h { closepath } bind def\n%%EndProlog\n%%BeginSetup\n%%EndSetup\n%%BeginPageSetup\n%%EndPageSetup\n" +
         body + "\nshowpage\n%%PageTrailer\n%%Trailer\n%%EOF\n";
}

}  // namespace testsupport
