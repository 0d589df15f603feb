#include "MorvNode/Controller/MVNodeController.h"

#include <algorithm>
#include <memory>
#include <vector>
#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "MorvNode/Elements/MVElementImage.h"
#include "MorvNode/Elements/MVSharedGraphicsStore.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "MorvNode/Nodes/Elements/ElementNode.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeTestSupport.h"
#include "Platform/Image.h"
#include "Platform/ImageCodec.h"
#include "Support/LogCapture.h"
#include "Support/StrictXml.h"

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
    EXPECT_EQ(testsupport::xmlWellFormednessError(text), "") << text;
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

// Stored SVG files that a textual rewrite turned into exports no strict reader takes.
TEST_F(SvgExportTest, HostileStoredSvgStillGivesAWellFormedExport)
{
  const std::string ns = "xmlns='http://www.w3.org/2000/svg'";
  const struct {
    const char* label;
    std::string file;
    std::string rootAttribute;  // name=value expected on the symbol, or empty
    std::string text;           // the text of the first text node, or empty
  } cases[] = {
      {"single-quoted id on the root", "<svg " + ns + " id='top'><rect id='r'/></svg>", "id_original=top", ""},
      {"an entity holding a double quote, in an attribute",
       "<!DOCTYPE svg [<!ENTITY q '\"'>]><svg " + ns + " class=\"a&q;b\"><rect/></svg>", "class=a\"b", ""},
      {"an entity defined through an earlier one",
       "<!DOCTYPE svg [<!ENTITY a 'x&lt;'><!ENTITY b '&a;&a;'>]><svg " + ns + "><text>&b;</text></svg>", "",
       "x<x<"},
      {"an svg tag inside a comment before the root",
       "<!-- <svg width='1'> --><svg " + ns + " width='2'><!-- <svg --><rect/></svg>", "width=2", ""},
      {"a repeated attribute", "<svg " + ns + " width='1' width='2'><rect/></svg>", "width=1", ""},
      {"id and id_original both present", "<svg " + ns + " id='a' id_original='b'/>", "id_original=b", ""},
      {"references to characters XML cannot hold", "<svg " + ns + "><text>&#1;&#xFFFF;ok</text></svg>", "",
       "\uFFFD\uFFFDok"},
      {"raw control characters", "<svg " + ns + "><text>a\x02" "b</text></svg>", "", "ab"},
      {"names a namespace-aware reader refuses",
       "<svg " + ns + " :a='1' b:c='2' xmlns:d='urn:d' d:e='3' xmlns:xml='urn:x' xmlns:n=''><f:g/><d:h/></svg>",
       "d:e=3", ""},
      {"one attribute under two prefixes of one namespace",
       "<svg " + ns + " xmlns:a='urn:same' xmlns:b='urn:same' a:k='1' b:k='2'/>", "a:k=1", ""},
  };
  // One image node per file, all in one export.
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string name = "drawing" + std::to_string(i) + ".svg";
    controller().sharedGraphicsStore()->storeSharedElementGraphicObject(bytes(cases[i].file), name);
    imageNode(name + "[NSImage]");
  }
  regenerate();
  pugi::xml_document document;
  parseDocument(document);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.label);
    const pugi::xml_node symbol = document.child("svg").child("defs").find_child_by_attribute(
        "symbol", "id", ("drawing" + std::to_string(i) + ".svg").c_str());
    ASSERT_TRUE(symbol);
    if (!c.rootAttribute.empty()) {
      const std::size_t equals = c.rootAttribute.find('=');
      EXPECT_EQ(symbol.attribute(c.rootAttribute.substr(0, equals).c_str()).value(), c.rootAttribute.substr(equals + 1));
    }
    if (!c.text.empty()) {
      EXPECT_EQ(std::string(symbol.child("text").text().get()), c.text);
    }
  }
}

TEST_F(SvgExportTest, NestedEntitiesAreExpandedOnlyUpToALimit)
{
  // Ten levels of ten references each: a few hundred bytes that stand for 10^10 characters.
  std::string file = "<!DOCTYPE svg [<!ENTITY e0 'lol'>";
  for (int level = 1; level <= 10; ++level) {
    file += "<!ENTITY e" + std::to_string(level) + " '";
    for (int i = 0; i < 10; ++i) {
      file += "&e" + std::to_string(level - 1) + ";";
    }
    file += "'>";
  }
  file += "]><svg xmlns='http://www.w3.org/2000/svg'><text>&e10;</text></svg>";
  controller().sharedGraphicsStore()->storeSharedElementGraphicObject(bytes(file), "laughs.svg");
  imageNode("laughs.svg[NSImage]");
  regenerate();
  testsupport::LogCapture log;
  pugi::xml_document document;
  parseDocument(document);
  EXPECT_FALSE(document.child("svg").child("defs").child("symbol"));
  EXPECT_EQ(log.countContaining("expand beyond the size limit"), 1);
}

TEST_F(SvgExportTest, RepeatedNamesAndSymbolNamesGiveUniqueIds)
{
  controller().sharedGraphicsStore()->storeSharedElementGraphicObject(bytes("<svg xmlns='http://www.w3.org/2000/svg'/>"),
                                                                        "Picture");
  imageNode("Picture[NSImage]");  // its element is named "Picture" too
  imageNode("Picture[NSImage]");
  // Two stored names that become one symbol name once quotes are left out, and two that become
  // one id once their ill-formed bytes are replaced.
  for (const char* name : {"a'b", "ab", "\x96'c", "\xfc" "c"}) {
    controller().sharedGraphicsStore()->storeSharedElementGraphicObject(
        bytes("<svg xmlns='http://www.w3.org/2000/svg'/>"), name);
    imageNode(std::string(name) + "[NSImage]");
  }
  regenerate();
  pugi::xml_document document;
  parseDocument(document);
  std::vector<std::string> ids;
  std::vector<pugi::xml_node> pending{document.child("svg")};
  while (!pending.empty()) {
    const pugi::xml_node node = pending.back();
    pending.pop_back();
    if (const pugi::xml_attribute id = node.attribute("id")) {
      ids.push_back(id.value());
    }
    for (const pugi::xml_node child : node.children()) {
      pending.push_back(child);
    }
  }
  std::vector<std::string> sorted = ids;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << testing::PrintToString(ids);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), "Picture"), 1);
}

}  // namespace
