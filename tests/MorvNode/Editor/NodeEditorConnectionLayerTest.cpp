#include "MorvNode/Editor/NodeEditorConnectionLayer.h"

#include <cstdlib>

#include <QImage>
#include <QPainterPath>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Editor/EditorTestSupport.h"
#include "MorvNode/Editor/MVConnectionView.h"
#include "MorvNode/Editor/MVNodeView.h"
#include "MorvNode/Editor/NodeEditorBackgroundView.h"
#include "MorvNode/Editor/NodeEditorView.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"

namespace {

// Curves drawn by the canvas in one pass look as the views stacked among the boxes would.
class ConnectionLayerTest : public EditorFixture {
protected:
  // The complete picture: one paint draws the curves anew only for as long as its budget
  // allows (a loaded machine may leave part of them to the paints that follow).
  QImage paint() const
  {
    QImage image(editor->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (int paints = 0; paints == 0 || (editor->connectionLayer().hasPendingArea() && paints < 100); ++paints) {
      image.fill(Qt::transparent);
      editor->viewport()->render(&image);
    }
    return image;
  }
  // The colour painted at a canvas point.
  QColor pixelAt(const QImage& image, QPointF canvasPoint) const
  {
    const QPoint at = editor->canvas()->mapTo(editor->viewport(), canvasPoint.toPoint());
    return image.pixelColor(at);
  }
  static bool near(const QColor& a, const QColor& b)
  {
    return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
           std::abs(a.blue() - b.blue()) <= 8;
  }
  // Connects a shape far left to the artboard far right: a long curve in the colour of
  // elements, which no box has.
  MVConnectionView* connectFar()
  {
    source = add("ElementShapeNode", {20, 40});
    auto* artboard = dynamic_cast<ArtboardNode*>(add("ArtboardNode", {640, 40}));
    target = artboard;
    step([&] {
      controller.addConnectionFromSocket(source->graphicsParameterNamed("Graphics")->outputSocket(),
                                         artboard->layers().front()->inputSocket());
    });
    return NodeEditorView::viewOfConnection(controller.connectionArray().front().get());
  }

  MVNode* source = nullptr;
  MVNode* target = nullptr;
};

TEST_F(ConnectionLayerTest, ACurvePassesUnderABoxStackedAboveItAndOverItOnceItsNodeComesToTheFront)
{
  MVConnectionView* view = connectFar();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->isHidden());  // drawn by the canvas, where the canvas stacks it
  const QPointF middle = view->curve().pointAtPercent(0.5);
  const QColor curveFill = view->colors().first;
  EXPECT_TRUE(near(pixelAt(paint(), middle), curveFill));

  // A box made later stands above the curve and hides it.
  MVNode* blocker = add("ValueNode", editor->modelPointFromCanvas(middle - QPointF(40, 30)));
  const MVNodeView* blockerView = NodeEditorView::viewOfNode(blocker);
  ASSERT_NE(blockerView, nullptr);
  ASSERT_TRUE(QRectF(blockerView->geometry()).contains(middle));
  EXPECT_FALSE(near(pixelAt(paint(), middle), curveFill));

  // Selected, the source comes to the front and its curve with it, over the box.
  step([&] { controller.selectNode(source, false, false, true); });
  EXPECT_TRUE(near(pixelAt(paint(), middle), view->colors().first));
}

TEST_F(ConnectionLayerTest, OnlyWhatChangedIsStrokedAgain)
{
  MVConnectionView* view = connectFar();
  ASSERT_NE(view, nullptr);
  const QPointF middle = view->curve().pointAtPercent(0.5);
  paint();
  const QImage unchanged = paint();
  EXPECT_EQ(editor->connectionLayer().lastStrokeCount(), 0);

  step([&] { view->setHoverHighlight(true); });
  const QImage highlighted = paint();
  EXPECT_GT(editor->connectionLayer().lastStrokeCount(), 0);
  EXPECT_TRUE(near(pixelAt(highlighted, middle), view->colors().first));
  EXPECT_FALSE(near(pixelAt(unchanged, middle), view->colors().first));

  // Moving the target away takes the curve along: nothing is left where it was.
  const QPointF before = view->toEndLocation();
  drag(headerPoint(target), headerPoint(target) + QPointF(0, 360));
  const QImage moved = paint();
  EXPECT_NE(view->toEndLocation(), before);
  EXPECT_FALSE(near(pixelAt(moved, before - QPointF(20, 0)), view->colors().first));
  EXPECT_TRUE(near(pixelAt(moved, view->curve().pointAtPercent(0.5)), view->colors().first));
}

TEST_F(ConnectionLayerTest, ManyLongCurvesAreDrawnOverSeveralPaintsAndEndComplete)
{
  // Shapes far and wide, all wired into the artboard in the visible area.
  auto* artboard = dynamic_cast<ArtboardNode*>(add("ArtboardNode", {20, 20}));
  ASSERT_NE(artboard, nullptr);
  MVParameterSocket* input = artboard->layers().front()->inputSocket();
  step([&] {
    for (int i = 0; i < 300; ++i) {
      MVNode* shape = controller.addNodeOfClass("ElementShapeNode", pf::Point(400.0 + (i % 30) * 220.0, 20.0 + (i / 30) * 160.0), false);
      controller.addConnectionFromSocket(shape->graphicsParameterNamed("Graphics")->outputSocket(), input);
    }
  });
  editor->connectionLayer().invalidate();
  int paints = 0;
  QImage image;
  do {
    image = paint();
    ++paints;
  } while (editor->connectionLayer().hasPendingArea() && paints < 500);
  EXPECT_FALSE(editor->connectionLayer().hasPendingArea());
  // Each curve shows at its input end, just left of the socket.
  const MVConnectionView* last = NodeEditorView::viewOfConnection(controller.connectionArray().back().get());
  ASSERT_NE(last, nullptr);
  EXPECT_TRUE(near(pixelAt(image, last->curve().pointAtPercent(0.98)), last->colors().first));
  // Painted again, nothing changed: nothing is stroked.
  paint();
  EXPECT_EQ(editor->connectionLayer().lastStrokeCount(), 0);
}

}  // namespace
