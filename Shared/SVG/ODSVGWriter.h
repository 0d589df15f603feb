#pragma once

#include <string>

#include <pugixml.hpp>

#include "Platform/Path.h"

class ODSVGPath;

// Writes one path as a one-path SVG document (class operations only). Numbers are "%f" (six
// decimals, locale-free).
class ODSVGWriter {
public:
  // "M%f %f", "L%f %f", "C%f %f %f %f %f %f" and "Z" per element, with nothing between them; a
  // quadratic curve is written as the cubic curve it equals.
  static std::string SVGPathStringForBezierPath(const pf::Path& path);
  // Appends to `document` an svg element with "width", "height", "viewBox" (the path's
  // control-point bounds) and "xmlns", in this order, and returns it.
  static pugi::xml_node rootElementForPath(const pf::Path& path, pugi::xml_document& document);
  // That root element with one path child whose only attribute is "d".
  static void SVGDocumentForBezierPath(const pf::Path& path, pugi::xml_document& document);
  // The document's text without pretty-printing or declaration.
  static std::string SVGDocumentStringForBezierPath(const pf::Path& path);
  // A glyph's path turned upright for SVG ((x, y) becomes (x, -y - h), h its control-point
  // height), as a document string.
  static std::string SVGDocumentStringForSVGGlyph(const ODSVGPath& glyph);
};
