#include "MorvNode/Elements/MVSvgWriter.h"

#include <clocale>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "ElementTestSupport.h"
#include "Support/StrictXml.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementImage.h"
#include "MorvNode/Elements/MVElementPath.h"

namespace {

using elementtest::FakeElementController;

std::shared_ptr<MVElementPath> square(const std::string& name, pf::Point position, double side)
{
  auto element = std::make_shared<MVElementPath>();
  element->setElementName(name);
  element->setPositionX(position.x, position.y);
  element->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForSquareWithSide(side)));
  element->setFillColor(pf::Color::rgb(1, 0, 0));
  return element;
}

// The body inside an <svg> root, parsed; fails the test when it is not well-formed XML.
struct ParsedBody {
  explicit ParsedBody(const std::string& body)
  {
    const std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\" "
                             "xmlns:xlink=\"http://www.w3.org/1999/xlink\">\n" + body + "</svg>\n";
    const pugi::xml_parse_result result = document.load_string(text.c_str());
    EXPECT_TRUE(result) << result.description() << "\n" << text;
    EXPECT_EQ(testsupport::xmlWellFormednessError(text), "") << text;
  }
  pugi::xml_node root() const { return document.child("svg"); }

  pugi::xml_document document;
};

TEST(MVSvgWriterPath, SquareWritesAbsolutePointsNameAndFill)
{
  const auto element = square("Square", {5, 5}, 10);
  const std::string text = MVSvgWriter::svgElementString(*element, 1.0);
  EXPECT_EQ(text, "<path id=\"Square\" d=\"M0,0 L10,0 L10,10 L0,10 Z\" fill=\"rgb(255,0,0)\" fill-opacity=\"1\" />\n");
}

TEST(MVSvgWriterPath, DisplayScaleDoublesCoordinatesAndStrokeWidthNotOpacities)
{
  const auto element = square("Square", {5, 5}, 10);
  element->setFillOpacity(0.5);
  element->setStrokeColor(pf::Color::rgb(0, 0, 1));
  element->setStrokeWidth(1.5);
  element->setStrokeOpacity(0.25);
  const ParsedBody body(MVSvgWriter::svgElementString(*element, 2.0));
  const pugi::xml_node path = body.root().child("path");
  EXPECT_STREQ(path.attribute("d").value(), "M0,0 L20,0 L20,20 L0,20 Z");
  EXPECT_STREQ(path.attribute("fill-opacity").value(), "0.5");
  EXPECT_STREQ(path.attribute("stroke").value(), "rgb(0,0,255)");
  EXPECT_STREQ(path.attribute("stroke-opacity").value(), "0.25");
  EXPECT_STREQ(path.attribute("stroke-width").value(), "3");
}

TEST(MVSvgWriterPath, FillAndStrokeAttributesFollowTheStyle)
{
  struct Case {
    const char* label;
    double fillOpacity;
    bool evenOdd;
    int cap;
    int joint;
    bool stroked;
    std::string expectedTail;
  };
  const Case cases[] = {
      {"half component rounds away from zero", 1, false, 0, 0, false, " fill=\"rgb(128,64,0)\" fill-opacity=\"1\" />\n"},
      {"no fill opacity: unfilled; mitred joins with the drawing's miter limit", 0, false, 0, 0, true,
       " fill=\"none\" stroke=\"rgb(0,0,0)\" stroke-opacity=\"1\" stroke-width=\"2\" stroke-miterlimit=\"10\" />\n"},
      {"even-odd fill rule", 1, true, 0, 0, false,
       " fill=\"rgb(128,64,0)\" fill-opacity=\"1\" fill-rule=\"evenodd\" />\n"},
      {"square caps, round joints", 0, false, 1, 1, true,
       " fill=\"none\" stroke=\"rgb(0,0,0)\" stroke-opacity=\"1\" stroke-width=\"2\" stroke-linecap=\"square\""
       " stroke-linejoin=\"round\" />\n"},
      {"round caps, bevel joints", 0, false, 2, 2, true,
       " fill=\"none\" stroke=\"rgb(0,0,0)\" stroke-opacity=\"1\" stroke-width=\"2\" stroke-linecap=\"round\""
       " stroke-linejoin=\"bevel\" />\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const auto element = square("S", {5, 5}, 10);
    element->setFillColor(pf::Color::rgb(0.5, 0.25, 0));
    element->setFillOpacity(c.fillOpacity);
    element->setEvenOddFillMode(c.evenOdd);
    element->setStrokeEndCap(c.cap);
    element->setStrokeJoints(c.joint);
    if (c.stroked) {
      element->setStrokeColor(pf::Color::black());
      element->setStrokeWidth(2);
    }
    EXPECT_EQ(MVSvgWriter::svgElementString(*element, 1.0),
              "<path id=\"S\" d=\"M0,0 L10,0 L10,10 L0,10 Z\"" + c.expectedTail);
  }
}

TEST(MVSvgWriterPath, InvisibleOrEmptyPathsWriteNothing)
{
  const auto invisible = square("S", {5, 5}, 10);
  invisible->setFillOpacity(0);  // and no stroke
  EXPECT_EQ(MVSvgWriter::svgElementString(*invisible, 1.0), "");

  auto noPath = std::make_shared<MVElementPath>();
  noPath->setFillColor(pf::Color::black());
  EXPECT_EQ(MVSvgWriter::svgElementString(*noPath, 1.0), "");

  const auto collapsed = square("S", {5, 5}, 10);
  collapsed->scaleX(0, 1);  // collapsed without a stroke: nothing is drawn
  EXPECT_EQ(MVSvgWriter::svgElementString(*collapsed, 1.0), "");

  auto notFinite = std::make_shared<MVElementPath>();
  pf::Path path;
  path.moveTo({0, 0}).lineTo({std::nan(""), 1});
  notFinite->setCgPath(std::make_shared<const pf::Path>(path));
  notFinite->setFillColor(pf::Color::black());
  EXPECT_EQ(MVSvgWriter::svgElementString(*notFinite, 1.0), "");
}

TEST(MVSvgWriterPath, CurvesAndTransformsAreWrittenInAbsoluteUnits)
{
  auto element = std::make_shared<MVElementPath>();
  pf::Path path;
  path.moveTo({0, 0}).quadCurveTo({1, 2}, {3, 4}).curveTo({5, 6}, {7, 8}, {9, 10});
  element->setCgPath(std::make_shared<const pf::Path>(path));
  element->setFillColor(pf::Color::black());
  element->setPositionX(100, 0);
  element->rotate(90);  // (x, y) -> (-y, x), then moved by 100 in x
  const ParsedBody body(MVSvgWriter::svgElementString(*element, 1.0));
  EXPECT_STREQ(body.root().child("path").attribute("d").value(), "M100,0 Q98,1 96,3 C94,5 92,7 90,9 ");
}

TEST(MVSvgWriterPath, NegativeZeroIsWrittenAsZero)
{
  auto element = std::make_shared<MVElementPath>();
  pf::Path path;
  path.moveTo({0, 2}).lineTo({3, 0});
  element->setCgPath(std::make_shared<const pf::Path>(path));
  element->setFillColor(pf::Color::black());
  element->scaleX(-1, -1);
  const ParsedBody body(MVSvgWriter::svgElementString(*element, 1.0));
  EXPECT_STREQ(body.root().child("path").attribute("d").value(), "M0,-2 L-3,0 ");
}

TEST(MVSvgWriterPath, NamesAreEscapedAndReadBack)
{
  const std::string name = "a \"quoted\" <name> & 'more'";
  const auto element = square(name, {5, 5}, 10);
  const ParsedBody body(MVSvgWriter::svgElementString(*element, 1.0));
  EXPECT_EQ(std::string(body.root().child("path").attribute("id").value()), name);
}

TEST(MVSvgWriterPath, ControlCharactersInNamesAreLeftOut)
{
  // XML 1.0 allows no control character but tab, line feed and carriage return, not even as a
  // reference: strict readers (browsers, libxml2, expat) reject the whole file.
  const auto element = square(std::string("Layer\x01\x1b") + "\t1", {5, 5}, 10);
  const ParsedBody body(MVSvgWriter::svgElementString(*element, 1.0));
  EXPECT_EQ(std::string(body.root().child("path").attribute("id").value()), "Layer\t1");

  MVElement base;
  base.setElementName(std::string("odd\x02name"));
  EXPECT_EQ(MVSvgWriter::svgElementString(base, 1.0), "<!-- element 'oddname' -->\n");
}

TEST(MVSvgWriterPath, NamesAreRepairedBeforeTheyAreWritten)
{
  const struct {
    const char* label;
    std::string name;
    std::string written;
  } cases[] = {
      {"ill-formed UTF-8", "a\xff" "b", "a\uFFFDb"},
      {"non-characters", "x\uFFFE\uFFFF", "x\uFFFD\uFFFD"},
      {"a lone surrogate", "s\xed\xa0\x80", "s\uFFFD\uFFFD\uFFFD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const ParsedBody body(MVSvgWriter::svgElementString(*square(c.name, {5, 5}, 10), 1.0));
    EXPECT_EQ(std::string(body.root().child("path").attribute("id").value()), c.written);
  }
}

TEST(MVSvgWriterPath, IdsAreUniqueWithinOneWrite)
{
  MVElementGroup root;
  root.setElementName("Artboard layers");
  // Names that differ only in a tab or a line break stay apart (readers turn raw ones into blanks).
  for (const char* name : {"Star", "Star", "Star-2", "Star", "Artboard background", "a b", "a\tb", "a\nb"}) {
    root.addElementWithoutRecalculatingPivot(square(name, {5, 5}, 10));
  }
  auto image = std::make_shared<MVElementImage>();
  image->setElementName("Star");
  image->setImageName("pic.png");
  image->setWidth(4);
  image->setHeight(4);
  image->setStrokeColor(pf::Color::black());
  image->setStrokeWidth(1);
  root.addElementWithoutRecalculatingPivot(image);
  const ParsedBody body(MVSvgWriter::svgElementString(root, 1.0, {"Artboard background"}));
  std::vector<std::string> ids;
  for (const pugi::xml_node node : body.root().children()) {
    ids.push_back(node.attribute("id").value());
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"Star", "Star-2", "Star-2-2", "Star-3", "Artboard background-2", "a b",
                                           "a\tb", "a\nb", "Star-4", "Star stroke"}));
}

TEST(MVSvgWriterPath, NumbersIgnoreTheProcessLocale)
{
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "de_DE.utf8") == nullptr) {
    GTEST_SKIP() << "no German locale on this machine";
  }
  const auto element = square("S", {5.25, 5}, 10);
  element->setFillOpacity(0.5);
  const std::string text = MVSvgWriter::svgElementString(*element, 1.0);
  std::setlocale(LC_ALL, previous.c_str());
  EXPECT_EQ(text, "<path id=\"S\" d=\"M0.25,0 L10.25,0 L10.25,10 L0.25,10 Z\" fill=\"rgb(255,0,0)\" "
                  "fill-opacity=\"0.5\" />\n");
}

TEST(MVSvgWriterGroup, ArtboardRootWritesOnlyItsChildren)
{
  MVElementGroup root;
  root.setElementName("Artboard layers");
  const auto first = square("First", {5, 5}, 10);
  const auto second = square("Second", {25, 5}, 10);
  root.addElementWithoutRecalculatingPivot(first);
  root.addElementWithoutRecalculatingPivot(second);
  EXPECT_EQ(MVSvgWriter::svgElementString(root, 1.0),
            MVSvgWriter::svgElementString(*first, 1.0) + MVSvgWriter::svgElementString(*second, 1.0));
}

TEST(MVSvgWriterGroup, GroupWithoutChildrenWritesNothing)
{
  MVElementGroup group;
  group.setElementName("Empty");
  EXPECT_EQ(MVSvgWriter::svgElementString(group, 1.0), "");
}

TEST(MVSvgWriterGroup, GroupTransformReachesChildrenAndSkipsEmptyOnes)
{
  auto group = std::make_shared<MVElementGroup>();
  group->setElementName("Layer");
  group->addElement(square("Inner", {0, 0}, 10));
  auto invisible = square("Invisible", {0, 0}, 10);
  invisible->setFillOpacity(0);
  group->addElement(invisible);
  group->setPositionX(50, 60);
  group->scaleX(2, 2);  // about the pivot (0, 0)
  const ParsedBody body(MVSvgWriter::svgElementString(*group, 1.0));
  const pugi::xml_node g = body.root().child("g");
  EXPECT_STREQ(g.attribute("id").value(), "Layer");
  EXPECT_STREQ(g.child("path").attribute("d").value(), "M40,50 L60,50 L60,70 L40,70 Z");
  EXPECT_EQ(std::distance(g.children().begin(), g.children().end()), 1);
}

TEST(MVSvgWriterGroup, ClipPathsHaveUniqueIdsEvenForCopiesSharingAnElementID)
{
  FakeElementController controller;
  controller.lastID = 41;
  auto clipped = std::make_shared<MVElementGroup>();
  clipped->setNodeController(&controller);  // element ID 42
  clipped->setElementName("Clipped");
  clipped->addElement(square("Inside", {0, 0}, 10));
  clipped->setClipPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForSquareWithSide(6)));
  ASSERT_EQ(clipped->elementID(), 42);

  MVElementGroup root;
  root.setElementName("Artboard layers");
  root.addElementWithoutRecalculatingPivot(clipped);
  root.addElementWithoutRecalculatingPivot(clipped->copy());  // same element ID
  const ParsedBody body(MVSvgWriter::svgElementString(root, 1.0));

  std::vector<std::string> clipIDs;
  for (const pugi::xml_node clip : body.root().children("clipPath")) {
    clipIDs.push_back(clip.attribute("id").value());
    EXPECT_STREQ(clip.child("path").attribute("clip-rule").value(), "evenodd");
    EXPECT_STREQ(clip.child("path").attribute("d").value(), "M-3,-3 L3,-3 L3,3 L-3,3 Z");
    // The clip path stands right before the group that refers to it.
    const pugi::xml_node group = clip.next_sibling();
    EXPECT_STREQ(group.name(), "g");
    EXPECT_EQ(std::string(group.attribute("clip-path").value()), "url(#" + clipIDs.back() + ")");
  }
  EXPECT_EQ(clipIDs, (std::vector<std::string>{"ClippingPath-42", "ClippingPath-42-2"}));
}

TEST(MVSvgWriterImage, UseOfTheSymbolWithFlippedMatrixAndOpacityBelowOne)
{
  auto image = std::make_shared<MVElementImage>();
  image->setElementName("Img");
  image->setImageName("photo #1, 'big'.png[NSImage]");
  image->setWidth(20);
  image->setHeight(10);
  image->setPositionX(50, 40);
  EXPECT_EQ(MVSvgWriter::svgElementString(*image, 1.0),
            "<use xlink:href=\"#photo 1 big.png\" id=\"Img\" width=\"20\" height=\"10\"  "
            "transform=\"matrix(1,0,0,-1,50,40) translate(-10,-5)\" />\n");

  image->setFillOpacity(0.5);
  image->setStrokeColor(pf::Color::rgb(0, 1, 0));
  image->setStrokeWidth(2);
  const ParsedBody body(MVSvgWriter::svgElementString(*image, 2.0));
  const pugi::xml_node use = body.root().child("use");
  EXPECT_STREQ(use.attribute("opacity").value(), "0.5");
  EXPECT_STREQ(use.attribute("xlink:href").value(), "#photo 1 big.png");
  EXPECT_STREQ(use.attribute("transform").value(), "matrix(2,0,0,-2,100,80) translate(-10,-5)");
  const pugi::xml_node frame = use.next_sibling("rect");
  EXPECT_STREQ(frame.attribute("id").value(), "Img stroke");
  EXPECT_STREQ(frame.attribute("fill").value(), "none");
  EXPECT_STREQ(frame.attribute("stroke").value(), "rgb(0,255,0)");
  EXPECT_STREQ(frame.attribute("stroke-width").value(), "4");
}

TEST(MVSvgWriterElement, BaseElementWritesAClosedComment)
{
  const struct {
    std::string name;
    std::string comment;
  } cases[] = {
      {"odd--name", "odd- -name"},
      {"a-\x01-b", "a- -b"},  // what is left out cannot make a new "--"
      {"a-\xff-b", "a-\uFFFD-b"},
      {"---", "- - - "},
      {"trailing-", "trailing- "},
      {"\uFFFF--\x7f", "\uFFFD- -\x7f"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MVElement element;
    element.setElementName(c.name);
    const std::string text = MVSvgWriter::svgElementString(element, 1.0);
    EXPECT_EQ(text, "<!-- element '" + c.comment + "' -->\n");
    const ParsedBody body(text + "<g id=\"after\"/>\n");
    EXPECT_TRUE(body.root().child("g"));  // the comment did not swallow what follows
  }
}

}  // namespace
