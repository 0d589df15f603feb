#include "MorvNode/Inspector/HoverControlsView.h"

#include <vector>

#include <QEnterEvent>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "MorvNode/Inspector/HoverControlsDelegate.h"
#include "MorvNode/Inspector/MySlider.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Shared/ODTextField/ODTextField.h"
#include "Support/UiTestSupport.h"

namespace {

class RecordingRow : public HoverControlsDelegate {
public:
  void valueControlChanged(QObject* sender) override { values.push_back(qobject_cast<HoverControlsView*>(sender)->doubleValue()); }
  std::vector<double> values;
};

TEST(HoverControlsRange, ChoosesTheRangeByTableThenPreferencesThenLimits)
{
  auto plain = MVParameterValue::parameterWithName("Plain");
  auto unit = MVParameterValue::parameterWithName("Unit");
  unit->setMinValueLimit(0.0);
  unit->setMaxValueLimit(1.0);
  auto angle = MVParameterValue::parameterWithName("Angle");
  angle->setPreferredValueRangeMax(360.0);
  auto limited = MVParameterValue::parameterWithName("Limited");
  limited->setMinValueLimit(1.0);
  limited->setMaxValueLimit(40.0);
  struct Case {
    double value;
    const MVParameterValue* parameter;
    bool positiveNegative;
    double min;
    double max;
  };
  const std::vector<Case> cases = {
      {7, plain.get(), false, 0, 10},         {1.5, plain.get(), false, 0, 2},
      {120, plain.get(), false, 0, 250},      {250, plain.get(), false, 0, 500},  // upper bounds exclusive
      {100000, plain.get(), false, 0, 100000}, {250000, plain.get(), false, 0, 250000},
      {7, plain.get(), true, -10, 10},        {-300, plain.get(), true, -500, 500},
      {-3000, plain.get(), true, -3000, 100}, {0.5, unit.get(), false, 0, 1},
      {0.3, unit.get(), true, 0, 1},          {45, angle.get(), false, 0, 360},
      {30, limited.get(), false, 1, 40},      {30, nullptr, false, 0, 100},
      {130, nullptr, false, 0, 130},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.value << (c.positiveNegative ? " symmetric" : ""));
    bool positiveNegative = c.positiveNegative;
    const HoverControlsView::ValueRange range = HoverControlsView::valueRangeForValue(c.value, c.parameter, positiveNegative);
    EXPECT_EQ(range.min, c.min);
    EXPECT_EQ(range.max, c.max);
  }
  // The first negative value switches to symmetric ranges for good.
  bool positiveNegative = false;
  EXPECT_EQ(HoverControlsView::valueRangeForValue(-3, plain.get(), positiveNegative).min, -10);
  EXPECT_TRUE(positiveNegative);
  EXPECT_EQ(HoverControlsView::valueRangeForValue(7, plain.get(), positiveNegative).min, -10);
}

class HoverControlsTest : public testsupport::UiTest {
protected:
  HoverControlsTest()
  {
    field = new ODTextField(&window);
    field->setGeometry(100, 40, 35, 20);
    parameter = MVParameterValue::parameterWithName("Value");
    controls = HoverControlsView::sharedHoverControls();
    showWindow();
  }
  void attach(double value)
  {
    parameter->setValue(value);
    controls->showForField(field);
    controls->setDelegate(&row);
    controls->setParameter(parameter.get());
  }

  ODTextField* field = nullptr;  // owned by the window
  std::unique_ptr<MVParameterValue> parameter;
  HoverControlsView* controls = nullptr;
  RecordingRow row;
};

TEST_F(HoverControlsTest, SliderRoundsToTheRangesPrecisionAndTheStepperToItsIncrement)
{
  attach(7);
  EXPECT_EQ(controls->valueRangeMin(), 0);
  EXPECT_EQ(controls->valueRangeMax(), 10);
  EXPECT_EQ(controls->minimumLabelText(), "0");
  EXPECT_EQ(controls->maximumLabelText(), "10");
  EXPECT_EQ(controls->stepperIncrement(), 1.0);
  controls->valueSlider()->setDoubleValue(7.46);
  controls->valueChanged(HoverControlsView::Sender::Slider, false);
  ASSERT_EQ(row.values.size(), 1u);
  EXPECT_DOUBLE_EQ(row.values[0], 7.5);

  attach(1.5);
  EXPECT_EQ(controls->valueRangeMax(), 2);
  EXPECT_EQ(controls->stepperIncrement(), 0.1);
  controls->valueSlider()->setDoubleValue(1.234);
  controls->valueChanged(HoverControlsView::Sender::Slider, true);
  EXPECT_DOUBLE_EQ(row.values.back(), 1.23);

  // A stepper click past the range's end chooses the range again around the new value.
  parameter->setIsInteger(true);
  attach(9);
  QTest::mouseClick(controls->stepperUpButton(), Qt::LeftButton);
  EXPECT_EQ(row.values.back(), 10.0);
  EXPECT_EQ(controls->valueRangeMax(), 50);
}

TEST_F(HoverControlsTest, ATypedValueWidensTheSliderUntilTheNextRangeChoice)
{
  attach(7);
  controls->setDoubleValue(30);
  EXPECT_EQ(controls->valueSlider()->maxValue(), 30);
  EXPECT_EQ(controls->valueRangeMax(), 10);
  EXPECT_EQ(controls->doubleValue(), 30);
  controls->recalculateValueRange();
  EXPECT_EQ(controls->valueRangeMax(), 50);
}

TEST_F(HoverControlsTest, WheelStepsByTheIncrementTenOrATenth)
{
  attach(20);
  const auto wheel = [&](Qt::KeyboardModifiers modifiers, QPoint angle) {
    QWheelEvent event(QPointF(5, 5), controls->mapToGlobal(QPointF(5, 5)), QPoint(), angle, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(controls, &event);
  };
  wheel(Qt::ShiftModifier, QPoint(0, 120));
  EXPECT_EQ(row.values.back(), 30);
  wheel(Qt::ControlModifier | Qt::ShiftModifier, QPoint(0, -120));  // a tenth survives the range's precision
  EXPECT_DOUBLE_EQ(row.values.back(), 29.9);
  wheel(Qt::NoModifier, QPoint(120, 60));  // diagonal: the vertical delta decides; whole steps on 0 to 50
  EXPECT_DOUBLE_EQ(row.values.back(), 31);
  EXPECT_EQ(controls->valueRangeMax(), 50);  // a scroll keeps the range
  defaults().setBool(HoverControlsView::kScrollWheelEditingKey, false);
  wheel(Qt::NoModifier, QPoint(0, 120));
  EXPECT_EQ(row.values.size(), 3u);
}

TEST_F(HoverControlsTest, PlacedBesideTheFieldInsideItsWindow)
{
  attach(7);
  EXPECT_EQ(controls->parentWidget(), &window);
  EXPECT_TRUE(controls->isVisible());
  EXPECT_EQ(controls->x(), 100 + 35 + 1);
  EXPECT_EQ(controls->y() + controls->height(), 40 + 20 + 20 + 7);

  field->move(window.width() - 40, 40);
  controls->showForField(field);
  EXPECT_EQ(controls->x(), window.width() - 40 - controls->width() - 3);

  // The two-axis field's tag chooses the axis.
  auto pair = MVParameterValue2D::parameterWithName("Size");
  pair->setValueX(3, 40);
  field->setTag(1);
  controls->showForField(field);
  controls->setParameter(pair.get());
  EXPECT_EQ(controls->fieldIndex(), 1);
  EXPECT_EQ(controls->doubleValue(), 40);
  controls->setParameter(nullptr);
}

TEST_F(HoverControlsTest, HidesAfterThePointerLeftAndDropsItsOwner)
{
  attach(7);
  controls->startHideTimer();
  EXPECT_TRUE(controls->isHideTimerActive());
  // The pointer reaching the control in time keeps it.
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(controls, &enter);
  EXPECT_FALSE(controls->isHideTimerActive());
  EXPECT_TRUE(controls->isMouseOver());
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(controls, &leave);
  EXPECT_TRUE(controls->isHideTimerActive());
  EXPECT_TRUE(QTest::qWaitFor([&] { return controls->isHidden(); }, 5000));
  EXPECT_EQ(controls->delegate(), nullptr);
  EXPECT_EQ(controls->lastField(), nullptr);

  attach(7);
  RecordingRow other;
  controls->releaseDelegate(&other);
  EXPECT_TRUE(controls->isVisible());
  controls->releaseDelegate(&row);
  EXPECT_TRUE(controls->isHidden());
}

TEST(MySliderTicks, MarksExplicitValuesAndSpacesTheRest)
{
  int argc = 1;
  char name[] = "ui_tests";
  char* argv[] = {name, nullptr};
  QApplication application(argc, argv);
  MySlider slider;
  slider.setMinValue(0);
  slider.setMaxValue(1);
  slider.setTickmarkValue(0.5);
  EXPECT_EQ(slider.tickmarkValue(), 0.5);
  EXPECT_EQ(slider.numberOfTickMarks(), 1);
  EXPECT_EQ(slider.tickMarkValueAtIndex(0), 0.5);
  slider.setTickmarkValues({});
  slider.setNumberOfTickMarks(3);
  EXPECT_EQ(slider.tickMarkValueAtIndex(2), 1.0);
  EXPECT_EQ(slider.tickMarkValueAtIndex(1), 0.5);
}

}  // namespace
