#include "Shared/SVG/ODSVGWriter.h"

#include <sstream>

#include "Platform/Format.h"
#include "Shared/SVG/ODSVGPath.h"

std::string ODSVGWriter::SVGPathStringForBezierPath(const pf::Path& path)
{
  std::string text;
  pf::Point current;
  for (const pf::PathElement& element : path.elements()) {
    const pf::Point* p = element.points.data();
    switch (element.type) {
      case pf::PathElementType::MoveTo:
        text += pf::format("M%f %f", p[0].x, p[0].y);
        break;
      case pf::PathElementType::LineTo:
        text += pf::format("L%f %f", p[0].x, p[0].y);
        break;
      case pf::PathElementType::QuadCurveTo: {
        // The cubic with control points two thirds of the way to the quadratic's control point.
        const pf::Point c1(current.x + 2.0 / 3.0 * (p[0].x - current.x), current.y + 2.0 / 3.0 * (p[0].y - current.y));
        const pf::Point c2(p[1].x + 2.0 / 3.0 * (p[0].x - p[1].x), p[1].y + 2.0 / 3.0 * (p[0].y - p[1].y));
        text += pf::format("C%f %f %f %f %f %f", c1.x, c1.y, c2.x, c2.y, p[1].x, p[1].y);
        break;
      }
      case pf::PathElementType::CurveTo:
        text += pf::format("C%f %f %f %f %f %f", p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
        break;
      case pf::PathElementType::CloseSubpath:
        text += "Z";
        break;
    }
    if (element.type != pf::PathElementType::CloseSubpath) {
      current = element.endPoint();
    }
  }
  return text;
}

pugi::xml_node ODSVGWriter::rootElementForPath(const pf::Path& path, pugi::xml_document& document)
{
  const pf::Rect bounds = path.controlPointBounds().value_or(pf::Rect());
  pugi::xml_node root = document.append_child("svg");
  root.append_attribute("width") = pf::format("%f", bounds.size.width).c_str();
  root.append_attribute("height") = pf::format("%f", bounds.size.height).c_str();
  root.append_attribute("viewBox") =
      pf::format("%f %f %f %f", bounds.origin.x, bounds.origin.y, bounds.size.width, bounds.size.height).c_str();
  root.append_attribute("xmlns") = "http://www.w3.org/2000/svg";
  return root;
}

void ODSVGWriter::SVGDocumentForBezierPath(const pf::Path& path, pugi::xml_document& document)
{
  pugi::xml_node root = rootElementForPath(path, document);
  root.append_child("path").append_attribute("d") = SVGPathStringForBezierPath(path).c_str();
}

std::string ODSVGWriter::SVGDocumentStringForBezierPath(const pf::Path& path)
{
  pugi::xml_document document;
  SVGDocumentForBezierPath(path, document);
  std::ostringstream stream;
  document.save(stream, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return stream.str();
}

std::string ODSVGWriter::SVGDocumentStringForSVGGlyph(const ODSVGPath& glyph)
{
  const pf::Path& path = glyph.path();
  const double height = path.controlPointBounds().value_or(pf::Rect()).size.height;
  // (x, y) to (x, -y - h).
  const pf::AffineTransform flip(1.0, 0.0, 0.0, -1.0, 0.0, -height);
  return SVGDocumentStringForBezierPath(path.transformed(flip));
}
