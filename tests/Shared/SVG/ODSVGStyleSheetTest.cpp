#include "Shared/SVG/ODSVGStyleSheet.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "Shared/SVG/ODSVGGroup.h"
#include "Shared/SVG/ODSVGPath.h"
#include "Shared/SVG/ODSVGStyle.h"

namespace {

std::string property(const ODSVGStyle& style, const char* name)
{
  const std::string* value = style.property(name);
  return value ? *value : "<none>";
}

TEST(SvgStyleDeclarations, TrimmedPairsAndPendingValues)
{
  for (const char* text : {"fill:red;stroke:blue", "fill : red; stroke: blue;", " fill:red ;stroke :blue ;"}) {
    SCOPED_TRACE(text);
    const ODSVGStyle style = ODSVGStyle::parseStyleString(text);
    EXPECT_EQ(style.properties().size(), 2u);
    EXPECT_EQ(property(style, "fill"), "red");
    EXPECT_EQ(property(style, "stroke"), "blue");
  }
  const ODSVGStyle odd = ODSVGStyle::parseStyleString("a; b: c");
  EXPECT_EQ(odd.properties().size(), 1u);
  EXPECT_EQ(property(odd, "b"), "a");
  EXPECT_TRUE(ODSVGStyle::parseStyleString("fill:").isEmpty());
  EXPECT_TRUE(ODSVGStyle::parseStyleString("").isEmpty());
}

TEST(SvgStyleDeclarations, MergeLetsTheArgumentWin)
{
  const ODSVGStyle base = ODSVGStyle::parseStyleString("fill:red;stroke:blue");
  const ODSVGStyle merged = base.mergedStyle(ODSVGStyle::parseStyleString("fill:green"));
  EXPECT_EQ(property(merged, "fill"), "green");
  EXPECT_EQ(property(merged, "stroke"), "blue");
}

// <svg><g class="x"><path class="a"/></g><rect/><path class="a"/><circle/></svg> plus a clip
// path group that is not among the root's children.
struct Document {
  std::shared_ptr<ODSVGGroup> svg = node<ODSVGGroup>("svg", nullptr);
  std::shared_ptr<ODSVGGroup> g = node<ODSVGGroup>("g", svg.get());
  std::shared_ptr<ODSVGPath> innerPath = node<ODSVGPath>("path", g.get());
  std::shared_ptr<ODSVGPath> rect = node<ODSVGPath>("rect", svg.get());
  std::shared_ptr<ODSVGPath> outerPath = node<ODSVGPath>("path", svg.get());
  std::shared_ptr<ODSVGPath> circle = node<ODSVGPath>("circle", svg.get());
  std::shared_ptr<ODSVGPath> detachedCircle = std::make_shared<ODSVGPath>();

  Document()
  {
    g->setClassNameList({"x"});
    innerPath->setClassNameList({"a"});
    outerPath->setClassNameList({"a"});
    circle->setIdentifier("c");
    detachedCircle->setName("circle");
    detachedCircle->setParentNode(svg.get());
  }

  template <typename Node>
  static std::shared_ptr<Node> node(const char* name, ODSVGNode* parent)
  {
    auto made = std::make_shared<Node>();
    made->setName(name);
    made->setParentNode(parent);
    if (auto* group = dynamic_cast<ODSVGGroup*>(parent)) {
      group->addChild(made);
    }
    return made;
  }
};

TEST(SvgSelectors, CombinatorsAgainstASmallTree)
{
  const Document doc;
  struct Case {
    const char* selector;
    const ODSVGNode* node;
    bool matches;
  };
  const Case cases[] = {
      {"g .a", doc.innerPath.get(), true},
      {"g .a", doc.outerPath.get(), false},
      {"svg g", doc.g.get(), true},
      {"svg > path", doc.outerPath.get(), true},
      {"svg > path", doc.innerPath.get(), false},
      {"g.x > path.a", doc.innerPath.get(), true},
      {"rect + path", doc.outerPath.get(), true},
      {"rect + circle", doc.circle.get(), false},
      {"rect ~ circle", doc.circle.get(), true},
      {"rect ~ #c", doc.circle.get(), true},
      {"path ~ rect", doc.rect.get(), false},
      {"rect ~ circle", doc.detachedCircle.get(), false},
      {"rect + circle", doc.detachedCircle.get(), false},
      {"svg circle", doc.detachedCircle.get(), true},
      {"#c", doc.circle.get(), true},
      {"#c", doc.rect.get(), false},
      {"Circle", doc.circle.get(), false},
      {".a.b", doc.innerPath.get(), false},
      {"path.", doc.innerPath.get(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selector);
    const std::shared_ptr<ODSVGStyleSheetSelector> selector = ODSVGStyleSheetSelector::initWithSelectorString(c.selector);
    ASSERT_TRUE(selector);
    EXPECT_EQ(selector->matchesNode(*c.node), c.matches);
  }
}

TEST(SvgSelectors, CompilingAndSpecificity)
{
  for (const char* refused : {"a:hover", "*", "[fill]", "@media", "p::before", "a;b", "f(x)"}) {
    SCOPED_TRACE(refused);
    EXPECT_EQ(ODSVGStyleSheetSelector::initWithSelectorString(refused), nullptr);
  }
  struct Case {
    const char* text;
    unsigned long specificity;
    std::size_t compounds;
  };
  const Case cases[] = {
      {".a", 10, 1}, {"#b", 100, 1}, {"g .a.b #c", 121, 3}, {"a>b", 1, 1}, {"a > b", 2, 2}, {"svg  g", 2, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto selector = ODSVGStyleSheetSelector::initWithSelectorString(c.text);
    ASSERT_TRUE(selector);
    EXPECT_EQ(selector->specificity(), c.specificity);
    EXPECT_EQ(selector->rawSelectors().size(), c.compounds);
  }
  // "a>b" without spaces is one compound with tag b joined by a child combinator.
  const auto joined = ODSVGStyleSheetSelector::initWithSelectorString("a>b");
  EXPECT_EQ(joined->rawSelectors()[0].tag(), "b");
  EXPECT_EQ(joined->rawSelectors()[0].combinator(), 1u);
}

TEST(SvgStyleSheet, RulesCommentsAndSpecificityOrder)
{
  const Document doc;
  ODSVGStyleSheet sheet;
  sheet.parseStyleBlock(
      ".a { fill: blue; stroke: black }\n"
      "/* a comment between rules */\n"
      "path { fill: red; opacity: 0.5 }\n"
      ".a, #c { stroke-width: 2 }\n"
      "circle:hover { fill: pink }");
  ASSERT_EQ(sheet.rules().size(), 4u);
  ASSERT_EQ(sheet.rules()[2].selectors().size(), 2u);
  EXPECT_EQ(sheet.rules()[2].selectors()[0]->specificity(), 10u);
  EXPECT_EQ(sheet.rules()[2].selectors()[1]->specificity(), 100u);
  EXPECT_TRUE(sheet.rules()[3].selectors().empty());

  const ODSVGStyle pathStyle = sheet.styleForNode(*doc.outerPath);
  EXPECT_EQ(property(pathStyle, "fill"), "blue");  // class 10 beats tag 1, though read first
  EXPECT_EQ(property(pathStyle, "opacity"), "0.5");
  EXPECT_EQ(property(pathStyle, "stroke-width"), "2");
  EXPECT_EQ(property(sheet.styleForNode(*doc.circle), "stroke-width"), "2");
  EXPECT_TRUE(sheet.styleForNode(*doc.rect).isEmpty());
}

TEST(SvgStyleSheet, CommentsInsideBlocksAndBrokenText)
{
  const Document doc;
  ODSVGStyleSheet inside;
  inside.parseStyleBlock("rect { fill: red; /* note */ stroke: blue }");
  ASSERT_EQ(inside.rules().size(), 1u);
  const ODSVGStyle style = inside.styleForNode(*doc.rect);
  EXPECT_EQ(property(style, "fill"), "<none>");  // the comment moved the start past it
  EXPECT_EQ(property(style, "stroke"), "blue");

  for (const char* broken : {"rect { fill: red", "rect { fill: red } /* open", "}}}} rect { fill: red }", "/",
                             "rect { a { b } }", "{{{{{{{{"}) {
    SCOPED_TRACE(broken);
    ODSVGStyleSheet sheet;
    sheet.parseStyleBlock(broken);
    EXPECT_LE(sheet.rules().size(), 2u);
  }
}

}  // namespace
