#include "Shared/SVG/ODSVGWriter.h"

#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "Shared/SVG/ODSVG.h"
#include "Shared/SVG/ODSVGPath.h"

namespace {

TEST(ODSVGWriter, OnePathDocuments)
{
  const pf::Path square = pf::Path().addRect(pf::Rect(0, 0, 1, 1));
  EXPECT_EQ(ODSVGWriter::SVGPathStringForBezierPath(square),
            "M0.000000 0.000000L1.000000 0.000000L1.000000 1.000000L0.000000 1.000000Z");
  // A quadratic curve is written as the cubic it equals.
  EXPECT_EQ(ODSVGWriter::SVGPathStringForBezierPath(pf::Path().moveTo({0, 0}).quadCurveTo({3, 3}, {6, 0})),
            "M0.000000 0.000000C2.000000 2.000000 4.000000 2.000000 6.000000 0.000000");

  const pf::Path shape = pf::Path().moveTo({2, 3}).curveTo({2, 10}, {8, 10}, {8, 3}).closeSubpath();
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(ODSVGWriter::SVGDocumentStringForBezierPath(shape).c_str()));
  const pugi::xml_node root = document.child("svg");
  std::vector<std::string> names;
  for (const pugi::xml_attribute& attribute : root.attributes()) {
    names.push_back(attribute.name());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"width", "height", "viewBox", "xmlns"}));
  EXPECT_STREQ(root.attribute("width").value(), "6.000000");
  EXPECT_STREQ(root.attribute("height").value(), "7.000000");
  EXPECT_STREQ(root.attribute("viewBox").value(), "2.000000 3.000000 6.000000 7.000000");
  EXPECT_STREQ(root.child("path").attribute("d").value(), ODSVGWriter::SVGPathStringForBezierPath(shape).c_str());
  // The library reads it back.
  EXPECT_TRUE(ODSVG::initWithSVGString(ODSVGWriter::SVGDocumentStringForBezierPath(shape)));

  // A glyph is turned upright: (x, y) becomes (x, -y - h).
  ODSVGPath glyph;
  glyph.overwritePath(pf::Path().moveTo({0, 0}).lineTo({0, 10}).lineTo({5, 10}).closeSubpath());
  ASSERT_TRUE(document.load_string(ODSVGWriter::SVGDocumentStringForSVGGlyph(glyph).c_str()));
  EXPECT_STREQ(document.child("svg").child("path").attribute("d").value(),
               "M0.000000 -10.000000L0.000000 -20.000000L5.000000 -20.000000Z");
}

}  // namespace
