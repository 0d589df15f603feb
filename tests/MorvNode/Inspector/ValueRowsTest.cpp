#include <algorithm>

#include <QCheckBox>
#include <QEnterEvent>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "MorvNode/Inspector/HoverControlsView.h"
#include "MorvNode/Inspector/MySlider.h"
#include "MorvNode/Inspector/MVParameterValue2DView.h"
#include "MorvNode/Inspector/MVParameterValueView.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "ParameterRowTestSupport.h"
#include "Shared/ODTextField/ODTextField.h"

namespace {

class ValueRowsTest : public ParameterRowTest {
protected:
  // Types `text` over the field's content and presses Return, as one user action.
  void type(ODTextField* field, const QString& text)
  {
    step([&] {
      field->setFocus();
      QApplication::processEvents();
      field->selectAll();
      QTest::keyClicks(field, text);
      QTest::keyClick(field, Qt::Key_Return);
    });
  }
};

TEST_F(ValueRowsTest, TypedExpressionsAreStoredAndUndone)
{
  MVParameterValue* value = nullptr;
  auto* row = addRow<MVParameterValue, MVParameterValueView>(MVParameterValue::parameterWithName("Width"), &value);
  ASSERT_NE(row, nullptr);
  showWindow();
  step([&] { value->setValue(5); });
  row->updateInterface();
  EXPECT_EQ(row->parameterField()->text(), "5");

  type(row->parameterField(), "2*(3+4)");
  EXPECT_EQ(value->value(), 14);
  row->updateInterface();
  EXPECT_EQ(row->parameterField()->text(), "14");
  undo();
  EXPECT_EQ(value->value(), 5);

  // Hostile text leaves the value with the alert.
  for (const QString& text : {QString("(1+2"), QString("1e999"), QString("nan"), QString(10000, QLatin1Char('7'))}) {
    SCOPED_TRACE(text.left(12).toStdString());
    alerts.alerts.clear();
    row->updateInterface();
    type(row->parameterField(), text);
    EXPECT_EQ(value->value(), 5);
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].first, "Expression parsing error");
  }
}

TEST_F(ValueRowsTest, DisabledParameterHidesLabelAndField)
{
  MVParameterValue* value = nullptr;
  auto parameter = MVParameterValue::parameterWithName("Width");
  parameter->setLayoutHasEnableToggle(true);
  auto* row = addRow<MVParameterValue, MVParameterValueView>(std::move(parameter), &value);
  showWindow();
  step([&] { value->setEnabled(false); });
  row->updateInterface();
  EXPECT_TRUE(row->parameterField()->isHidden());
  EXPECT_TRUE(row->parameterFieldLabel()->isHidden());
  ASSERT_NE(row->headerButton(), nullptr);
  EXPECT_FALSE(row->headerButton()->isHidden());
}

TEST_F(ValueRowsTest, HoverControlChangesGoToTheRowAndMoveFocus)
{
  MVParameterValue* value = nullptr;
  auto* row = addRow<MVParameterValue, MVParameterValueView>(MVParameterValue::parameterWithName("Width"), &value);
  MVParameterValue* other = nullptr;
  auto* otherRow = addRow<MVParameterValue, MVParameterValueView>(MVParameterValue::parameterWithName("Height"), &other);
  showWindow();
  step([&] { value->setValue(7); });
  row->updateInterface();

  ODTextField* field = row->parameterField();
  QEnterEvent enter(QPointF(5, 5), field->mapTo(&window, QPointF(5, 5)), field->mapToGlobal(QPointF(5, 5)));
  QApplication::sendEvent(field, &enter);
  HoverControlsView* controls = HoverControlsView::existingHoverControls();
  ASSERT_NE(controls, nullptr);
  EXPECT_TRUE(controls->isVisible());
  EXPECT_EQ(controls->delegate(), static_cast<HoverControlsDelegate*>(row));
  EXPECT_EQ(controls->valueRangeMax(), 10);

  // The pointer on the control keeps it with this row while it crosses another row's field.
  QEnterEvent onControl(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(controls, &onControl);
  ODTextField* otherField = otherRow->parameterField();
  QApplication::sendEvent(otherField, &enter);
  EXPECT_EQ(controls->delegate(), static_cast<HoverControlsDelegate*>(row));

  step([&] {
    controls->valueSlider()->setDoubleValue(8.0);
    controls->valueChanged(HoverControlsView::Sender::Slider, true);
  });
  EXPECT_EQ(value->value(), 8.0);
  EXPECT_TRUE(field->hasFocus());
  undo();
  EXPECT_EQ(value->value(), 7.0);

  // A typed change leaves focus where it is.
  otherField->setFocus();
  type(otherField, "3");
  EXPECT_EQ(other->value(), 3);
  EXPECT_TRUE(otherField->hasFocus());
}

class Value2DRowTest : public ValueRowsTest {
protected:
  Value2DRowTest()
  {
    auto parameter = MVParameterValue2D::parameterWithName("Extent");
    parameter->setSizePresets();
    row = addRow<MVParameterValue2D, MVParameterValue2DView>(std::move(parameter), &pair);
    showWindow();
  }
  MVParameterValue2D* pair = nullptr;
  MVParameterValue2DView* row = nullptr;
};

TEST_F(Value2DRowTest, TheLockCommitsTheTypedValueFirst)
{
  ASSERT_NE(row, nullptr);
  step([&] { pair->setValueX(10, 40); });
  row->updateInterface();
  EXPECT_TRUE(row->aspectToggleButton()->isVisible());

  step([&] {
    row->parameterFieldX()->setFocus();
    QApplication::processEvents();
    row->parameterFieldX()->selectAll();
    QTest::keyClicks(row->parameterFieldX(), "80");
    QTest::mouseClick(row->aspectToggleButton(), Qt::LeftButton);
  });
  EXPECT_EQ(pair->valueX(), 80);
  EXPECT_TRUE(pair->aspectLocked());
  EXPECT_DOUBLE_EQ(pair->aspect(), 2);
  type(row->parameterFieldY(), "50");
  EXPECT_EQ(pair->valueY(), 50);
  EXPECT_EQ(pair->valueX(), 100);
  undo();
  EXPECT_EQ(pair->valueY(), 40);
  EXPECT_EQ(pair->valueX(), 80);
}

TEST_F(Value2DRowTest, AForcedLockIsShownDisabledAndRefusesPresses)
{
  step([&] {
    pair->setAspectLocked(true);
    pair->setAspectLockForced(true);
  });
  row->updateInterface();
  EXPECT_TRUE(row->aspectToggleButton()->isChecked());
  EXPECT_FALSE(row->aspectToggleButton()->isEnabled());
  row->aspectToggleButtonPressed();
  EXPECT_TRUE(pair->aspectLocked());

  // No longer forced, the lock can be opened again.
  step([&] {
    pair->setAspectLockForced(false);
    pair->setAspectLocked(false);
  });
  row->updateInterface();
  EXPECT_FALSE(row->aspectToggleButton()->isChecked());
  EXPECT_TRUE(row->aspectToggleButton()->isEnabled());
}

// The open link is drawn faint, the closed one in full, and one locked for good at half.
TEST_F(Value2DRowTest, TheLockIconIsDimmedByItsState)
{
  const QIcon icon = row->aspectToggleButton()->icon();
  auto strongest = [&](QIcon::Mode mode, QIcon::State state) {
    const QImage image = icon.pixmap(QSize(12, 14), 2.0, mode, state).toImage();
    int alpha = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        alpha = std::max(alpha, qAlpha(image.pixel(x, y)));
      }
    }
    return alpha;
  };
  EXPECT_EQ(strongest(QIcon::Normal, QIcon::On), 255);
  EXPECT_NEAR(strongest(QIcon::Normal, QIcon::Off), 0.4 * 255, 2);
  EXPECT_NEAR(strongest(QIcon::Disabled, QIcon::On), 0.5 * 255, 2);
}

TEST_F(Value2DRowTest, AYOnlyParameterTakesOneLine)
{
  const int fullHeight = row->height();
  step([&] { pair->setLayoutShowX(false); });
  row->updateInterface();
  EXPECT_TRUE(row->parameterFieldX()->isHidden());
  EXPECT_EQ(row->parameterFieldY()->y(), row->parameterFieldX()->y());
  EXPECT_LT(row->height(), fullHeight);
  EXPECT_EQ(row->socketInterfaceLocationForSocket(1), row->parameterFieldY()->y() + 2.0);
}

TEST_F(Value2DRowTest, HoverChangesGoToTheAxisOfTheirField)
{
  step([&] { pair->setValueX(3, 4); });
  row->updateInterface();
  ODTextField* fieldY = row->parameterFieldY();
  QEnterEvent enter(QPointF(5, 5), fieldY->mapTo(&window, QPointF(5, 5)), fieldY->mapToGlobal(QPointF(5, 5)));
  QApplication::sendEvent(fieldY, &enter);
  HoverControlsView* controls = HoverControlsView::existingHoverControls();
  ASSERT_NE(controls, nullptr);
  EXPECT_EQ(controls->fieldIndex(), 1);
  EXPECT_EQ(controls->doubleValue(), 4);
  step([&] {
    controls->valueSlider()->setDoubleValue(6);
    controls->valueChanged(HoverControlsView::Sender::Slider, true);
  });
  EXPECT_EQ(pair->valueY(), 6);
  EXPECT_EQ(pair->valueX(), 3);
  EXPECT_TRUE(fieldY->hasFocus());
}

}  // namespace
