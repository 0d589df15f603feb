#include "MorvNode/Nodes/Elements/ElementImportNode.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementImage.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "MorvNode/Elements/MVSharedGraphicsStore.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterFile.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/NodeResources.h"
#include "MorvNode/Nodes/NodeTestSupport.h"
#include "Platform/ImageCodec.h"
#include "Support/GraphicsFixtures.h"
#include "MorvNode/Elements/RenderTestSupport.h"

namespace {

using rendertest::kBlack;
using rendertest::kBlue;
using rendertest::kRed;
using rendertest::pixelNear;

std::vector<std::uint8_t> pngBytes(int width, int height)
{
  auto bitmap = pf::Bitmap::create(width, height);
  return bitmap ? pf::encodePng(*bitmap).value_or(std::vector<std::uint8_t>()) : std::vector<std::uint8_t>();
}

std::vector<std::uint8_t> pdfBytes()
{
  return testsupport::pdfBytes({80, 40}, [](pf::DrawingContext& context) { context.fillRect({0, 0, 80, 40}); });
}

class ElementImportNodeTest : public NodeGraphTest {
protected:
  ElementImportNode* addImportNode()
  {
    ElementImportNode* node = add<ElementImportNode>("ElementImportNode");
    connectToLayer(node);
    return node;
  }
  static std::shared_ptr<const MVElement> output(ElementImportNode* node) { return node->graphicsParameter()->element(); }
  static pf::Size sizeOf(ElementImportNode* node)
  {
    return {node->sizeParameter()->valueX(), node->sizeParameter()->valueY()};
  }
  void import(ElementImportNode* node, const std::vector<std::uint8_t>& data, const std::string& name)
  {
    step([&] { ASSERT_TRUE(node->setGraphicsData(data, name, name, false)); });
  }
};

TEST_F(ElementImportNodeTest, NewNodeShowsTheSquiggleAsPaths)
{
  ElementImportNode* node = addImportNode();
  std::vector<std::string> rows;
  for (const auto& parameter : node->parameters()) {
    rows.push_back(parameter->name());
  }
  EXPECT_EQ(rows, (std::vector<std::string>{"Graphics", "Import file", "Import mode", "Size", "Position", "Rotation",
                                            "Fill Color", "Fill Opacity", "Stroke Color", "Tint Color",
                                            "Stroke Opacity", "Stroke Width", "Has Stroke Caps Joints",
                                            "Stroke Caps", "Stroke Joints"}));
  EXPECT_EQ(node->importFileParameter()->fileDisplayName(), "Squiggle.svg");
  EXPECT_EQ(node->importModeParameter()->index(), ElementImportNode::kPathsMode);
  // Making the node is no undo step of its own beyond the creation.
  EXPECT_EQ(log.countContaining("registerUndoProperty"), 0);
  EXPECT_TRUE(node->importFileParameter()->isVector());
  const auto path = std::dynamic_pointer_cast<const MVElementPath>(output(node));
  ASSERT_TRUE(path);
  EXPECT_EQ(path->elementName(), "Squiggle.svg paths");
  const std::optional<pf::Rect> box = path->transformedBoundingBoxNested();
  ASSERT_TRUE(box.has_value());
  EXPECT_NEAR(box->width(), 30.0, 1e-6);
  EXPECT_NEAR(box->height(), 30.0, 1e-6);
  EXPECT_EQ(path->fillColor(), pf::Color::black());
  // Published under the resource name, for symbols in SVG export.
  EXPECT_TRUE(controller().sharedGraphicsStore()->objectNamed(node->importFileParameter()->fileResourceName()));
}

TEST_F(ElementImportNodeTest, PathsAreUprightInElementSpace)
{
  // An L shape: tall bar on the left, foot along the bottom (y-down in the file).
  const std::string svg = R"~(<svg width="10" height="10"><path d="M0 0 L2 0 L2 8 L10 8 L10 10 L0 10 Z"/></svg>)~";
  ElementImportNode* node = addImportNode();
  import(node, testsupport::bytesOf(svg), "L.svg");
  node->sizeParameter()->setAspectLocked(false);
  node->sizeParameter()->setValueX(10, 10);
  node->positionParameter()->setValueX(0, 0);
  const auto path = std::dynamic_pointer_cast<const MVElementPath>(output(node));
  ASSERT_TRUE(path);
  // The foot lies at the bottom (larger y), the bar's top at the left.
  EXPECT_TRUE(path->pointInElement({4, 4}));
  EXPECT_FALSE(path->pointInElement({4, -4}));
  EXPECT_TRUE(path->pointInElement({-4, -4}));
}

TEST_F(ElementImportNodeTest, ImportingABitmapInPathsModeSwitchesToImageAndFollowsItsAspect)
{
  ElementImportNode* node = addImportNode();
  import(node, pngBytes(40, 20), "wide.png");
  EXPECT_EQ(node->importModeParameter()->index(), ElementImportNode::kImageMode);
  EXPECT_EQ(sizeOf(node), pf::Size(30, 15));
  EXPECT_TRUE(node->sizeParameter()->aspectLocked());
  const auto image = std::dynamic_pointer_cast<const MVElementImage>(output(node));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->imageName(), node->importFileParameter()->fileResourceName() + "[NSImage]");
  EXPECT_EQ(image->elementName(), "wide.png");
  ASSERT_TRUE(image->sharedGraphics());
  EXPECT_TRUE(image->sharedGraphics()->sharedElementImageNamed(*image->imageName()));
  EXPECT_EQ(image->width(), 30.0);
  EXPECT_EQ(image->height(), 15.0);

  // Stretched to twice the image's proportion, the next image keeps that distortion.
  node->sizeParameter()->setAspectLocked(false);
  node->sizeParameter()->setValueX(30, 30);
  import(node, pngBytes(10, 30), "tall.png");
  EXPECT_EQ(sizeOf(node), pf::Size(30, 180));
}

TEST_F(ElementImportNodeTest, BothModesDrawTheArtworkUpright)
{
  // A bitmap whose top half is red and bottom half blue, and an L whose foot is at the bottom.
  auto bitmap = pf::Bitmap::create(20, 10);
  ASSERT_TRUE(bitmap.has_value());
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) {
      bitmap->setPixel(x, y, y < 5 ? kRed : kBlue);
    }
  }
  const std::vector<std::uint8_t> png = *pf::encodePng(*bitmap);
  const std::string svg = R"~(<svg width="10" height="10"><path d="M0 0 L2 0 L2 8 L10 8 L10 10 L0 10 Z"/></svg>)~";

  ElementImportNode* node = addImportNode();
  const pf::Size artboard = controller().artboardSize();
  const int cx = static_cast<int>(artboard.width / 2);
  const int cy = static_cast<int>(artboard.height / 2);
  const auto render = [&] {
    node->sizeParameter()->setAspectLocked(false);
    node->sizeParameter()->setValueX(40, 40);
    node->positionParameter()->setValueX(cx, cy);
    regenerate();
    MVElementRenderer renderer;
    controller().setupRenderingThread(&renderer);
    renderer.setInputRenderingElement(controller().outputElement());
    renderer.setDisplayScale(1);
    renderer.setRetinaScaling(1);
    renderer.startRendering();
    return renderer.outputBitmap();
  };

  import(node, png, "halves.png");
  ASSERT_EQ(node->importModeParameter()->index(), ElementImportNode::kImageMode);
  const auto image = render();
  ASSERT_TRUE(image);
  EXPECT_TRUE(pixelNear(*image, cx, cy - 10, kRed));
  EXPECT_TRUE(pixelNear(*image, cx, cy + 10, kBlue));

  // The SVG has an image (the SVG library's PDF image), so Image mode stays and draws it upright.
  import(node, testsupport::bytesOf(svg), "L.svg");
  ASSERT_EQ(node->importModeParameter()->index(), ElementImportNode::kImageMode);
  const auto svgImage = render();
  ASSERT_TRUE(svgImage);
  EXPECT_TRUE(pixelNear(*svgImage, cx + 10, cy + 18, kBlack));   // the foot
  EXPECT_TRUE(pixelNear(*svgImage, cx - 18, cy - 10, kBlack));   // the bar
  EXPECT_FALSE(pixelNear(*svgImage, cx + 10, cy - 10, kBlack));  // nothing top right

  node->importModeParameter()->setIndex(ElementImportNode::kPathsMode);
  const auto paths = render();
  ASSERT_TRUE(paths);
  EXPECT_TRUE(pixelNear(*paths, cx + 10, cy + 18, kBlack));
  EXPECT_TRUE(pixelNear(*paths, cx - 18, cy - 10, kBlack));
  EXPECT_FALSE(pixelNear(*paths, cx + 10, cy - 10, kBlack));
}

TEST_F(ElementImportNodeTest, UndoRestoresTheOldDataWithoutResizing)
{
  ElementImportNode* node = addImportNode();
  const pf::Size before = sizeOf(node);
  import(node, pngBytes(40, 10), "strip.png");
  ASSERT_EQ(sizeOf(node), pf::Size(30, 7.5));
  undo();
  EXPECT_EQ(node->importFileParameter()->fileDisplayName(), "Squiggle.svg");
  EXPECT_EQ(sizeOf(node), before);
  EXPECT_TRUE(node->importFileParameter()->isVector());
}

TEST_F(ElementImportNodeTest, TintAppliesToBitmapsOnly)
{
  ElementImportNode* node = addImportNode();
  import(node, pngBytes(8, 8), "dot.png");
  node->tintColorParameter()->setEnabled(true);
  node->tintColorParameter()->setColor(pf::Color::rgb(1, 0, 0));
  node->updateLinkedParameters();
  EXPECT_FALSE(node->tintColorParameter()->layoutHidden());
  const auto image = std::dynamic_pointer_cast<const MVElementImage>(output(node));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->fillColor(), pf::Color::rgb(1, 0, 0));

  import(node, pdfBytes(), "box.pdf");
  node->updateLinkedParameters();
  EXPECT_TRUE(node->tintColorParameter()->layoutHidden());
  EXPECT_TRUE(node->importFileParameter()->isVector());
  EXPECT_TRUE(node->fillColorParameter()->layoutHidden());
}

TEST_F(ElementImportNodeTest, BadDataIsRefusedAndLeavesTheNodeAlone)
{
  ElementImportNode* node = addImportNode();
  const std::string resource = node->importFileParameter()->fileResourceName();
  for (const std::string& bad : {std::string("not a graphic"), std::string("\x89PNG\r\n\x1a\n broken", 16),
                                 std::string("<svg><g></g></svg>")}) {
    EXPECT_FALSE(node->setGraphicsData(testsupport::bytesOf(bad), "x", "bad", false));
  }
  EXPECT_EQ(node->importFileParameter()->fileResourceName(), resource);
  EXPECT_TRUE(std::dynamic_pointer_cast<const MVElementPath>(output(node)));
}

TEST_F(ElementImportNodeTest, WarningsNameWhatCannotBeShown)
{
  ElementImportNode* node = addImportNode();
  import(node, pngBytes(4, 4), "pixels.png");
  node->importModeParameter()->setIndex(ElementImportNode::kPathsMode);
  node->checkWarnings();
  EXPECT_EQ(node->warningMessages().back(),
            "Could not parse path from graphics data 'pixels.png', try Import mode: Image instead");
  EXPECT_FALSE(output(node));
}

TEST_F(ElementImportNodeTest, RecordsRoundTrip)
{
  ElementImportNode* node = addImportNode();
  import(node, pdfBytes(), "box.pdf");
  // A distorted size: the saved value wins over the import's own resizing while loading.
  node->sizeParameter()->setAspectLocked(false);
  node->sizeParameter()->setValueX(30, 40);
  const pf::PlistValue::Dictionary record = node->descriptionDictionary();

  const pf::Size size = sizeOf(node);
  const std::vector<std::uint8_t> data = *node->importFileParameter()->fileData();
  controller().removeAllNodes();
  controller().loadNodesFromArray({pf::PlistValue(record)});
  ElementImportNode* loaded = nullptr;
  for (const auto& candidate : controller().nodeArray()) {
    if (auto* import = dynamic_cast<ElementImportNode*>(candidate.get())) {
      loaded = import;
    }
  }
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->importFileParameter()->fileDisplayName(), "box.pdf");
  EXPECT_EQ(*loaded->importFileParameter()->fileData(), data);
  EXPECT_EQ(loaded->importModeParameter()->index(), ElementImportNode::kPathsMode);
  EXPECT_EQ(sizeOf(loaded), size);
  EXPECT_TRUE(controller().sharedGraphicsStore()->sharedElementImageNamed(
      loaded->importFileParameter()->fileResourceName() + "[NSImage]"));
}

TEST_F(ElementImportNodeTest, LegacyEmbeddedImageKeepsTheLongerSide)
{
  struct Case {
    int width;
    int height;
    pf::Size size;
  };
  for (const Case c : {Case{40, 20, {30, 15}}, Case{20, 40, {15, 30}}}) {
    SCOPED_TRACE(c.width);
    ElementImportNode* node = addImportNode();
    pf::PlistValue::Dictionary record;
    record.set("Image data", pf::PlistValue::data(pngBytes(c.width, c.height)));
    record.set("Image name", "folder/photo.png [2014-05-20 19:03:57 +0000]");
    ASSERT_TRUE(node->loadLegacyMV2NodeDictionary(record));
    EXPECT_EQ(node->importFileParameter()->fileDisplayName(), "photo.png");
    EXPECT_EQ(sizeOf(node), c.size);
  }
  EXPECT_FALSE(addImportNode()->legacyMV2ParameterNameTranslation("Import mode heading").has_value());
  EXPECT_EQ(addImportNode()->legacyMV2ParameterNameTranslation("Has Fill"), "Fill Color[ENABLE]");
}

TEST(NodeResourcesTest, SquiggleIsOurVectorArtwork)
{
  const auto squiggle = NodeResources::resourceNamed("Squiggle.svg");
  ASSERT_TRUE(squiggle.has_value());
  EXPECT_NE(squiggle->find("</svg>"), std::string_view::npos);
  EXPECT_FALSE(NodeResources::resourceNamed("Missing.svg").has_value());
}

}  // namespace
