#include "Shared/SVG/ODSVGTransform.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

void expectPoint(pf::Point actual, pf::Point expected)
{
  EXPECT_NEAR(actual.x, expected.x, 1e-9);
  EXPECT_NEAR(actual.y, expected.y, 1e-9);
}

TEST(SvgTransformList, ParsesEntriesInOrderAndSkipsUnknownNames)
{
  const std::vector<ODSVGTransform> list = ODSVGTransform::transformsForString("translate(10) scale(2)");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].command(), ODSVGTransform::kTranslate);
  EXPECT_EQ(list[0].parameters(), std::vector<double>{10});
  EXPECT_EQ(list[0].CGAffineTransform(), pf::AffineTransform(1, 0, 0, 1, 10, 0));
  EXPECT_EQ(list[1].CGAffineTransform(), pf::AffineTransform(2, 0, 0, 2, 0, 0));

  struct Case {
    const char* text;
    std::vector<long> commands;
  };
  const Case cases[] = {
      {"SCALE(2)", {ODSVGTransform::kScale}},
      {"foo(1) rotate(3)", {ODSVGTransform::kRotate}},
      {"translate(1,2)rotate(3)", {ODSVGTransform::kTranslate, ODSVGTransform::kRotate}},
      {"skewX(10), skewY(20) matrix(1 0 0 1 0 0)",
       {ODSVGTransform::kSkewX, ODSVGTransform::kSkewY, ODSVGTransform::kMatrix}},
      {"rotate(45", {}},
      {"", {}},
      {"((((((((((", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<long> commands;
    for (const ODSVGTransform& t : ODSVGTransform::transformsForString(c.text)) {
      commands.push_back(t.command());
    }
    EXPECT_EQ(commands, c.commands);
  }
}

TEST(SvgTransformList, HostileTextStaysLinear)
{
  // Many open names with no closing parenthesis, then many entries: one pass either way.
  std::string text(200000, 'a');
  text += "(";
  EXPECT_TRUE(ODSVGTransform::transformsForString(text).empty());
  std::string many;
  for (int i = 0; i < 20000; ++i) {
    many += "translate(1)";
  }
  EXPECT_EQ(ODSVGTransform::transformsForString(many).size(), 20000u);
}

TEST(SvgTransformMatrix, RotationsAndDefaults)
{
  const ODSVGTransform aboutCentre(ODSVGTransform::kRotate, {90, 10, 10});
  expectPoint(aboutCentre.CGAffineTransform().apply(pf::Point(20, 10)), {10, 20});
  const ODSVGTransform plain(ODSVGTransform::kRotate, {90});
  expectPoint(plain.CGAffineTransform().apply(pf::Point(1, 0)), {0, 1});
  // Arguments the text left out.
  EXPECT_TRUE(ODSVGTransform(ODSVGTransform::kRotate, {}).CGAffineTransform().isIdentity());
  EXPECT_TRUE(ODSVGTransform(ODSVGTransform::kMatrix, {2, 0, 0}).CGAffineTransform().isIdentity());
  EXPECT_EQ(ODSVGTransform(ODSVGTransform::kScale, {3}).CGAffineTransform(), pf::AffineTransform(3, 0, 0, 3, 0, 0));
  expectPoint(ODSVGTransform(ODSVGTransform::kSkewX, {45}).CGAffineTransform().apply(pf::Point(0, 1)), {1, 1});
  expectPoint(ODSVGTransform(ODSVGTransform::kSkewY, {45}).CGAffineTransform().apply(pf::Point(1, 0)), {1, 1});
  EXPECT_EQ(ODSVGTransform::transformByTranslatingX(5, 7).CGAffineTransform(),
            pf::AffineTransform::translation(5, 7));
}

TEST(SvgTransformConcat, FirstEntryActsFirst)
{
  const std::vector<ODSVGTransform> list = ODSVGTransform::transformsForString("translate(10) scale(2)");
  expectPoint(ODSVGConcatTransforms(list).apply(pf::Point(1, 0)), {22, 0});
  EXPECT_TRUE(ODSVGConcatTransforms({}).isIdentity());
}

TEST(SvgTransformText, DecompositionAndMatrixText)
{
  using Texts = std::vector<std::string>;
  EXPECT_EQ(ODSVGTransform::affineTransformToSVGTransformAttributeString(pf::AffineTransform()), Texts{"scale(1)"});
  EXPECT_EQ(ODSVGTransform::affineTransformToSVGTransformAttributeString(pf::AffineTransform(1, 0, 0, 1, 5, 7)),
            Texts{"translate(5, 7)"});
  EXPECT_EQ(ODSVGTransform::affineTransformToSVGTransformAttributeString(
                pf::AffineTransform::rotation(30 * 3.141592653589793 / 180)),
            Texts{"rotate(30)"});
  EXPECT_EQ(ODSVGTransform::affineTransformToSVGTransformAttributeString(pf::AffineTransform::scaling(2, 2)),
            Texts{"scale(2)"});
  EXPECT_EQ(ODSVGTransform::affineTransformToSVGMatrixString(pf::AffineTransform()), "matrix(1,0,0,1,0,0)");
  EXPECT_EQ(ODSVGTransform::affineTransformToSVGMatrixString(pf::AffineTransform(0.5, 0, 0, 2, -3, 1e-7)),
            "matrix(0.5,0,0,2,-3,1e-07)");
}

TEST(SvgTransformText, RotationAboutAPointRoundTrips)
{
  const pf::AffineTransform matrix = ODSVGTransform(ODSVGTransform::kRotate, {90, 10, 10}).CGAffineTransform();
  const std::vector<ODSVGTransform> back = ODSVGTransform::transformsFromAffineTransform(matrix);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].command(), ODSVGTransform::kRotate);
  expectPoint(ODSVGConcatTransforms(back).apply(pf::Point(20, 10)), {10, 20});
}

}  // namespace
