#include "Shared/SVG/ODSVGParser.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "Shared/SVG/ODSVG.h"
#include "Shared/SVG/ODSVGGradient.h"
#include "Shared/SVG/ODSVGImage.h"
#include "Shared/SVG/ODSVGPath.h"
#include "Shared/SVG/ODSVGPattern.h"
#include "SvgTestDocuments.h"
#include "Support/LogCapture.h"
#include "Support/PipeWatchdog.h"

namespace {

const pf::Color kRed = pf::Color::rgb(1, 0, 0);
const pf::Color kBlue = pf::Color::rgb(0, 0, 1);

template <typename Node = ODSVGNode>
std::shared_ptr<Node> child(const std::shared_ptr<ODSVGGroup>& group, std::size_t index)
{
  if (!group || index >= group->children().size()) {
    return nullptr;
  }
  return std::dynamic_pointer_cast<Node>(group->children()[index]);
}

TEST(SvgParserSize, ViewBoxAndProposedSize)
{
  struct Case {
    const char* root;
    pf::Rect viewBox;
    pf::Size proposed;
  };
  const Case cases[] = {
      {"<svg width=\"100\" height=\"0\">", {0, 0, 100, 100}, {100, 100}},
      {"<svg width=\"50%\">", {0, 0, 50, 50}, {50, 50}},
      {"<svg height=\"30\">", {0, 0, 30, 30}, {30, 30}},
      {"<svg viewBox=\"0 0 10 20\">", {0, 0, 10, 20}, {10, 20}},
      {"<svg viewBox=\"5,5,10,20\" width=\"200\">", {5, 5, 10, 20}, {200, 20}},
      {"<svg width=\"200px\" height=\"100px\" viewBox=\"0 0 20 10\">", {0, 0, 20, 10}, {200, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.root);
    const auto parser = ODSVGParser::initWithSVGString(std::string(c.root) + "</svg>");
    ASSERT_TRUE(parser);
    EXPECT_EQ(parser->viewBox(), c.viewBox);
    EXPECT_EQ(parser->proposedViewSize(), c.proposed);
    EXPECT_EQ(parser->name(), "svg");
  }
}

TEST(SvgParserErrors, CodesForUnusableText)
{
  struct Case {
    std::string text;
    long code;
  };
  const Case cases[] = {
      {"<svg width=\"10\"", ODSVGError::kXMLError},
      {"", ODSVGError::kXMLError},
      {"not xml at all", ODSVGError::kXMLError},
      {std::string("\x00\x01\xff\xfe<svg>\x07", 9), ODSVGError::kXMLError},
      {"<svg/>", ODSVGError::kNoUsableSize},
      {"<svg viewBox=\"0 0 100\"/>", ODSVGError::kNoUsableSize},
      {"<svg width=\"1e999\" height=\"5\"/>", ODSVGError::kNoUsableSize},
      {"<svg><font><glyph d=\"M0 0 L10 0\"/></font></svg>", ODSVGError::kNoUsableSize},
      {"<svg viewBox=\"0 0 9 9\"><path d=\"L1 1\"/></svg>", ODSVGError::kBuildFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ODSVGError error;
    EXPECT_EQ(ODSVGParser::initWithSVGString(c.text, &error), nullptr);
    EXPECT_EQ(error.code, c.code);
    EXPECT_EQ(ODSVG::initWithSVGString(c.text), nullptr);
  }
  ODSVGError fileError;
  EXPECT_EQ(ODSVGParser::initWithFileURL("/nonexistent/file.svg", &fileError), nullptr);
  EXPECT_EQ(fileError.code, ODSVGError::kUnreadableFile);
}

// Only regular files are read: a named pipe would block the import, a device never end.
TEST(SvgParserErrors, OnlyRegularFilesAreRead)
{
  testsupport::QuietLog quiet;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("morvalis-svg-pipe-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "folder.svg");
  const std::filesystem::path pipe = folder / "pipe.svg";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  testsupport::PipeWatchdog watchdog(pipe);  // lets a read that waits go, so the test ends
  for (const std::filesystem::path& file : {pipe, folder / "folder.svg", std::filesystem::path("/dev/zero")}) {
    SCOPED_TRACE(file.string());
    ODSVGError error;
    EXPECT_EQ(ODSVGParser::initWithFileURL(file.string(), &error), nullptr);
    EXPECT_EQ(error.code, ODSVGError::kUnreadableFile);
  }
  std::filesystem::remove_all(folder);
  EXPECT_FALSE(watchdog.blockedRead());
}

TEST(SvgParserErrors, FontDocumentNeedsNoSize)
{
  const auto font = ODSVGParser::initWithSVGString("<svg><font><glyph unicode=\"A\" d=\"M0 0 L10 10\"/></font></svg>");
  ASSERT_TRUE(font);
  EXPECT_TRUE(font->isFont());
  ASSERT_EQ(font->glyphs().size(), 1u);
  EXPECT_EQ(font->glyphs()[0]->unicode(), "0041");
  EXPECT_TRUE(font->children().empty());
}

TEST(SvgParserElements, ShapesAndTheirPaths)
{
  const auto parser = svgtest::parse(
      "<rect x=\"10\" y=\"10\" width=\"20\" height=\"10\" rx=\"4\"/>"
      "<rect x=\"10\" y=\"10\" width=\"20\" height=\"10\" ry=\"4\"/>"
      "<rect x=\"10%\" width=\"50%\" height=\"5\"/>"
      "<polygon points=\"0,0 10,0 10\"/>"
      "<polygon points=\"0,0 10,0 10,10\"/>"
      "<polyline points=\"\"/>"
      "<line x1=\"1\" y1=\"2\" x2=\"1e12\" y2=\"-4.567\"/>"
      "<circle cx=\"50\" cy=\"50\" r=\"10\"/>"
      "<ellipse cx=\"50\" cy=\"50\" rx=\"10\" ry=\"5\"/>");
  ASSERT_TRUE(parser);
  ASSERT_EQ(parser->children().size(), 9u);
  auto pathAt = [&](std::size_t i) { return child<ODSVGPath>(parser, i)->path(); };

  pf::Path both;
  both.addRoundedRect(pf::Rect(10, 10, 20, 10), 4, 4);
  EXPECT_EQ(pathAt(0), both);
  pf::Path onlyY;
  onlyY.addRoundedRect(pf::Rect(10, 10, 20, 10), 0, 4);
  EXPECT_EQ(pathAt(1), onlyY);
  EXPECT_EQ(pathAt(2).bounds(), pf::Rect(10, 0, 50, 5));
  EXPECT_FALSE(child(parser, 0)->x());  // a rect's position is in its path, not its lengths
  EXPECT_DOUBLE_EQ(child(parser, 0)->width()->value(), 20);

  EXPECT_TRUE(pathAt(3).isEmpty());
  EXPECT_TRUE(pathAt(4).isClosed());
  EXPECT_TRUE(pathAt(5).isEmpty());
  EXPECT_EQ(pathAt(6).currentPoint(), pf::Point(static_cast<double>(1e12f), -4.57));
  EXPECT_EQ(pathAt(7).bounds(), pf::Rect(40, 40, 20, 20));
  EXPECT_EQ(pathAt(8).bounds(), pf::Rect(40, 45, 20, 10));
  EXPECT_EQ(child(parser, 7)->type(), ODSVGNode::kCircle);
  EXPECT_EQ(child(parser, 7)->parentNode(), parser.get());
}

TEST(SvgParserElements, UseCopiesEarlierOrDefinedElementsOnly)
{
  const auto later = svgtest::parse("<use xlink:href=\"#c\" x=\"5\" y=\"7\"/><circle id=\"c\" r=\"3\"/>");
  ASSERT_TRUE(later);
  EXPECT_EQ(later->children().size(), 1u);  // nothing drawn for the use

  const auto earlier = svgtest::parse(
      "<circle id=\"c\" r=\"3\" fill=\"red\"/><use xlink:href=\"#c\" x=\"5\" y=\"7\" fill=\"blue\" "
      "transform=\"scale(2)\"/>");
  ASSERT_TRUE(earlier);
  ASSERT_EQ(earlier->children().size(), 2u);
  const auto wrapper = child<ODSVGGroup>(earlier, 1);
  ASSERT_TRUE(wrapper);
  EXPECT_EQ(ODSVGConcatTransforms(wrapper->transforms()), pf::AffineTransform::translation(5, 7));
  const auto copy = child<ODSVGPath>(wrapper, 0);
  ASSERT_TRUE(copy);
  EXPECT_NE(copy, earlier->children()[0]);
  EXPECT_EQ(copy->identifier(), std::nullopt);
  EXPECT_EQ(copy->fillColor(), kBlue);
  EXPECT_EQ(copy->parentNode(), wrapper.get());
  EXPECT_EQ(ODSVGConcatTransforms(copy->transforms()), pf::AffineTransform::scaling(2, 2));
  EXPECT_EQ(copy->path(), child<ODSVGPath>(earlier, 0)->path());

  const auto defined = svgtest::parse("<use xlink:href=\"#r\"/><defs><rect id=\"r\" width=\"4\" height=\"4\"/></defs>");
  ASSERT_TRUE(defined);
  EXPECT_EQ(defined->children().size(), 1u);
  for (const char* outside : {"<use xlink:href=\"other.svg#c\"/>", "<use xlink:href=\"file:///etc/passwd\"/>",
                              "<use xlink:href=\"http://example.com/a.svg#c\"/>", "<use/>"}) {
    SCOPED_TRACE(outside);
    const auto parser = svgtest::parse(std::string("<circle id=\"c\" r=\"1\"/>") + outside);
    ASSERT_TRUE(parser);
    EXPECT_EQ(parser->children().size(), 1u);
  }
}

TEST(SvgParserElements, GradientReferenceMergesAttributesAndKeepsTheReferencedStops)
{
  const auto parser = svgtest::parse(
      "<defs>"
      "<linearGradient id=\"base\" x2=\"50\"><stop offset=\"0\" stop-color=\"red\"/>"
      "<stop offset=\"100%\" stop-color=\"blue\" stop-opacity=\"0.5\"/></linearGradient>"
      "<linearGradient id=\"derived\" xlink:href=\"#base\" gradientUnits=\"userSpaceOnUse\">"
      "<stop offset=\"0.5\" stop-color=\"green\"/></linearGradient>"
      "<radialGradient id=\"round\" fx=\"0.3\"><stop style=\"stop-color: blue\"/></radialGradient>"
      "</defs>"
      "<rect width=\"10\" height=\"10\" fill=\"url(#derived)\" stroke=\"url(#round)\"/>");
  ASSERT_TRUE(parser);
  const auto rect = child(parser, 0);
  ASSERT_TRUE(rect);
  const std::shared_ptr<ODSVGGradient> fill = rect->fillGradient();
  ASSERT_TRUE(fill);
  EXPECT_EQ(fill->type(), ODSVGNode::kLinearGradient);
  EXPECT_EQ(fill->units(), 0);
  ASSERT_TRUE(fill->gradient());
  ASSERT_EQ(fill->gradient()->size(), 2u);
  EXPECT_EQ((*fill->gradient())[0].color, kRed);
  EXPECT_EQ((*fill->gradient())[1].color, kBlue.withAlpha(0.5));
  EXPECT_DOUBLE_EQ((*fill->gradient())[1].location, 1);
  EXPECT_DOUBLE_EQ(fill->x2()->value(), 50);

  const std::shared_ptr<ODSVGGradient> stroke = rect->strokeGradient();
  ASSERT_TRUE(stroke);
  EXPECT_EQ(stroke->units(), 1);
  EXPECT_EQ((*stroke->gradient())[0].color, kBlue);
}

TEST(SvgParserAttributes, StylesWinOverAttributesAndInheritanceReachesChildren)
{
  const auto parser = svgtest::parse(
      "<g fill=\"red\" stroke-width=\"3\" fill-rule=\"evenodd\"><path d=\"M0 0 L1 1\"/></g>"
      "<path style=\"fill: red\" fill=\"blue\" d=\"M0 0\"/>"
      "<path display=\"NONE\" d=\"M0 0\"/>"
      "<path fill=\"red\" fill-opacity=\"0.5\" opacity=\"50%\" stroke-dasharray=\"1, 2 3\" d=\"M0 0\"/>"
      "<path class=\"x y\" id=\"p\" mix-blend-mode=\"Multiply\" stroke-linecap=\"round\" d=\"M0 0\"/>"
      "<switch><rect width=\"1\" height=\"1\"/><circle r=\"1\"/></switch>");
  ASSERT_TRUE(parser);
  ASSERT_EQ(parser->children().size(), 6u);
  const auto inner = child(child<ODSVGGroup>(parser, 0), 0);
  ASSERT_TRUE(inner);
  EXPECT_EQ(inner->fillColor(), kRed);
  EXPECT_DOUBLE_EQ(inner->strokeWidth()->value(), 3);
  EXPECT_EQ(inner->windingRule(), 1);

  EXPECT_EQ(child(parser, 1)->fillColor(), kRed);
  EXPECT_FALSE(child(parser, 2)->shouldRender());
  const auto faded = child(parser, 3);
  EXPECT_DOUBLE_EQ(faded->fillColor()->alpha(), 0.5);
  EXPECT_EQ(faded->opacity()->type(), ODSVGUnitLength::kPercentage);
  EXPECT_EQ(faded->strokeDashArray(), (std::vector<double>{1, 2, 3}));
  const auto named = child(parser, 4);
  EXPECT_EQ(named->classNameList(), (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(named->identifier(), "p");
  EXPECT_EQ(named->blendMode(), 1);
  EXPECT_EQ(named->lineCapStyle(), 2);
  EXPECT_EQ(child<ODSVGGroup>(parser, 5)->children().size(), 2u);
}

TEST(SvgParserAttributes, StyleSheetsApplyFromTheirPlaceOn)
{
  const auto parser = svgtest::parse(
      "<path class=\"a\" d=\"M0 0\"/>"
      "<style>/* sheet */ .a { fill: red } path.a { stroke: blue } #last { fill: green }</style>"
      "<path class=\"a\" d=\"M0 0\"/>"
      "<path class=\"a\" style=\"fill: blue\" d=\"M0 0\"/>"
      "<g><defs><style><![CDATA[ g > rect { fill: blue } ]]></style></defs><rect width=\"1\" height=\"1\"/></g>");
  ASSERT_TRUE(parser);
  EXPECT_EQ(child(parser, 0)->fillColor(), std::nullopt);
  EXPECT_EQ(child(parser, 1)->fillColor(), kRed);
  EXPECT_EQ(child(parser, 1)->strokeColor(), kBlue);
  EXPECT_EQ(child(parser, 2)->fillColor(), kBlue);
  EXPECT_EQ(child(child<ODSVGGroup>(parser, 3), 0)->fillColor(), kBlue);
}

TEST(SvgParserElements, ClipPathsPatternsImagesAndNestedDocuments)
{
  const auto parser = svgtest::parse(
      "<defs><pattern id=\"p\" width=\"4\" height=\"4\"><rect width=\"2\" height=\"2\"/></pattern></defs>"
      "<clipPath id=\"c\"><rect width=\"5\" height=\"5\"/></clipPath>"
      "<rect width=\"10\" height=\"10\" clip-path=\"url(#c)\" fill=\"url(#p)\" mask=\"url(#missing)\"/>"
      "<image width=\"10\" height=\"10\" xlink:href=\"/etc/hostname\"/>"
      "<svg x=\"10\" y=\"20\" width=\"10\" height=\"10\"><rect width=\"5\" height=\"5\"/></svg>"
      "<svg x=\"1\"><rect width=\"5\" height=\"5\"/></svg>"
      "<text>skipped</text><foreignObject/><unknown/>");
  ASSERT_TRUE(parser);
  ASSERT_EQ(parser->children().size(), 3u);
  const auto rect = child(parser, 0);
  ASSERT_TRUE(rect->clipPath());
  EXPECT_EQ(rect->clipPath()->children().size(), 1u);
  ASSERT_TRUE(rect->fillPattern());
  EXPECT_EQ(rect->fillPattern()->children().size(), 1u);
  EXPECT_EQ(rect->mask(), nullptr);

  const auto image = child<ODSVGImage>(parser, 1);
  ASSERT_TRUE(image);
  EXPECT_FALSE(image->image());

  const auto nested = child(parser, 2);
  ASSERT_TRUE(nested);
  EXPECT_EQ(nested->type(), ODSVGNode::kSVG);
  EXPECT_DOUBLE_EQ(nested->x()->value(), 10);
  ASSERT_TRUE(nested->svg());
  EXPECT_EQ(nested->svg()->viewBox(), pf::Rect(0, 0, 10, 10));
  EXPECT_EQ(parser->subSVGs(false).size(), 1u);
}

// Documents written to hurt: each ends with an error code, quickly, and without a crash.
struct HostileCase {
  const char* name;
  std::string body;
};

std::string repeated(const std::string& text, int count)
{
  std::string result;
  for (int i = 0; i < count; ++i) {
    result += text;
  }
  return result;
}

std::string useBomb()
{
  std::string bomb = "<defs><path id=\"u0\" d=\"M0 0 L1 1\"/>";
  for (int level = 1; level <= 12; ++level) {
    bomb += "<g id=\"u" + std::to_string(level) + "\">";
    bomb += repeated("<use xlink:href=\"#u" + std::to_string(level - 1) + "\"/>", 10);
    bomb += "</g>";
  }
  return bomb + "</defs><use xlink:href=\"#u12\"/>";
}

const HostileCase kHostileCases[] = {
    {"DeepNesting", repeated("<g>", 20000) + repeated("</g>", 20000)},
    {"NestedDocuments", repeated("<svg width=\"10\" height=\"10\">", 400) + repeated("</svg>", 400)},
    {"StyleMatching", "<style>rect ~ g { fill: red }</style><g>" + repeated("<g/>", 30000) + "</g>"},
    {"UseCycle", "<g id=\"a\"><use xlink:href=\"#a\"/></g>"},
    {"MutualUseCycle", "<defs><g id=\"a\"><use xlink:href=\"#b\"/></g><g id=\"b\"><use xlink:href=\"#a\"/></g>"
                       "</defs><use xlink:href=\"#a\"/>"},
    {"GradientCycle", "<defs><linearGradient id=\"a\" xlink:href=\"#b\"/><linearGradient id=\"b\" "
                      "xlink:href=\"#a\"/></defs><rect width=\"1\" height=\"1\" fill=\"url(#a)\"/>"},
    {"PaintCycle", "<defs><pattern id=\"p\"><rect width=\"1\" height=\"1\" fill=\"url(#p)\"/></pattern></defs>"
                   "<rect width=\"1\" height=\"1\" fill=\"url(#p)\"/>"},
};

class SvgParserHostileDocument : public testing::TestWithParam<HostileCase> {};

TEST_P(SvgParserHostileDocument, EndsInABuildError)
{
  ODSVGError error;
  EXPECT_EQ(svgtest::parse(GetParam().body, &error), nullptr);
  EXPECT_EQ(error.code, ODSVGError::kBuildFailed);
}

INSTANTIATE_TEST_SUITE_P(Limits, SvgParserHostileDocument, testing::ValuesIn(kHostileCases),
                         [](const testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.name); });

TEST(SvgParserHostile, UseBombStopsAtTheElementLimit)
{
  // Ten uses per level over twelve levels would expand to 10^12 elements. A lower limit than
  // the default keeps the debug run short; the check is the same.
  ODSVGParser::Budget budget;
  budget.maxElements = 20000;
  ODSVGError error;
  EXPECT_EQ(ODSVGParser::initWithSVGString(svgtest::document(useBomb()), &error, nullptr, budget), nullptr);
  EXPECT_EQ(error.code, ODSVGError::kBuildFailed);
  EXPECT_TRUE(budget.exhausted);
  EXPECT_LE(budget.elements, 20001u);

  // A modest expansion stays within the limit and is drawn in full.
  std::string fewUses = "<defs><circle id=\"c\" r=\"1\"/></defs>" + repeated("<use xlink:href=\"#c\"/>", 500);
  const auto parser = svgtest::parse(fewUses);
  ASSERT_TRUE(parser);
  EXPECT_EQ(parser->children().size(), 500u);
}

TEST(SvgParserHostile, HugeNumbersAndJunkInsideElementsDoNotCrash)
{
  const auto parser = svgtest::parse(
      "<path d=\"M1e400 -1e400 L1e308 1e308 C1e308 1e308 -1e308 -1e308 1e308 0 A1e308 1e-308 1e308 1 1 0 0 "
      "Q nan inf 1 1 T\x01\x02 99999999999999999999999 1\"/>"
      "<rect width=\"1e39\" height=\"-5\" rx=\"1e300\"/>"
      "<circle r=\"-1e400\"/>"
      "<polygon points=\"1e309 1e309 2 2\"/>"
      "<g transform=\"matrix(1e308 1e308 1e308 1e308 1e308 1e308) rotate(1e308 1e308) skewX(90)\"/>"
      "<path fill=\"rgb(1e309, -1e309, nan)\" stroke=\"hsl(1e309, 1e309%, 1e309%)\" d=\"M0 0\"/>"
      "<path stroke-dasharray=\"1e308 -1e308\" opacity=\"1e999%\" d=\"M0 0\"/>");
  ASSERT_TRUE(parser);
  EXPECT_EQ(parser->children().size(), 7u);
}

}  // namespace
