#include "MorvNode/Interface/AnimationPanelPane.h"

#include <memory>
#include <string>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/UserDefaults.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Shared/ODAnimation/ODAnimatorKeyframe.h"
#include "Shared/ODAnimation/Timeline/ODAnimationPanelView.h"
#include "Shared/ODAnimation/Timeline/ODTimelineView.h"
#include "Support/LogCapture.h"

namespace {

// A user animates a shape's horizontal position in a real document: adds the animation from the
// panel's menu, copies its keyframe to a later time with a Ctrl-drag, gives the copy a value,
// scrubs and plays, and undoes it all. The document's generation follows.
class AnimationPanelPaneTest : public testing::Test {
protected:
  AnimationPanelPaneTest()
  {
    pf::RunLoop::setCurrent(&runLoop);
    auto defaults = std::make_shared<pf::UserDefaults>(::testing::TempDir() + "animation-panel-defaults.plist");
    defaults->registerDefaults(PreferenceDefaults::table());
    pf::UserDefaults::setStandard(defaults);
    registerNodeClasses();
    document = std::make_unique<MVDocument>();
    MVNodeController& controller = document->nodeController();
    document->pauseUndoRegistration();
    auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {0, 0}, false));
    shape = dynamic_cast<ElementShapeNode*>(controller.addNodeOfClass("ElementShapeNode", {0, 200}, false));
    controller.addConnectionFromSocket(shape->graphicsParameter()->outputSocket(),
                                       artboard->layers().front()->inputSocket());
    shape->positionParameter()->setValueX(20.0, 30.0);
    document->resumeUndoRegistration();
    runLoop.advance(1.0);

    panel = AnimationPanelPane::create(*document);
    panel->resize(1000, 240);
    panel->show();
    QCoreApplication::processEvents();
  }
  ~AnimationPanelPaneTest() override
  {
    panel->setAnimationManager(nullptr);
    delete panel;
    document.reset();
    pf::UserDefaults::setStandard(std::make_shared<pf::UserDefaults>(::testing::TempDir() + "animation-panel-empty.plist"));
    pf::RunLoop::setCurrent(nullptr);
  }

  template <class Action>
  void event(Action&& action)
  {
    runLoop.runEvent(std::forward<Action>(action));
  }
  ODTimelineView& timeline() { return *panel->timelineView(); }
  QPoint at(double time) { return QPoint(static_cast<int>(std::lround(timeline().positionForTime(time))), 24); }
  ODAnimationManager& manager() { return document->animationManager(); }
  double positionX() const { return shape->positionParameter()->valueX(); }

  QtMessageHandler previousHandler_ =
      qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[2] = {name_, nullptr};
  QApplication application_{argc_, argv_};
  testsupport::QuietLog quiet;
  pf::ManualRunLoop runLoop;
  std::unique_ptr<MVDocument> document;
  ElementShapeNode* shape = nullptr;
  ODAnimationPanelView* panel = nullptr;
};

TEST_F(AnimationPanelPaneTest, AUserAnimatesAParameterScrubsPlaysAndUndoes)
{
  // The add-animation menu lists the shape's properties; choosing "Position X" adds it.
  event([&] { QTest::mousePress(panel->addAnimationButton(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5)); });
  QMenu* menu = panel->addAnimationMenu();
  ASSERT_NE(menu, nullptr);
  QAction* positionItem = nullptr;
  for (QAction* nodeItem : menu->actions()) {
    if (nodeItem->menu() == nullptr) {
      continue;
    }
    for (QAction* item : nodeItem->menu()->actions()) {
      if (nodeItem->text() == "Shape" && item->text() == "Position X") {
        positionItem = item;
      }
    }
  }
  ASSERT_NE(positionItem, nullptr);
  event([&] { positionItem->trigger(); });
  ASSERT_EQ(manager().animators().size(), 1u);
  ODAnimator* animator = manager().animators()[0].get();
  ASSERT_EQ(timeline().timelineAnimatorViews().size(), 1u);
  ASSERT_EQ(animator->keyFrames().size(), 1u);
  EXPECT_EQ(animator->keyFrames()[0]->doubleValue(), 20.0);

  // Ctrl-drag the keyframe at 0 to 2 s and give the copy the value 100.
  event([&] { QTest::mousePress(&timeline(), Qt::LeftButton, Qt::ControlModifier, at(0)); });
  event([&] {
    QMouseEvent move(QEvent::MouseMove, at(2), timeline().mapToGlobal(at(2)), Qt::NoButton, Qt::LeftButton,
                     Qt::ControlModifier);
    QApplication::sendEvent(&timeline(), &move);
  });
  event([&] { QTest::mouseRelease(&timeline(), Qt::LeftButton, Qt::ControlModifier, at(2)); });
  ASSERT_EQ(animator->keyFrames().size(), 2u);
  event([&] {
    panel->keyframeValueField()->selectAll();
    QTest::keyClicks(panel->keyframeValueField(), "100");
    QTest::keyClick(panel->keyframeValueField(), Qt::Key_Return);
  });
  EXPECT_EQ(animator->keyFrames()[1]->doubleValue(), 100.0);

  // Scrubbing to 1 s sets the position halfway, and the artwork regenerates.
  const long long cycle = document->nodeController().currentGenerationCycleID();
  event([&] { QTest::mousePress(&timeline(), Qt::LeftButton, {}, at(1) + QPoint(0, 40)); });
  event([&] { QTest::mouseRelease(&timeline(), Qt::LeftButton, {}, at(1) + QPoint(0, 40)); });
  EXPECT_NEAR(positionX(), 60.0, 1e-9);
  runLoop.advance(0.1);
  EXPECT_GT(document->nodeController().currentGenerationCycleID(), cycle);

  // Playing moves on with the clock.
  event([&] { panel->playButton()->click(); });
  runLoop.advance(0.5 + 1e-9);
  event([&] { panel->playButton()->click(); });
  EXPECT_NEAR(manager().currentTime(), 1.5, 1e-6);
  EXPECT_NEAR(positionX(), 80.0, 1e-6);

  // Undo takes back the value, the copy and the animation, one step each.
  pf::UndoManager& undo = *document->undoManager();
  event([&] { undo.undo(); });
  EXPECT_EQ(animator->keyFrames()[1]->doubleValue(), 20.0);
  event([&] { undo.undo(); });
  EXPECT_EQ(animator->keyFrames().size(), 1u);
  event([&] { undo.undo(); });
  EXPECT_TRUE(manager().animators().empty());
  EXPECT_TRUE(timeline().timelineAnimatorViews().empty());
  event([&] { undo.redo(); });
  EXPECT_EQ(timeline().timelineAnimatorViews().size(), 1u);
}

}  // namespace
