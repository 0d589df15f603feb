#include "MorvNode/Elements/MVSvgWriter.h"

#include <cmath>

#include "MorvNode/Elements/MVElement.h"
#include "Platform/Format.h"
#include "Platform/Numbers.h"
#include "Platform/Path.h"

std::string MVSvgWriter::svgElementString(const MVElement& root, double displayScale)
{
  MVSvgWriter writer(displayScale);
  return root.svgString(pf::AffineTransform::scaling(displayScale, displayScale), writer);
}

std::string MVSvgWriter::clipPathID(long long elementID)
{
  const int uses = ++clipPathUses_[elementID];
  if (uses == 1) {
    return pf::format("ClippingPath-%lld", elementID);
  }
  return pf::format("ClippingPath-%lld-%d", elementID, uses);
}

std::string MVSvgWriter::number(double value)
{
  if (!std::isfinite(value) || value == 0) {
    return "0";  // also -0
  }
  return pf::formatG(value);
}

std::string MVSvgWriter::rgb(const pf::Color& color)
{
  const auto component = [](double value) { return number(std::round(value * 255)); };
  return "rgb(" + component(color.red()) + "," + component(color.green()) + "," + component(color.blue()) + ")";
}

std::string MVSvgWriter::escaped(std::string_view text)
{
  std::string result;
  result.reserve(text.size());
  for (const char c : text) {
    switch (c) {
    case '&':
      result += "&amp;";
      break;
    case '<':
      result += "&lt;";
      break;
    case '>':
      result += "&gt;";
      break;
    case '"':
      result += "&quot;";
      break;
    case '\'':
      result += "&apos;";
      break;
    case '\t':
    case '\n':
    case '\r':
      result += c;
      break;
    default:
      // Other control characters are not allowed in XML 1.0, not even as character references:
      // one of them makes the whole file unreadable.
      if (static_cast<unsigned char>(c) >= 0x20) {
        result += c;
      }
    }
  }
  return result;
}

std::string MVSvgWriter::pathData(const pf::Path& path, const pf::AffineTransform& transform)
{
  if (!transform.isFinite() || !path.isFinite()) {
    return {};
  }
  std::string data;
  data.reserve(path.elementCount() * 16);
  for (const pf::PathElement& element : path.elements()) {
    switch (element.type) {
    case pf::PathElementType::MoveTo:
      data += 'M';
      break;
    case pf::PathElementType::LineTo:
      data += 'L';
      break;
    case pf::PathElementType::QuadCurveTo:
      data += 'Q';
      break;
    case pf::PathElementType::CurveTo:
      data += 'C';
      break;
    case pf::PathElementType::CloseSubpath:
      data += 'Z';
      break;
    }
    for (int i = 0; i < element.pointCount(); ++i) {
      const pf::Point p = transform.apply(element.points[static_cast<std::size_t>(i)]);
      data += number(p.x);
      data += ',';
      data += number(p.y);
      data += ' ';
    }
  }
  return data;
}

std::string MVSvgWriter::strokeAttributes(const MVElement& element) const
{
  const std::optional<pf::Color> color = element.strokeColor();
  if (!color || !(element.strokeOpacity() > 0) || !(element.strokeWidth() > 0)) {
    return {};
  }
  std::string result = " stroke=\"" + rgb(*color) + "\" stroke-opacity=\"" + number(element.strokeOpacity()) +
                       "\" stroke-width=\"" + number(element.strokeWidth() * renderingScale_) + "\"";
  if (element.strokeEndCap() == 1) {
    result += " stroke-linecap=\"square\"";
  } else if (element.strokeEndCap() == 2) {
    result += " stroke-linecap=\"round\"";
  }
  if (element.strokeJoints() == 1) {
    result += " stroke-linejoin=\"round\"";
  } else if (element.strokeJoints() == 2) {
    result += " stroke-linejoin=\"bevel\"";
  }
  return result;
}
