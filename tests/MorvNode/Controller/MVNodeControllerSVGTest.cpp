#include "MorvNode/Controller/MVNodeController.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "MorvNode/Elements/MVElementImage.h"
#include "MorvNode/Elements/MVSharedGraphicsStore.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/ArtboardNode.h"
#include "MorvNode/Nodes/ElementNode.h"
#include "MorvNode/Nodes/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeTestSupport.h"
#include "Platform/Image.h"
#include "Platform/ImageCodec.h"

namespace {

// An element node whose element shows the shared image named by `imageName`.
class SharedImageNode : public ElementNode {
public:
  static const MVNodeClass& nodeClassInfo()
  {
    static const MVNodeClass info = [] {
      MVNodeClass nodeClass = ElementNode::nodeClassInfo();
      nodeClass.className = "SvgExportTestImageNode";
      nodeClass.create = [] { return std::make_unique<SharedImageNode>(); };
      return nodeClass;
    }();
    return info;
  }
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  std::shared_ptr<MVElement> generateElement() override
  {
    auto image = std::make_shared<MVElementImage>();
    image->setElementName("Picture");
    image->setImageName(imageName);
    image->setWidth(8);
    image->setHeight(4);
    return image;
  }

  std::string imageName;
};

std::vector<std::uint8_t> decodedBase64(std::string_view text)
{
  static constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::vector<std::uint8_t> result;
  std::uint32_t accumulator = 0;
  int bits = 0;
  for (const char c : text) {
    const std::size_t digit = alphabet.find(c);
    if (digit == std::string_view::npos) {
      continue;  // line feeds and padding
    }
    accumulator = (accumulator << 6) | static_cast<std::uint32_t>(digit);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      result.push_back(static_cast<std::uint8_t>((accumulator >> bits) & 0xff));
    }
  }
  return result;
}

std::shared_ptr<const std::vector<std::uint8_t>> bytes(std::string_view text)
{
  return std::make_shared<const std::vector<std::uint8_t>>(text.begin(), text.end());
}

class SvgExportTest : public NodeGraphTest {
protected:
  SvgExportTest() { MVClassRegistry::shared().registerNodeClass(SharedImageNode::nodeClassInfo()); }

  SharedImageNode* imageNode(const std::string& imageName)
  {
    auto* node = add<SharedImageNode>("SvgExportTestImageNode");
    node->imageName = imageName;
    connectToLayer(node);
    return node;
  }
  // The three strings inside a document as the export frames them, parsed.
  void parseDocument(pugi::xml_document& document)
  {
    const std::string text = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">\n" +
                             controller().svgArtboardBackgroundString() + controller().svgSymbolDefinitionsString() +
                             controller().svgOutputElementString() + "</svg>\n";
    const pugi::xml_parse_result result = document.load_string(text.c_str());
    ASSERT_TRUE(result) << result.description() << "\n" << text;
  }
};

TEST_F(SvgExportTest, BackgroundRectangleFollowsTheArtboard)
{
  regenerate();
  EXPECT_EQ(controller().svgArtboardBackgroundString(),
            "<rect x=\"0\" y=\"0\" width=\"200\" height=\"200\" fill=\"rgb(255,255,255)\" opacity=\"1\" "
            "id=\"Artboard background\"/>\n");

  artboard().backgroundColorParameter()->setColor(pf::Color::rgb(0.5, 0, 1));
  artboard().backgroundOpacityParameter()->setValue(0.25);
  artboard().sizeParameter()->setValueX(300, 150);
  regenerate();
  EXPECT_EQ(controller().svgArtboardBackgroundString(),
            "<rect x=\"0\" y=\"0\" width=\"300\" height=\"150\" fill=\"rgb(128,0,255)\" opacity=\"0.25\" "
            "id=\"Artboard background\"/>\n");

  artboard().backgroundOpacityParameter()->setValue(0);
  regenerate();
  EXPECT_EQ(controller().svgArtboardBackgroundString(), "");
  artboard().backgroundOpacityParameter()->setValue(1);
  artboard().backgroundColorParameter()->setEnabled(false);
  regenerate();
  EXPECT_EQ(controller().svgArtboardBackgroundString(), "");
}

TEST_F(SvgExportTest, OutputWithoutSharedGraphicsHasNoDefinitions)
{
  EXPECT_EQ(controller().svgOutputElementString(), "");  // no output yet
  connectToLayer(add<ElementShapeNode>("ElementShapeNode"));
  regenerate();
  controller().sharedGraphicsStore()->storeSharedElementGraphicObject(bytes("<svg />"), "unused");
  EXPECT_EQ(controller().svgSymbolDefinitionsString(), "");
  EXPECT_EQ(controller().svgOutputElementString(),
            "<g id=\"Top layer\">\n<path id=\"Rectangle\" d=\"M-15,-15 L15,-15 L15,15 L-15,15 Z\" "
            "fill=\"rgb(0,0,0)\" fill-opacity=\"1\" />\n</g>\n");
}

TEST_F(SvgExportTest, EmbeddedSvgBecomesASymbolWithItsIdsSetAside)
{
  controller().sharedGraphicsStore()->storeSharedElementGraphicObject(
      bytes("<?xml version=\"1.0\"?>\n<SVG xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 8 4\">"
            "<rect id=\"inner\" width=\"8\" height=\"4\"/></SVG>\n"),
      "drawing.svg");
  imageNode("drawing.svg[NSImage]");
  regenerate();

  pugi::xml_document document;
  parseDocument(document);
  const pugi::xml_node svg = document.child("svg");
  const pugi::xml_node symbol = svg.child("defs").child("symbol");
  EXPECT_STREQ(symbol.attribute("id").value(), "drawing.svg");
  EXPECT_STREQ(symbol.child("rect").attribute("id_original").value(), "inner");
  EXPECT_FALSE(symbol.child("rect").attribute("id"));
  const pugi::xml_node use = svg.child("g").child("use");
  EXPECT_STREQ(use.attribute("xlink:href").value(), "#drawing.svg");
}

TEST_F(SvgExportTest, EmbeddedSvgWithALineBreakAfterTheTagAndDeclaredEntities)
{
  // As drawing programs write them: the attributes of the root on lines of their own, and
  // namespaces given through entities of the document type, which the symbol leaves behind.
  controller().sharedGraphicsStore()->storeSharedElementGraphicObject(
      bytes("<?xml version=\"1.0\"?>\n<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" "
            "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\" [\n"
            "  <!ENTITY ns_extend \"http://ns.example.com/Extensibility/1.0/\">\n"
            "  <!ENTITY % parameter \"unused\">\n"
            "  <!ENTITY ns_svg 'http://www.w3.org/2000/svg'>\n]>\n"
            "<svg\n   xmlns:x=\"&ns_extend;\" xmlns=\"&ns_svg;\"\n   viewBox=\"0 0 8 4\">"
            "<rect id=\"inner\" width=\"8\" height=\"4\"/></svg>\n"),
      "drawing.svg");
  imageNode("drawing.svg[NSImage]");
  regenerate();

  const std::string definitions = controller().svgSymbolDefinitionsString();
  EXPECT_EQ(definitions.find('&'), std::string::npos) << definitions;
  pugi::xml_document document;
  parseDocument(document);
  const pugi::xml_node symbol = document.child("svg").child("defs").child("symbol");
  EXPECT_STREQ(symbol.attribute("id").value(), "drawing.svg");
  EXPECT_STREQ(symbol.attribute("xmlns:x").value(), "http://ns.example.com/Extensibility/1.0/");
  EXPECT_STREQ(symbol.attribute("xmlns").value(), "http://www.w3.org/2000/svg");
  EXPECT_STREQ(symbol.attribute("viewBox").value(), "0 0 8 4");
  EXPECT_STREQ(symbol.child("rect").attribute("id_original").value(), "inner");
}

TEST_F(SvgExportTest, PixelImagesAndDataThatIsNoSvgBecomePngSymbols)
{
  std::optional<pf::Bitmap> pixels = pf::Bitmap::create(8, 4);
  ASSERT_TRUE(pixels);
  pixels->fill({255, 0, 0, 255});
  const std::optional<std::vector<std::uint8_t>> png = pf::encodePng(*pixels);
  ASSERT_TRUE(png);
  // A bitmap stored as an image, and the same picture stored as data under an "[NSImage]" name
  // (no SVG text: written as PNG as well instead of being left out).
  controller().sharedGraphicsStore()->storeSharedElementGraphicObject(
      std::make_shared<const pf::Image>(pf::Image::fromBitmap(*pixels)), "photo #1.png");
  controller().sharedGraphicsStore()->storeSharedElementGraphicObject(
      std::make_shared<const std::vector<std::uint8_t>>(*png), "scan.png");
  controller().sharedGraphicsStore()->storeSharedElementGraphicObject(
      std::make_shared<const pf::Image>(pf::Image::fromBitmap(*pixels)), "scan.png[NSImage]");
  imageNode("photo #1.png");
  imageNode("scan.png[NSImage]");
  regenerate();

  pugi::xml_document document;
  parseDocument(document);
  std::vector<std::string> ids;
  for (const pugi::xml_node symbol : document.child("svg").child("defs").children("symbol")) {
    ids.push_back(symbol.attribute("id").value());
    EXPECT_STREQ(symbol.attribute("viewBox").value(), "0 0 8 4");
    const pugi::xml_node image = symbol.child("image");
    EXPECT_STREQ(image.attribute("width").value(), "8");
    const std::string href = image.attribute("xlink:href").value();
    const std::string prefix = "data:image/png;base64,";
    ASSERT_EQ(href.rfind(prefix, 0), 0u);
    const std::string base64 = href.substr(prefix.size());
    EXPECT_EQ(base64.find(' '), 64u);  // lines of 64 characters (XML reads the line feeds as blanks)
    const auto picture = pf::decodePng(decodedBase64(base64));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->bitmap.width(), 8);
    EXPECT_EQ(picture->bitmap.pixel(3, 2).red, 255);
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"photo 1.png", "scan.png"}));
}

}  // namespace
