#include "Shared/VectorParser/VectorParserEPSReader.h"

#include <string>

#include <gtest/gtest.h>

#include "Support/LogCapture.h"

namespace {

// A small EPS file around a body. The prolog defines the aliases drawing programs use.
std::string eps(const std::string& body, const std::string& prolog = "", bool epsf3 = true)
{
  return std::string(epsf3 ? "%!PS-Adobe-3.0 EPSF-3.0\n" : "%!PS-Adobe-2.0\n") +
         "%%BoundingBox: 0 0 200 200\n%%EndComments\n%%BeginProlog\n" + prolog +
         "\n%%EndProlog\n%%BeginSetup\n%%EndSetup\n%%BeginPageSetup\n%%EndPageSetup\n" + body +
         "\n%%PageTrailer\n%%Trailer\n%%EOF\n";
}

VectorParserPathStruct readOne(const std::string& text)
{
  const auto paths = VectorParserEPSReader::parserPathsFromEPSString(text);
  if (!paths || paths->size() != 1) {
    ADD_FAILURE() << "expected one record";
    return {};
  }
  return paths->front();
}

pf::Rect boxOf(const VectorParserPathStruct& record)
{
  const auto box = record.path.bounds();
  if (!box) {
    ADD_FAILURE() << "empty path";
    return {};
  }
  return *box;
}

TEST(EPSSubsetReader, OneLineWithAliasesIsSplitAfterEachOperator)
{
  const VectorParserPathStruct record = readOne(eps("0 0 m 10 0 l 10 10 l f"));
  EXPECT_TRUE(record.fill);
  const pf::Rect box = boxOf(record);
  EXPECT_EQ(box, pf::Rect(-5, -5, 10, 10));
  // The triangle: its right-angle corner at (10, 0) is inside, the opposite one is not.
  EXPECT_TRUE(record.path.contains({4, -4}, pf::FillRule::NonZero));
  EXPECT_FALSE(record.path.contains({-4, 4}, pf::FillRule::NonZero));
}

TEST(EPSSubsetReader, PrologAliasesInTheirThreeForms)
{
  struct Case {
    const char* prolog;
    const char* body;
  };
  const Case cases[] = {
      {"/_m/moveto ldf\n/_l/lineto ldf\n/_f/fill ldf", "0 0 _m 10 0 _l 10 10 _l _f"},
      {"/M1 { moveto } bind def\n/L1 {lineto} def\n/F1 { fCol fill } bd", "0 0 M1 10 0 L1 10 10 L1 F1"},
      {"/mv/moveto\n/ln/lineto\n/fl/fill", "0 0 mv 10 0 ln 10 10 ln fl"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prolog);
    EXPECT_EQ(boxOf(readOne(eps(c.body, c.prolog))), pf::Rect(-5, -5, 10, 10));
  }
}

TEST(EPSSubsetReader, LastFillDecidesTheRule)
{
  const std::string body = "0 0 moveto 10 0 lineto 10 10 lineto eofill\n20 0 moveto 30 0 lineto 30 10 lineto ";
  EXPECT_TRUE(readOne(eps(body + "eofill")).evenOdd);
  EXPECT_FALSE(readOne(eps(body + "fill")).evenOdd);
}

TEST(EPSSubsetReader, ClipInsideTheFilledShapeIsAddedInstead)
{
  const std::string prolog = "/cp {clip newpath} bd";
  const std::string clip = "10 10 m 20 10 l 20 20 l 10 20 l h cp\n";
  const VectorParserPathStruct inside = readOne(eps(clip + "0 0 m 100 0 l 100 100 l 0 100 l h f", prolog));
  EXPECT_EQ(boxOf(inside).size, pf::Size(10, 10));
  // A clip bigger than the shape leaves the shape.
  const VectorParserPathStruct outside = readOne(eps(clip + "12 12 m 14 12 l 14 14 l h f", prolog));
  EXPECT_EQ(boxOf(outside).size, pf::Size(2, 2));
}

TEST(EPSSubsetReader, FilledThenStrokedSubpathIsAddedOnce)
{
  const VectorParserPathStruct record = readOne(eps("0 0 m 10 0 l 10 10 l h f\n0 0 m 10 0 l 10 10 l h S"));
  EXPECT_EQ(record.path.elementCount(), 4u);
  EXPECT_TRUE(record.stroke);
}

TEST(EPSSubsetReader, MatrixTranslationAndScale)
{
  // A 10-unit square at the origin, then one drawn under "cm" (or "scale"), then one after "CM".
  struct Case {
    const char* transform;
    const char* restore;
    pf::Size size;
  };
  const Case cases[] = {
      {"1 0 0 1 100 200 cm", "CM", {110, 210}},
      {"1 0 0 1 100 200 cm", "Q", {110, 210}},
      {"2 2 scale", "Q", {20, 20}},
      {"1 0 0 1 100 200 cm\n2 2 scale", "Q", {120, 220}},
      // Nested: "q" saves, "Q" restores what was saved.
      {"1 0 0 1 100 0 cm q\n1 0 0 1 0 50 cm", "Q", {110, 60}},
  };
  const std::string square = "0 0 m 10 0 l 10 10 l 0 10 l h f\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.transform);
    const std::string body = square + c.transform + "\n" + square + c.restore + "\n" + square;
    EXPECT_EQ(boxOf(readOne(eps(body, "/q { gsave } bind def\n/Q { grestore } bind def"))).size, c.size);
  }
}

TEST(EPSSubsetReader, LetterOperatorsOnlyInEPSF3Files)
{
  // Files that use the letter operators write one operator per line.
  const std::string body = "0 0 m\n10 0 L\n10 10 20 10 30 30 C\nf";
  EXPECT_EQ(boxOf(readOne(eps(body))).size, pf::Size(30, 30));
  testsupport::LogCapture log;
  EXPECT_TRUE(VectorParserEPSReader::parserPathsFromEPSString(eps(body, "", false))->empty());
}

TEST(EPSSubsetReader, RoundsCoordinatesToFourDecimals)
{
  const VectorParserPathStruct record = readOne(eps("0 0 m 1.23456 0 l 0 -1.23456 l f"));
  EXPECT_DOUBLE_EQ(boxOf(record).width(), 1.2346);
  EXPECT_DOUBLE_EQ(boxOf(record).height(), 1.2346);
}

TEST(EPSSubsetReader, StrokedLinesAndColours)
{
  const VectorParserPathStruct record =
      readOne(eps("0.5 0 1 rgb\n2.5 setlinewidth\n0 0 m 10 10 l S\n0 0 0 1 cmyk 0 0 m 5 5 l S", ""));
  EXPECT_TRUE(record.stroke);
  EXPECT_EQ(record.strokeWidth, 2.5);
  EXPECT_EQ(record.strokeRGB, (VectorParserRGB{0, 0, 0}));
  const VectorParserPathStruct colored = readOne(eps("0.5 0 1 rgb 0 0 m 10 10 l S"));
  EXPECT_EQ(colored.strokeRGB, (VectorParserRGB{0.5, 0, 1}));
  const VectorParserPathStruct gray = readOne(eps("0.25 g 0 0 m 10 0 l 0 10 l f", "/g { setgray } bind def"));
  EXPECT_EQ(gray.fillRGB, (VectorParserRGB{0.25, 0.25, 0.25}));
}

TEST(EPSSubsetReader, CairoStyleRectanglesAndClips)
{
  const std::string prolog = "/q { gsave } bind def\n/Q { grestore } bind def\n/f { fill } bind def\n"
                             "/f* { eofill } bind def\n/n { newpath } bind def\n/W { clip } bind def\n"
                             "/rg { setrgbcolor } bind def";
  // The page flip of a 100-point page, a page-size clip and two rectangles.
  const VectorParserPathStruct record =
      readOne(eps("q 0 0 100 100 rectclip\n1 0 0 -1 0 100 cm q\n0 0 100 100 re W n\n1 0 0 rg\n10 10 30 20 re f\n"
                  "60 60 10 10 re f*\nQ Q",
                  prolog));
  EXPECT_TRUE(record.evenOdd);
  EXPECT_EQ(record.fillRGB, (VectorParserRGB{1, 0, 0}));
  // 10..70 wide; y-up after the flip: 100 - 30 = 70 up to 100 - 10 = 90, and 30 to 40.
  EXPECT_EQ(boxOf(record).size, pf::Size(60, 60));
  EXPECT_TRUE(record.path.contains({-30 + 15, 30 - 10}, pf::FillRule::NonZero));
}

TEST(EPSSubsetReader, CairoRectfillIsAFilledRectangle)
{
  const VectorParserPathStruct record =
      readOne(eps("q 0 0 80 40 rectclip\n1 0 0 -1 0 40 cm q\n0.5 g\n0 0 80 40 rectfill 10 10 5 5 rectfill\nQ Q",
                  "/g { setgray } bind def"));
  EXPECT_EQ(boxOf(record).size, pf::Size(80, 40));
  EXPECT_EQ(record.path.elementCount(), 10u);
  EXPECT_EQ(record.fillRGB, (VectorParserRGB{0.5, 0.5, 0.5}));
}

TEST(EPSSubsetReader, FailuresAreLoggedAndEmpty)
{
  testsupport::LogCapture log;
  EXPECT_TRUE(VectorParserEPSReader::parserPathsFromEPSString("%!PS\n0 0 m 1 1 l f\n")->empty());
  EXPECT_EQ(log.count("ERROR creating path from EPS data, could not find the vector data in the EPS file"), 1);
  EXPECT_TRUE(VectorParserEPSReader::parserPathsFromEPSString(eps("1 0 0 rgb"))->empty());
  EXPECT_EQ(log.count("ERROR, no points found in EPS data"), 1);
  // A short line is logged and skipped; the rest is read.
  const VectorParserPathStruct record = readOne(eps("5 m\n0 0 m 4 0 l 4 4 l f"));
  EXPECT_EQ(log.count("WARNING: Badly formatted EPS data, too few components on line '5 m'"), 1);
  EXPECT_EQ(boxOf(record).size, pf::Size(4, 4));
}

TEST(EPSSubsetReader, HostileTextGivesNoCrashAndFinitePaths)
{
  testsupport::QuietLog quiet;
  std::string manyAliases;
  for (int i = 0; i < 5000; ++i) {
    manyAliases += "/a" + std::to_string(i % 100) + "/op" + std::to_string(i) + " ldf\n";
  }
  std::string deepSaves;
  for (int i = 0; i < 100000; ++i) {
    deepSaves += "q ";
  }
  const std::string cases[] = {
      eps("1e308 1e308 m -1e308 -1e308 l f"),
      eps("0 0 m 1 1 l f", manyAliases),
      eps(deepSaves + "0 0 m 1 1 l f", "/q { gsave } bind def"),
      eps("m l c re cm S f h W n"),
      eps("nan inf m 1 1 l f"),
      "%%EndPageSetup",
      "x%%EndPageSetup%%PageTrailer",
      "%%PageTrailer xx %%EndPageSetup",
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text.substr(0, 60));
    const auto paths = VectorParserEPSReader::parserPathsFromEPSString(text);
    ASSERT_TRUE(paths.has_value());
    for (const VectorParserPathStruct& record : *paths) {
      EXPECT_TRUE(record.path.isFinite());
    }
  }
}

}  // namespace
