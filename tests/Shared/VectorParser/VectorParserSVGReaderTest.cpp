#include "Shared/VectorParser/VectorParserSVGReader.h"

#include <string>

#include <gtest/gtest.h>

#include "Support/LogCapture.h"

namespace {

VectorParserPaths readBody(const std::string& body, const std::string& rootAttributes = "")
{
  return VectorParserSVGReader::parserPathsFromSVGString(
      "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100\" height=\"100\"" +
      rootAttributes + ">\n" + body + "\n</svg>\n");
}

// The record's path box; fails the test without a record.
pf::Rect boxOf(const VectorParserPaths& paths)
{
  EXPECT_EQ(paths.size(), 1u);
  if (paths.empty() || !paths.front().path.bounds()) {
    ADD_FAILURE() << "no path";
    return {};
  }
  return *paths.front().path.bounds();
}

void expectBox(const pf::Rect& box, double minX, double minY, double width, double height)
{
  EXPECT_NEAR(box.minX(), minX, 1e-6);
  EXPECT_NEAR(box.minY(), minY, 1e-6);
  EXPECT_NEAR(box.width(), width, 1e-6);
  EXPECT_NEAR(box.height(), height, 1e-6);
}

TEST(SVGSubsetReader, ShapeSizesAndCentring)
{
  struct Case {
    const char* body;
    double width;
    double height;
  };
  const Case cases[] = {
      {R"~(<path d="M0 0 L10 0"/>)~", 10, 0},
      {R"~(<ellipse cx="0" cy="0" rx="10" ry="5"/>)~", 20, 10},
      {R"~(<circle cx="50" cy="50" r="4"/>)~", 8, 8},
      {R"~(<rect x="5" y="5" width="30" height="12"/>)~", 30, 12},
      {R"~(<polygon points="0,0 10,0 10,20"/>)~", 10, 20},
      {R"~(<polyline points="0 0 4 3"/>)~", 4, 3},
      {R"~(<line x1="1" y1="1" x2="7" y2="9"/>)~", 6, 8},
      // Absolute H and V move the current point.
      {R"~(<path d="M0 0 H10 V5 H0 Z"/>)~", 10, 5},
      // Relative commands continue from the current point.
      {R"~(<path d="m10 10 l5 0 l0 5 h-5 z"/>)~", 5, 5},
      // Line breaks separate numbers.
      {"<path d=\"M0\n0\nL4\n3\"/>", 4, 3},
      // A cubic repeats for every further group of six numbers.
      {R"~(<path d="M0 0 C10 0 10 0 10 0 20 0 20 0 20 0"/>)~", 20, 0},
      // Quadratic with reflection.
      {R"~(<path d="M0 0 Q5 10 10 0 T20 0"/>)~", 20, 10},
      // A group that starts with a one-character number is not a repeat.
      {R"~(<path d="M0 0 C10 0 10 0 10 0 5 0 50 0 50 0"/>)~", 10, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    const pf::Rect box = boxOf(readBody(c.body));
    expectBox(box, -c.width / 2.0, -c.height / 2.0, c.width, c.height);
  }
}

TEST(SVGSubsetReader, PairsAfterAMoveAreLinesAndPairsAfterALineAreLines)
{
  struct Case {
    const char* data;
    double width;
    double height;
  };
  const Case cases[] = {
      {"M0 0 10 0 10 10", 10, 10},
      {"m10 10 10 0 0 10", 10, 10},
      {"M0,0 40,0 40,30 z", 40, 30},
      // Pairs that start with a zero or a one-digit number continue the move as well.
      {"M0 0 1 0 1 1", 1, 1},
      // After a relative move the pairs are relative lines; a second move starts a new sub-path.
      {"m0 0 20 0 0 20 z m30 0 5 0 0 5", 35, 20},
      {"M0 0 10 10 L 20 0", 20, 10},
      // A lone last number after a move is no pair.
      {"M0 0 10 0 10 10 5", 10, 10},
      {"M0 0 L 20 0 20 10 30 10", 30, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data);
    expectBox(boxOf(readBody(std::string("<path d=\"") + c.data + "\"/>")), -c.width / 2.0, -c.height / 2.0,
              c.width, c.height);
  }
}

TEST(SVGSubsetReader, ArcFlagsNeedNoSeparators)
{
  // A half circle of radius 5 from (0, 0) to (10, 0), written with and without separators.
  for (const char* data : {"M0 0 a5 5 0 0 1 10 0", "M0 0 a5 5 0 0110 0", "M0 0 a5,5,0,01,10,0", "M0 0 A5 5 0 1 1 10 0"}) {
    SCOPED_TRACE(data);
    expectBox(boxOf(readBody(std::string("<path d=\"") + data + "\"/>")), -5, -2.5, 10, 5);
  }
}

TEST(SVGSubsetReader, FlipsYUp)
{
  // A big square at the top of the text and a small bar at its bottom: after the flip the
  // square lies at the larger y. Box in text space: 0..10 x 0..100, centred on the origin.
  const VectorParserPaths paths = readBody(R"~(<rect x="0" y="0" width="10" height="10"/>)~"
                                           "\n" R"~(<rect x="0" y="90" width="2" height="10"/>)~");
  ASSERT_EQ(paths.size(), 1u);
  const pf::Path& path = paths.front().path;
  EXPECT_TRUE(path.contains({0, 45}, pf::FillRule::NonZero));
  EXPECT_TRUE(path.contains({-4, -45}, pf::FillRule::NonZero));
  EXPECT_FALSE(path.contains({0, -45}, pf::FillRule::NonZero));
}

TEST(SVGSubsetReader, GroupTransformAppliesUntilTheFirstClosingGroup)
{
  // Left edges: 0 (shape inside the translated group), 100 (own transform only), and 0 again
  // after the inner group closed although the outer one is still open.
  const VectorParserPaths paths = readBody(R"~(<g transform="translate(10,0)">)~"
                                           R"~(<rect x="0" y="0" width="5" height="5"/>)~"
                                           R"~(<rect x="0" y="20" width="5" height="5" transform="translate(100,0)"/>)~"
                                           R"~(<g></g>)~"
                                           R"~(<rect x="-50" y="40" width="5" height="5"/>)~"
                                           R"~(</g>)~");
  // Boxes, in text coordinates: [10,15]x[0,5], [100,105]x[20,25], [-50,-45]x[40,45].
  expectBox(boxOf(paths), -77.5, -22.5, 155, 45);
}

TEST(SVGSubsetReader, LinearGradientIsNoLineButAGlyphIsAGroup)
{
  EXPECT_TRUE(readBody(R"~(<linearGradient id="a" x1="0" y1="0" x2="10" y2="0"></linearGradient>)~").empty());
  const VectorParserPaths withGradient =
      readBody(R"~(<linearGradient x1="0" y1="0" x2="1000" y2="0"/><rect width="10" height="10"/>)~");
  EXPECT_TRUE(withGradient.front().fill);
  expectBox(boxOf(withGradient), -5, -5, 10, 10);
  // A glyph tag with a transform sets the group transform.
  expectBox(boxOf(readBody(R"~(<glyph transform="scale(2)"/><rect width="10" height="10"/>)~")), -10, -10, 20, 20);
}

TEST(SVGSubsetReader, EvenOddOnlyFromTheRootStyle)
{
  const char* shape = R"~(<rect width="10" height="10"/>)~";
  EXPECT_TRUE(readBody(shape, R"~( style="fill-rule:evenodd;")~").front().evenOdd);
  EXPECT_FALSE(readBody(shape, R"~( fill-rule="evenodd")~").front().evenOdd);
  EXPECT_FALSE(readBody(shape).front().evenOdd);
}

TEST(SVGSubsetReader, StyleOfTheLastElementWins)
{
  const VectorParserPaths paths = readBody(R"~(<rect width="10" height="10" fill="#ff0000" stroke="blue"/>)~"
                                           R"~(<circle cx="5" cy="5" r="3" fill="none" stroke-width="2.5"/>)~");
  ASSERT_EQ(paths.size(), 1u);
  const VectorParserPathStruct& record = paths.front();
  EXPECT_FALSE(record.fill);
  EXPECT_EQ(record.fillRGB, (VectorParserRGB{1, 0, 0}));
  EXPECT_TRUE(record.stroke);
  EXPECT_EQ(record.strokeRGB, (VectorParserRGB{0, 0, 1}));
  EXPECT_EQ(record.strokeWidth, 2.5);

  const VectorParserPathStruct lineOnly = readBody(R"~(<line x1="0" y1="0" x2="5" y2="0"/>)~").front();
  EXPECT_FALSE(lineOnly.fill);
}

TEST(SVGSubsetReader, ClassesFromAnIndentedStyleBlock)
{
  const VectorParserPaths paths = readBody("<style type=\"text/css\">\n\t.st0{fill:#00FF00;stroke:#0000ff}\n"
                                           "\t.st1{fill:none}\n</style>\n"
                                           R"~(<rect class="st0" width="10" height="10"/>)~");
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_TRUE(paths.front().fill);
  EXPECT_EQ(paths.front().fillRGB, (VectorParserRGB{0, 1, 0}));
  EXPECT_EQ(paths.front().strokeRGB, (VectorParserRGB{0, 0, 1}));
  // An attribute on the element wins over its class.
  const VectorParserPaths own = readBody("<style>.a{fill:#00FF00;}</style>"
                                         R"~(<rect fill="#FF0000" class="a" width="10" height="10"/>)~");
  EXPECT_EQ(own.front().fillRGB, (VectorParserRGB{1, 0, 0}));
}

TEST(SVGSubsetReader, PolygonWithTrailingSeparatorGainsTheMissingPoint)
{
  const pf::Rect box = boxOf(readBody(R"~(<polygon points="0,0 10,0 10,10,"/>)~"));
  EXPECT_NEAR(box.width(), 10009.0, 1e-6);
}

TEST(SVGSubsetReader, OpenAndClosedSubpathsShareTheElementTransform)
{
  const pf::Rect box = boxOf(readBody(R"~(<path transform="translate(100,0) scale(2)" d="M0 0 L5 0 Z M0 10 L5 10"/>)~"));
  expectBox(box, -5, -10, 10, 20);
}

TEST(SVGSubsetReader, EmptyAndMissingInput)
{
  testsupport::LogCapture log;
  EXPECT_TRUE(VectorParserSVGReader::parserPathsFromSVGString("<html><body/></html>").empty());
  EXPECT_EQ(log.count("ERROR parsing SVG, could not find start <svg> tag"), 1);
  log.clear();
  EXPECT_TRUE(readBody(R"~(<text x="1">hello</text><path d=""/><rect width="0" height="4"/>)~").empty());
  EXPECT_TRUE(log.lines().empty());
}

TEST(SVGSubsetReader, HostileTextGivesNoCrashAndFinitePaths)
{
  testsupport::QuietLog quiet;
  std::string deep;
  for (int i = 0; i < 20000; ++i) {
    deep += R"~(<g transform="scale(1.5)">)~";
  }
  const std::string cases[] = {
      deep + R"~(<rect width="1" height="1"/>)~",
      R"~(<path d="M1e308 1e308 L-1e308 -1e308 C1e308 0 0 1e308 5 5"/>)~",
      R"~(<path d="A 5 5 0 1 1"/><path d="M0 0 A"/>)~",
      R"~(<path d="M 0 0 a 0 0 0 0 0 10 10 a 1e-300 1e-300 0 0 0 0 1e-300"/>)~",
      R"~(<path d="l5 5 h3 v3 s1 1 2 2 t4 4 z z z"/>)~",
      R"~(<style>{fill:#fff}}}{{.x{</style><rect class="x" width="3" height="3"/>)~",
      R"~(<rect width="1e999" height="1e999"/><circle r="nan"/>)~",
      std::string(5000, '<') + std::string(5000, '>'),
  };
  for (const std::string& body : cases) {
    SCOPED_TRACE(body.substr(0, 60));
    for (const VectorParserPathStruct& record : readBody(body)) {
      EXPECT_TRUE(record.path.isFinite());
    }
  }
  // Text cut anywhere never reads past its end.
  const std::string whole = "<svg><path d=\"M0 0 C 1 2 3 4 5 6 A 3 3 0 0 1 9 9 Z\" fill=\"#123\"/></svg>";
  for (std::size_t length = 0; length <= whole.size(); ++length) {
    VectorParserSVGReader::parserPathsFromSVGString(std::string_view(whole).substr(0, length));
  }
}

}  // namespace
