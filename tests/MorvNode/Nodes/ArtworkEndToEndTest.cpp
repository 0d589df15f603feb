#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "MorvNode/Elements/RenderTestSupport.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "NodeTestSupport.h"
#include "Platform/Image.h"
#include "Platform/ImageCodec.h"
#include "Platform/PdfDocument.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Support/StrictXml.h"

// From saved records to pictures: a document's node and connection records are loaded into a
// controller, generated on the manual run loop, drawn into a PNG and a PDF and written as the
// SVG body of an export, and every output is read back.
namespace {

using pf::PlistValue;
using rendertest::kBlack;
using rendertest::kBlue;
using rendertest::kGreen;
using rendertest::kRed;
using rendertest::kWhite;
using rendertest::pixelNear;
using Dictionary = PlistValue::Dictionary;

Dictionary parameter(const std::string& parameterClass, const std::string& name, Dictionary values = {})
{
  values.set("Parameter class", parameterClass);
  values.set("Parameter name", name);
  return values;
}

Dictionary size(const std::string& name, double x, double y)
{
  return parameter("MVParameterValue2D", name, {{"ValueX", x}, {"ValueY", y}, {"Aspect Locked", false}});
}

Dictionary color(const std::string& name, const pf::Color& value, bool enabled)
{
  Dictionary record = parameter("MVParameterColor", name, {{"Enabled", enabled}});
  DictionaryValueExtras::setColor(record, value, "Color");
  return record;
}

Dictionary value(const std::string& name, double number)
{
  return parameter("MVParameterValue", name, {{"Value", number}});
}

Dictionary node(const std::string& nodeClass, const std::string& nodeId, std::vector<Dictionary> parameters)
{
  PlistValue::Array records;
  for (Dictionary& record : parameters) {
    records.emplace_back(std::move(record));
  }
  return {{"Node class", nodeClass}, {"Node id", nodeId}, {"Node view origin", "{0, 0}"},
          {"Parameters", PlistValue(std::move(records))}};
}

Dictionary connection(const std::string& fromNode, const std::string& toNode, const std::string& toParameter)
{
  return {{"From parameter name", "Graphics"}, {"From parameter nodeId", fromNode},
          {"From parameter socket index", 0},  {"To parameter name", toParameter},
          {"To parameter nodeId", toNode},     {"To parameter socket index", 0}};
}

Dictionary layer(int number, const std::string& displayName)
{
  return parameter("MVParameterGraphicsLayer", "OutputLayer" + std::to_string(number),
                   {{"Display Name", displayName}, {"Visible", true}});
}

// A 200 x 100 artboard on white: a red 80 x 60 rectangle centred on (60, 50) on the bottom
// layer, a black 160-long line of width 4 along y = 90 on the middle layer, and a blue circle of
// diameter 40 with a green stroke of width 4 centred on (100, 50) on the top layer, overlapping
// the rectangle's right end.
class ArtworkEndToEndTest : public NodeGraphTest {
protected:
  ArtworkEndToEndTest()
  {
    // The fixture's own artboard goes: the document's records bring theirs.
    controller().removeAllNodes();
    PlistValue::Array nodes;
    Dictionary artboardRecord =
        node("ArtboardNode", "1",
             {layer(1, "Top layer"), layer(2, "Middle layer"), layer(3, "Bottom layer"), size("Size", 200, 100),
              color("Background Color", pf::Color::white(), true), value("Background Opacity", 1)});
    artboardRecord.set("Layer Counter", 3);
    nodes.emplace_back(std::move(artboardRecord));
    nodes.emplace_back(node("ElementShapeNode", "2",
                            {parameter("MVParameterIndex", "Type", {{"Index", 1}}), size("Size", 80, 60),
                             size("Position", 60, 50), color("Fill Color", pf::Color::rgb(1, 0, 0), true)}));
    nodes.emplace_back(node("ElementShapeNode", "3",
                            {parameter("MVParameterIndex", "Type", {{"Index", 0}}), size("Size", 40, 40),
                             size("Position", 100, 50), color("Fill Color", pf::Color::rgb(0, 0, 1), true),
                             color("Stroke Color", pf::Color::rgb(0, 1, 0), true), value("Stroke Width", 4)}));
    nodes.emplace_back(node("ElementLineNode", "4",
                            {size("Size", 160, 0), size("Position", 100, 90), value("Stroke Width", 4)}));
    controller().setNodeIDCounter(4);
    controller().loadNodesFromArray(nodes);
    controller().loadConnectionsFromArray({PlistValue(connection("2", "1", "OutputLayer3")),
                                           PlistValue(connection("4", "1", "OutputLayer2")),
                                           PlistValue(connection("3", "1", "OutputLayer1"))});
    controller().scheduleRegenerationForced();
    runLoop.advance(MVNodeController::kRegenerationDelay);
  }

  // A renderer set up by the controller for its output at scale 1.
  void setUp(MVElementRenderer& renderer)
  {
    controller().setupRenderingThread(&renderer);
    renderer.setInputRenderingElement(controller().outputElement());
    renderer.setDisplayScale(1);
    renderer.setRetinaScaling(1);
  }

  static void expectArtwork(const pf::Bitmap& picture)
  {
    ASSERT_EQ(picture.width(), 200);
    ASSERT_EQ(picture.height(), 100);
    EXPECT_TRUE(pixelNear(picture, 40, 50, kRed));
    EXPECT_TRUE(pixelNear(picture, 90, 50, kBlue));    // the top layer covers the rectangle
    EXPECT_TRUE(pixelNear(picture, 100, 30, kGreen));  // the circle's stroke
    EXPECT_TRUE(pixelNear(picture, 100, 90, kBlack));
    EXPECT_TRUE(pixelNear(picture, 175, 90, kBlack));
    EXPECT_TRUE(pixelNear(picture, 190, 90, kWhite));
    EXPECT_TRUE(pixelNear(picture, 150, 50, kWhite));
    EXPECT_TRUE(pixelNear(picture, 5, 5, kWhite));
  }
};

TEST_F(ArtworkEndToEndTest, RecordsGenerateTheLayeredTree)
{
  EXPECT_EQ(controller().nodeArray().size(), 4u);
  EXPECT_EQ(controller().connectionArray().size(), 3u);
  EXPECT_EQ(controller().artboardSize(), pf::Size(200, 100));
  const auto root = std::dynamic_pointer_cast<const MVElementGroup>(controller().outputElement());
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->elementName(), "Artboard layers");
  std::vector<std::string> layers;
  std::vector<std::string> elements;
  for (const auto& child : root->elementArray()) {
    layers.push_back(child->elementName().value_or("?"));
    const auto* group = dynamic_cast<const MVElementGroup*>(child.get());
    ASSERT_NE(group, nullptr);
    elements.push_back(group->elementArray().front()->elementName().value_or("?"));
  }
  EXPECT_EQ(layers, (std::vector<std::string>{"Bottom layer", "Middle layer", "Top layer"}));
  EXPECT_EQ(elements, (std::vector<std::string>{"Rectangle", "Line", "Ellipse"}));
  EXPECT_EQ(controller().numberOfElements(), 3);
  // Loading and generation went without a single warning.
  EXPECT_EQ(log.lines(), std::vector<std::string>{});
}

TEST_F(ArtworkEndToEndTest, BitmapWrittenAsPngShowsTheArtwork)
{
  MVElementRenderer renderer;
  setUp(renderer);
  renderer.startRendering();
  const std::shared_ptr<const pf::Bitmap> bitmap = renderer.outputBitmap();
  ASSERT_NE(bitmap, nullptr);
  const std::optional<std::vector<std::uint8_t>> png = pf::encodePng(*bitmap);
  ASSERT_TRUE(png);
  const std::optional<pf::DecodedBitmap> decoded = pf::decodePng(*png);
  ASSERT_TRUE(decoded);
  expectArtwork(decoded->bitmap);
}

TEST_F(ArtworkEndToEndTest, PdfReadsBackThroughPopplerAsTheArtwork)
{
  MVElementRenderer renderer;
  setUp(renderer);
  const std::optional<std::vector<std::uint8_t>> pdf = renderer.renderDocument(pf::Surface::Kind::Pdf);
  ASSERT_TRUE(pdf);
  const std::optional<pf::Image> page = pf::Image::fromPdf(*pdf);
  ASSERT_TRUE(page);
  EXPECT_EQ(page->size(), pf::Size(200, 100));
  const std::optional<pf::Bitmap> picture = page->renderedBitmap(1.0);
  ASSERT_TRUE(picture);
  expectArtwork(*picture);
}

TEST_F(ArtworkEndToEndTest, SvgBodyNamesLayersPathsAndColours)
{
  const std::string body = controller().svgArtboardBackgroundString() + controller().svgSymbolDefinitionsString() +
                           controller().svgOutputElementString();
  const std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
                           "width=\"200\" height=\"100\">\n" + body + "</svg>\n";
  EXPECT_EQ(testsupport::xmlWellFormednessError(text), "") << text;
  pugi::xml_document document;
  const pugi::xml_parse_result result = document.load_string(text.c_str());
  ASSERT_TRUE(result) << result.description() << "\n" << text;
  const pugi::xml_node svg = document.child("svg");
  EXPECT_FALSE(svg.child("defs"));  // no shared graphics

  const pugi::xml_node background = svg.child("rect");
  EXPECT_STREQ(background.attribute("id").value(), "Artboard background");
  EXPECT_STREQ(background.attribute("fill").value(), "rgb(255,255,255)");
  EXPECT_STREQ(background.attribute("width").value(), "200");

  struct Expected {
    const char* layer;
    const char* id;
    const char* d;
    const char* fill;
    const char* stroke;
    const char* strokeWidth;
  };
  const Expected expected[] = {
      {"Bottom layer", "Rectangle", "M20,20 L100,20 L100,80 L20,80 Z", "rgb(255,0,0)", "", ""},
      {"Middle layer", "Line", "M20,90 L180,90 ", "none", "rgb(0,0,0)", "4"},
      {"Top layer", "Ellipse", nullptr, "rgb(0,0,255)", "rgb(0,255,0)", "4"},
  };
  std::size_t index = 0;
  for (const pugi::xml_node group : svg.children("g")) {
    ASSERT_LT(index, std::size(expected));
    const Expected& e = expected[index++];
    SCOPED_TRACE(e.layer);
    EXPECT_STREQ(group.attribute("id").value(), e.layer);
    const pugi::xml_node path = group.child("path");
    EXPECT_STREQ(path.attribute("id").value(), e.id);
    if (e.d != nullptr) {
      EXPECT_STREQ(path.attribute("d").value(), e.d);
    }
    EXPECT_STREQ(path.attribute("fill").value(), e.fill);
    EXPECT_STREQ(path.attribute("stroke").value(), e.stroke);
    EXPECT_STREQ(path.attribute("stroke-width").value(), e.strokeWidth);
  }
  EXPECT_EQ(index, std::size(expected));
  // The circle starts on its right-hand point and is made of four curves.
  const std::string circle = svg.find_child_by_attribute("g", "id", "Top layer").child("path").attribute("d").value();
  EXPECT_EQ(circle.rfind("M120,50 C", 0), 0u) << circle;
  EXPECT_EQ(std::count(circle.begin(), circle.end(), 'C'), 4);
}

}  // namespace
