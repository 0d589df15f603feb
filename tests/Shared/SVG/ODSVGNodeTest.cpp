#include "Shared/SVG/ODSVGNode.h"

#include <string>

#include <gtest/gtest.h>

#include "Platform/Bitmap.h"
#include "Platform/ImageCodec.h"
#include "Shared/SVG/ODSVGDef.h"
#include "Shared/SVG/ODSVGGroup.h"
#include "Shared/SVG/ODSVGImage.h"
#include "Shared/SVG/ODSVGPath.h"

namespace {

const pf::Color kRed = pf::Color::rgb(1, 0, 0);

// A root group holding a group holding a path.
struct SmallTree {
  std::shared_ptr<ODSVGGroup> root = std::make_shared<ODSVGGroup>();
  std::shared_ptr<ODSVGGroup> group = std::make_shared<ODSVGGroup>();
  std::shared_ptr<ODSVGPath> path = std::make_shared<ODSVGPath>();

  SmallTree()
  {
    root->addChild(group);
    group->setParentNode(root.get());
    group->addChild(path);
    path->setParentNode(group.get());
  }
};

TEST(SvgNodeInheritance, GettersAskTheParentUntilAValueIsFound)
{
  SmallTree tree;
  tree.group->setFillColor(kRed);
  EXPECT_EQ(tree.path->fillColor(), kRed);
  EXPECT_EQ(tree.path->strokeColor(), std::nullopt);

  tree.root->setWindingRule(1);
  EXPECT_EQ(tree.path->windingRule(), 1);
  tree.root->setWindingRule(2);
  EXPECT_EQ(tree.path->windingRule(), 2);

  tree.root->setStrokeWidth(ODSVGUnitLength::unitWithFloat(3));
  EXPECT_DOUBLE_EQ(tree.path->strokeWidth()->value(), 3);
  tree.root->setLineJoinStyle(3);
  EXPECT_EQ(tree.path->lineJoinStyle(), 3);
  EXPECT_EQ(tree.path->lineCapStyle(), 4);

  // A fill opacity of a new node is its own (1), not the parent's.
  tree.group->setFillOpacity(ODSVGUnitLength::unitWithFloat(0.5));
  EXPECT_DOUBLE_EQ(tree.path->fillOpacity()->value(), 1.0);
  // "inherit" leaves no own value: the parent answers.
  tree.path->setFillOpacity(std::nullopt);
  EXPECT_DOUBLE_EQ(tree.path->fillOpacity()->value(), 0.5);
}

TEST(SvgNodeCopy, HoldsInheritedValuesAsItsOwn)
{
  SmallTree tree;
  tree.group->setFillColor(kRed);
  tree.path->currentSubpath().moveTo({0, 0}).lineTo({5, 5});
  tree.path->setStrokeDashArray({1, 2});

  const std::shared_ptr<ODSVGNode> copy = tree.path->copy();
  auto pathCopy = std::dynamic_pointer_cast<ODSVGPath>(copy);
  ASSERT_TRUE(pathCopy);
  copy->setParentNode(nullptr);
  EXPECT_EQ(copy->fillColor(), kRed);
  EXPECT_EQ(pathCopy->path(), tree.path->path());
  EXPECT_EQ(copy->strokeDashArray(), (std::vector<double>{1, 2}));

  const std::shared_ptr<ODSVGNode> groupCopy = tree.root->copy();
  auto rootCopy = std::dynamic_pointer_cast<ODSVGGroup>(groupCopy);
  ASSERT_TRUE(rootCopy);
  ASSERT_EQ(rootCopy->children().size(), 1u);
  EXPECT_NE(rootCopy->children()[0], tree.group);
  EXPECT_EQ(rootCopy->children()[0]->parentNode(), rootCopy.get());
}

TEST(SvgNodeTypes, NamesInAnyCaseHtmlAndUnknown)
{
  using Kind = ODSVGNode::XMLKind;
  EXPECT_EQ(ODSVGNode::typeForString("linearGradient", Kind::Element), ODSVGNode::kLinearGradient);
  EXPECT_EQ(ODSVGNode::typeForString("LINEARGRADIENT", Kind::Element), ODSVGNode::kLinearGradient);
  EXPECT_EQ(ODSVGNode::typeForString("clipPath", Kind::Element), ODSVGNode::kClipPath);
  EXPECT_EQ(ODSVGNode::typeForString("div", Kind::Element), ODSVGNode::kGroup);
  EXPECT_EQ(ODSVGNode::typeForString("foreignObject", Kind::Element), ODSVGNode::kUnknown);
  EXPECT_EQ(ODSVGNode::typeForString("", Kind::Text), ODSVGNode::kTSpan);
  EXPECT_EQ(ODSVGNode::typeForString("", Kind::Other), ODSVGNode::kUnknown);
}

TEST(SvgNodeDefinitions, FiledByIdentifierAndFoundUpTheChain)
{
  SmallTree tree;
  auto named = std::make_shared<ODSVGPath>();
  named->setIdentifier("a");
  tree.root->addDef(named);
  tree.root->addDef(std::make_shared<ODSVGPath>());  // no identifier: not filed
  EXPECT_EQ(tree.path->defForID("a"), named);
  EXPECT_EQ(tree.path->defForID("b"), nullptr);

  auto replacement = std::make_shared<ODSVGPath>();
  replacement->setIdentifier("a");
  tree.root->addDef(replacement);
  EXPECT_EQ(tree.root->defForID("a"), replacement);
}

TEST(SvgNodePath, AutoClosingAddsACloseOnlyToAnOpenSegment)
{
  ODSVGPath lines;
  lines.currentSubpath().moveTo({0, 0}).lineTo({1, 0}).lineTo({1, 1});
  const std::optional<pf::Path> closed = lines.newPathRefByAutoClosingPath(true);
  ASSERT_TRUE(closed);
  EXPECT_EQ(closed->elementCount(), 4u);
  EXPECT_TRUE(closed->isClosed());
  EXPECT_EQ(lines.newPathRefByAutoClosingPath(false)->elementCount(), 3u);

  ODSVGPath move;
  move.currentSubpath().moveTo({2, 2});
  EXPECT_EQ(move.newPathRefByAutoClosingPath(true)->elementCount(), 1u);
  EXPECT_EQ(ODSVGPath().newPathRefByAutoClosingPath(true), std::nullopt);
}

std::string base64(const std::vector<std::uint8_t>& bytes)
{
  static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned v = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    text += {alphabet[(v >> 18) & 63], alphabet[(v >> 12) & 63], alphabet[(v >> 6) & 63], alphabet[v & 63]};
  }
  if (i + 1 == bytes.size()) {
    const unsigned v = bytes[i] << 16;
    text += {alphabet[(v >> 18) & 63], alphabet[(v >> 12) & 63], '=', '='};
  } else if (i + 2 == bytes.size()) {
    const unsigned v = (bytes[i] << 16) | (bytes[i + 1] << 8);
    text += {alphabet[(v >> 18) & 63], alphabet[(v >> 12) & 63], alphabet[(v >> 6) & 63], '='};
  }
  return text;
}

TEST(SvgNodeImage, LoadsDataUrlsBrokenOverLinesAndNothingElse)
{
  const std::optional<pf::Bitmap> bitmap = pf::Bitmap::create(3, 2);
  ASSERT_TRUE(bitmap);
  const std::optional<std::vector<std::uint8_t>> png = pf::encodePng(*bitmap);
  ASSERT_TRUE(png);
  std::string encoded = base64(*png);
  std::string broken;
  for (std::size_t i = 0; i < encoded.size(); i += 10) {
    broken += encoded.substr(i, 10) + "\n   ";
  }

  ODSVGImage image;
  image.loadFromBase64EncodedString("data:image/png;base64,\n  " + broken);
  ASSERT_TRUE(image.image());
  EXPECT_DOUBLE_EQ(image.image()->size().width, 3);

  for (const char* text : {"file:///etc/passwd", "/tmp/picture.png", "http://example.com/a.png",
                           "data:image/png;base64,!!!!", "data:image/png;base64", "data:,hello"}) {
    SCOPED_TRACE(text);
    ODSVGImage refused;
    refused.loadFromBase64EncodedString(text);
    EXPECT_FALSE(refused.image());
  }
}

TEST(SvgNodeImage, OutlineIsTheNodeSize)
{
  ODSVGImage image;
  image.setWidth(ODSVGUnitLength::unitWithFloat(4));
  image.setHeight(ODSVGUnitLength::unitWithFloat(2));
  const std::optional<pf::Rect> box = image.path()->path().bounds();
  ASSERT_TRUE(box);
  EXPECT_EQ(*box, pf::Rect(0, 0, 4, 2));
}

}  // namespace
