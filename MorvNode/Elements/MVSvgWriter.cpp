#include "MorvNode/Elements/MVSvgWriter.h"

#include <cmath>

#include "MorvNode/Elements/MVElement.h"
#include "Platform/Format.h"
#include "Platform/Numbers.h"
#include "Platform/Path.h"
#include "Platform/Unicode.h"

std::string MVSvgWriter::svgElementString(const MVElement& root, double displayScale,
                                          const std::vector<std::string>& reservedIDs)
{
  MVSvgWriter writer(displayScale);
  for (const std::string& id : reservedIDs) {
    writer.reserveID(id);
  }
  return root.svgString(pf::AffineTransform::scaling(displayScale, displayScale), writer);
}

std::string MVSvgWriter::claimID(const std::string& base, int& nextSuffix)
{
  if (nextSuffix == 0) {
    nextSuffix = 1;
    if (usedIDs_.insert(base).second) {
      return base;
    }
  }
  // A later name may already be taken as the suffixed form of an earlier one ("a-2").
  while (true) {
    std::string candidate = base + "-" + std::to_string(++nextSuffix);
    if (usedIDs_.insert(candidate).second) {
      return candidate;
    }
  }
}

std::string MVSvgWriter::uniqueID(std::string_view name)
{
  const std::string base = escaped(name);
  return claimID(base, nameUses_[base]);
}

std::string MVSvgWriter::clipPathID(long long elementID)
{
  return claimID(pf::format("ClippingPath-%lld", elementID), clipPathUses_[elementID]);
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

std::string MVSvgWriter::xmlText(std::string_view text)
{
  if (pf::isXmlText(text)) {
    return std::string(text);
  }
  // Decoded first, so that what is left out cannot join its neighbours into something new.
  std::string result;
  result.reserve(text.size());
  std::size_t offset = 0;
  while (offset < text.size()) {
    const char32_t codePoint = pf::nextCodePoint(text, offset);
    if (codePoint < 0x20 && !pf::isXmlCharacter(codePoint)) {
      continue;  // control characters are left out
    }
    pf::appendCodePoint(result, pf::isXmlCharacter(codePoint) ? codePoint : pf::kReplacementCharacter);
  }
  return result;
}

std::string MVSvgWriter::escaped(std::string_view text)
{
  const std::string source = xmlText(text);
  std::string result;
  result.reserve(source.size());
  for (const char c : source) {
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
    // Readers turn a raw tab or line break in an attribute into a blank: as references they
    // stay what they are, and two names never read back as one id.
    case '\t':
      result += "&#9;";
      break;
    case '\n':
      result += "&#10;";
      break;
    case '\r':
      result += "&#13;";
      break;
    default:
      result += c;
    }
  }
  return result;
}

std::string MVSvgWriter::commentText(std::string_view text)
{
  std::string result = xmlText(text);
  for (std::size_t dash = result.find("--"); dash != std::string::npos; dash = result.find("--", dash)) {
    result.replace(dash, 2, "- -");
  }
  if (!result.empty() && result.back() == '-') {
    result += ' ';
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
  } else if (element.strokeJoints() == 0) {
    // Without it a sharp mitred corner is cut off in the file where the drawing keeps its point.
    result += " stroke-miterlimit=\"" + number(kStrokeMiterLimit) + "\"";
  }
  return result;
}
