#include "MorvNode/Model/MVParameterValue2D.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// Records the alerts shown while installed.
class RecordingAlerts : public AlertPresenter {
public:
  RecordingAlerts() { FeedbackManager::setAlertPresenter(this); }
  ~RecordingAlerts() override { FeedbackManager::setAlertPresenter(nullptr); }
  void presentAlert(const std::string& title, const std::string& text) override
  {
    alerts.emplace_back(title, text);
  }
  std::vector<std::pair<std::string, std::string>> alerts;
};

// A process node with a two-axis "Size" (size presets) and a plain source node beside it.
class Value2DTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    registerTestNodeClasses();
    source = controller.addNode("TestSourceNode");
    node = controller.addNode("TestProcessNode");
    auto parameter = MVParameterValue2D::parameterWithName("Size");
    parameter->setSizePresets();
    size = node->addParameter(std::move(parameter));
    undo.records.clear();
    controller.changes.clear();
  }

  std::vector<std::string> undoProperties() const
  {
    std::vector<std::string> properties;
    for (const auto& record : undo.records) {
      properties.push_back(record.state.find("propertyName")->stringOr());
    }
    return properties;
  }

  LogCapture log;
  RecordingUndo undo;
  FakeController controller{&undo};
  MVNode* source = nullptr;
  MVNode* node = nullptr;
  MVParameterValue2D* size = nullptr;
};

TEST_F(Value2DTest, AspectLockHoldsTheRatioOfTheMomentItWasLocked)
{
  struct Case {
    const char* name;
    double x, y;          // before locking
    double aspect;        // after locking
    bool setX;            // then set X (else Y)
    double set;
    double expectX, expectY;
  };
  const Case cases[] = {
      {"equal values lock at 1", 50, 50, 1.0, true, 80, 80, 80},
      {"2:1, Y drives X", 100, 50, 2.0, false, 30, 60, 30},
      {"2:1, X drives Y", 100, 50, 2.0, true, 10, 10, 5},
      {"Y of 0 locks at 0, Y follows as 0", 5, 0, 0.0, true, 7, 7, 0},
      {"0/0 locks at 1", 0, 0, 1.0, false, 4, 4, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    size->setAspectLocked(false);
    size->setValueX(c.x, c.y);
    size->setAspectLocked(true);
    ASSERT_TRUE(size->aspectLocked());
    EXPECT_EQ(size->aspect(), c.aspect);
    if (c.setX) {
      size->setValueX(c.set);
    } else {
      size->setValueY(c.set);
    }
    EXPECT_EQ(size->valueX(), c.expectX);
    EXPECT_EQ(size->valueY(), c.expectY);
  }
}

TEST_F(Value2DTest, LockingNeedsTheToggle)
{
  auto position = MVParameterValue2D::parameterWithName("Position");
  position->setAspectLocked(true);
  EXPECT_FALSE(position->aspectLocked());
  EXPECT_EQ(log.countContaining("Warning, attempted to setAspectLocked on"), 1);
}

TEST_F(Value2DTest, LockingIntoALoopIsUndoneWithAnAlert)
{
  RecordingAlerts alerts;
  // X feeds Y of the same parameter: harmless unlocked, a loop once X and Y move together.
  ASSERT_NE(controller.connect(size, size, 0, 1), nullptr);
  size->setAspectLocked(true);
  EXPECT_FALSE(size->aspectLocked());
  ASSERT_EQ(alerts.alerts.size(), 1u);
  EXPECT_EQ(alerts.alerts[0].first, "Infinite loop error");
  EXPECT_EQ(alerts.alerts[0].second, "Locking the aspect of Change Process Size results in an infinite loop due "
                                     "to the connections to/from it, so it cannot be locked.");
  EXPECT_EQ(log.countContaining("[showNSAlert] 'Infinite loop error'"), 1);
}

TEST_F(Value2DTest, ConnectedYDrivesXUnderTheLock)
{
  size->setValueX(100, 50);
  size->setAspectLocked(true);
  source->valueParameterNamed("Value")->setValue(20.0);
  ASSERT_NE(controller.connect(source->parameterNamed("Value"), size, 0, 1), nullptr);
  EXPECT_FALSE(size->inputSocketX()->enabled());
  EXPECT_TRUE(size->inputSocketY()->enabled());
  EXPECT_FALSE(size->canEditValueX());
  EXPECT_FALSE(size->canEditValueY());
  EXPECT_EQ(size->valueX(), 40.0);  // pulled through Y
  EXPECT_EQ(size->valueY(), 20.0);
  EXPECT_FALSE(size->animatorCanAnimateProperty("x"));
}

TEST_F(Value2DTest, PushLeavesThroughTheAxisAndBothUnderTheLock)
{
  MVNode* reader = controller.addNode("TestProcessNode");
  controller.connect(size, reader->parameterNamed("Value"), 0, 0);
  controller.connect(size, reader->parameterNamed("Linked"), 1, 0);
  MVParameter* readsX = reader->parameterNamed("Value");
  MVParameter* readsY = reader->parameterNamed("Linked");
  const auto settle = [&] {
    reader->valueParameterNamed("Value")->value();
    reader->valueParameterNamed("Linked")->value();
  };

  settle();
  size->inputChangedSocket(1);
  EXPECT_FALSE(readsX->needsToUpdate());
  EXPECT_TRUE(readsY->needsToUpdate());

  size->setAspectLocked(true);
  settle();
  size->inputChangedSocket(1);
  EXPECT_TRUE(readsX->needsToUpdate());
  EXPECT_TRUE(readsY->needsToUpdate());
  // The per-socket push tells the node per axis.
  const std::pair<MVParameter*, std::string> yChange{size, "y"};
  EXPECT_NE(std::find(controller.changes.begin(), controller.changes.end(), yChange), controller.changes.end());
}

TEST_F(Value2DTest, ValueSourceUnlocksAndSingleValueIsRefused)
{
  size->setValueX(10, 20);
  size->setAspectLocked(true);
  size->setValueSource(node);
  EXPECT_FALSE(size->aspectLocked());

  size->setValue(5.0);
  EXPECT_EQ(size->localValueX(), 10.0);
  EXPECT_EQ(size->localValueY(), 20.0);
  EXPECT_EQ(log.countContaining("setValue: 5 called, use setValueX and setValueY instead"), 1);
}

TEST_F(Value2DTest, UndoRecordsOnlyChangedAxesAndNamesTheLock)
{
  size->setValueX(50, 70);
  EXPECT_EQ(undoProperties(), std::vector<std::string>{"valueY"});
  size->setValueX(50, 70);
  EXPECT_EQ(undo.records.size(), 1u);
  size->setAspectLocked(true);
  EXPECT_EQ(undo.records.back().actionName, "process size aspect lock");
  size->setAspectLocked(false);
  EXPECT_EQ(undo.records.back().actionName, "process size aspect unlock");
  EXPECT_EQ(size->undoActionNameForProperty("layoutShowX"), std::nullopt);
  EXPECT_EQ(size->undoActionNameForProperty("valueX"), "process size change");

  size->revertProperty("valueY", pf::PlistValue(50.0));
  EXPECT_EQ(size->localValueY(), 50.0);
  EXPECT_EQ(size->localValueX(), 50.0);

  undo.records.clear();
  size->storeParameterUndoValue();
  EXPECT_EQ(undoProperties(), (std::vector<std::string>{"valueX", "valueY"}));
}

TEST_F(Value2DTest, AnimatorsDriveOneAxisUnderTheLock)
{
  EXPECT_TRUE(size->animatorCanAnimateProperty("x"));
  EXPECT_FALSE(size->animatorCanAnimateProperty("value"));
  size->setAspectLocked(true);
  size->animatorProperty("y", true);
  EXPECT_TRUE(size->animated());
  EXPECT_FALSE(size->animatorCanAnimateProperty("x"));
  EXPECT_TRUE(size->animatorCanAnimateProperty("y"));
  EXPECT_EQ(size->animatorDisplayNameWithProperty("y"), "Size Height");

  undo.records.clear();
  size->animatorSetProperty("y", pf::PlistValue(12.0));
  EXPECT_EQ(size->localValueX(), 12.0);
  EXPECT_TRUE(undo.records.empty());
  EXPECT_EQ(undo.pauses(), 0);
  size->animatorSetProperty("z", pf::PlistValue(1.0));
  EXPECT_EQ(log.countContaining("animatorSetProperty: z valueObject 1 does not respond to doubleValue"), 1);
}

TEST_F(Value2DTest, BadNumbersBecomeNeutralOrClamped)
{
  size->setValueX(std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity());
  EXPECT_EQ(size->localValueX(), 0.0);
  EXPECT_EQ(size->localValueY(), std::numeric_limits<double>::max());
  size->setMaxValueLimit(100.0);
  size->setValueX(-std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity());
  EXPECT_EQ(size->localValueX(), -std::numeric_limits<double>::max());
  EXPECT_EQ(size->localValueY(), 100.0);
}

TEST_F(Value2DTest, RecordsKeepValuesAndLockAndNeedBothAxes)
{
  size->setValueX(30, 10);
  size->setAspectLocked(true);
  const pf::PlistValue::Dictionary record = size->descriptionDictionary();
  EXPECT_FALSE(record.contains("Value"));
  EXPECT_EQ(record.find("Aspect")->asReal(), 3.0);

  auto loaded = MVParameterValue2D::parameterWithName("Size");
  loaded->setSizePresets();
  EXPECT_TRUE(loaded->loadDescriptionDictionary(record));
  EXPECT_EQ(loaded->localValueX(), 30.0);
  EXPECT_EQ(loaded->localValueY(), 10.0);
  EXPECT_TRUE(loaded->aspectLocked());
  EXPECT_EQ(loaded->aspect(), 3.0);

  // Without the toggle the lock is not taken over.
  auto position = MVParameterValue2D::parameterWithName("Size");
  EXPECT_TRUE(position->loadDescriptionDictionary(record));
  EXPECT_FALSE(position->aspectLocked());

  pf::PlistValue::Dictionary onlyX = record;
  onlyX.erase("ValueY");
  EXPECT_FALSE(loaded->loadDescriptionDictionary(onlyX));
  EXPECT_EQ(log.countContaining("loadDescriptionDictionary, missing ValueX or ValueY key"), 1);
}

TEST_F(Value2DTest, SocketsCarryTheAxisNames)
{
  ASSERT_EQ(size->inputSockets().size(), 2u);
  ASSERT_EQ(size->outputSockets().size(), 2u);
  EXPECT_EQ(size->inputSockets()[1]->tooltip(), "Size Height value input");
  EXPECT_EQ(size->outputSockets()[0]->tooltip(), "Size Width value output");
  size->setLayoutShowY(false);
  EXPECT_FALSE(size->inputSocketY()->enabled());
  EXPECT_FALSE(size->outputSocketY()->enabled());
  EXPECT_EQ(size->description(), "<MVParameterValue2D [Change Process 'Size'] value: 50,50>");
}

}  // namespace
