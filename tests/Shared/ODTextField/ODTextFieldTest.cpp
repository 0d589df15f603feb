#include "Shared/ODTextField/ODTextField.h"

#include <cmath>
#include <string>
#include <vector>

#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "Shared/ExpressionParser/ODExpressionParser.h"
#include "Shared/ODTextField/ODTextFieldFirstResponderDelegate.h"
#include "Shared/ODTextField/ODTextFieldMouseTrackingDelegate.h"
#include "Support/LogCapture.h"
#include "Support/UiTestSupport.h"

namespace {

class RecordingDelegates : public ODTextFieldMouseTrackingDelegate, public ODTextFieldFirstResponderDelegate {
public:
  void textFieldMouseOver(ODTextField*) override { ++overs; }
  void textFieldMouseExited(ODTextField*) override { ++exits; }
  void textFieldBecameFirstResponder(ODTextField*) override { ++focused; }
  int overs = 0;
  int exits = 0;
  int focused = 0;
};

class ODTextFieldTest : public testsupport::UiTest {
protected:
  ODTextFieldTest()
  {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    field = new ODTextField(&window);
    field->setGeometry(10, 10, 80, 20);
    other = new ODTextField(&window);
    other->setGeometry(10, 50, 80, 20);
  }
  ~ODTextFieldTest() override { QLocale::setDefault(QLocale::c()); }

  // Focuses the field, types `text` over its content and presses Return.
  void typeAndCommit(const QString& text)
  {
    field->setFocus();
    QApplication::processEvents();
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
  }

  void wheel(ODTextField* target, QPoint angle, Qt::KeyboardModifiers modifiers)
  {
    QWheelEvent event(QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)), QPoint(), angle, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
  }

  ODTextField* field = nullptr;  // owned by the window
  ODTextField* other = nullptr;
};

TEST_F(ODTextFieldTest, EvaluatesEmptyTextAndExpressions)
{
  field->setStringValue("");
  EXPECT_EQ(field->parseDoubleValue(), 0.0);
  EXPECT_EQ(field->text(), "0");

  field->setStringValue("2*(3+4)");
  EXPECT_EQ(field->parseDoubleValue(), 14.0);
  EXPECT_EQ(field->text(), "2*(3+4)");  // until the owner shows the stored value
  EXPECT_TRUE(alerts.alerts.empty());
}

// Text that gives no finite number never reaches the caller: the alert names both texts, the
// field shows and answers the edit start's value.
TEST_F(ODTextFieldTest, HostileTextRevertsToTheEditStartWithAnAlert)
{
  showWindow();
  const std::vector<QString> hostile = {"(1+2", "1e999", "nan", QString(10000, QLatin1Char('9')), "2/0", "abc"};
  for (const QString& text : hostile) {
    SCOPED_TRACE(text.left(20).toStdString());
    alerts.alerts.clear();
    testsupport::LogCapture log;
    field->setDoubleValue(5);
    QSignalSpy actions(field, &ODTextField::action);
    double parsed = -1;
    QObject::connect(field, &ODTextField::action, field, [&] { parsed = field->parseDoubleValue(); });
    typeAndCommit(text);
    QObject::disconnect(field, &ODTextField::action, field, nullptr);
    EXPECT_EQ(actions.count(), 1);
    EXPECT_EQ(parsed, 5.0);
    EXPECT_EQ(field->text(), "5");
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].first, "Expression parsing error");
    EXPECT_EQ(alerts.alerts[0].second, "Could not parse the expression '" + text.toStdString() +
                                           "', will revert to previous value '5'");
    EXPECT_EQ(log.countContaining("ODTextField parse error, could not parse expression '"), 1);
  }
  // Outside an edit there is no previous value to go back to.
  alerts.alerts.clear();
  testsupport::QuietLog quiet;
  field->setStringValue("(");
  EXPECT_EQ(field->parseDoubleValue(), 0.0);
  EXPECT_EQ(field->text(), "0");
  ASSERT_EQ(alerts.alerts.size(), 1u);
  EXPECT_EQ(alerts.alerts[0].second, "Could not parse the expression '(', will set to 0 instead");
}

TEST_F(ODTextFieldTest, EditSendsOneActionAtItsEndAndEscapeRestoresTheStart)
{
  showWindow();
  field->setDoubleValue(5);
  QSignalSpy actions(field, &ODTextField::action);

  // Focus alone is no edit.
  field->setFocus();
  other->setFocus();
  EXPECT_EQ(actions.count(), 0);

  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, "17");
  ASSERT_TRUE(field->editStartContentString().has_value());
  EXPECT_EQ(*field->editStartContentString(), "5");
  QTest::keyClick(field, Qt::Key_Escape);
  EXPECT_EQ(field->text(), "5");
  QTest::keyClicks(field, "8");
  // Leaving the field ends the edit: one action, and the edit start is forgotten afterwards.
  QString editStartSeenByAction;
  QObject::connect(field, &ODTextField::action, field, [&] { editStartSeenByAction = field->editStartContentString().value_or("none"); });
  other->setFocus();
  EXPECT_EQ(actions.count(), 1);
  EXPECT_EQ(editStartSeenByAction, "5");
  EXPECT_FALSE(field->editStartContentString().has_value());
}

TEST_F(ODTextFieldTest, ArrowKeysReplaceTheTextAndTheWheelKeepsItsUnit)
{
  showWindow();
  field->setStringValue("12 px");
  field->setFocus();
  QSignalSpy actions(field, &ODTextField::action);
  QTest::keyClick(field, Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(field->text(), "22");
  QTest::keyClick(field, Qt::Key_Down);
  EXPECT_EQ(field->text(), "21");
  QTest::keyClick(field, Qt::Key_Down, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(field->text(), "20.9");
  EXPECT_EQ(actions.count(), 3);

  field->setStringValue("12 px");
  wheel(field, QPoint(0, 120), Qt::ShiftModifier);
  EXPECT_EQ(field->text(), "22 px");
  wheel(field, QPoint(-60, 0), Qt::NoModifier);  // horizontal only: steps down
  EXPECT_EQ(field->text(), "21 px");
  wheel(field, QPoint(0, 6), Qt::NoModifier);  // 0.05 lines: nothing
  EXPECT_EQ(field->text(), "21 px");
  EXPECT_EQ(actions.count(), 5);

  // The wheel gives focus to a field it changes.
  other->setIntValue(3);
  wheel(other, QPoint(0, 120), Qt::NoModifier);
  EXPECT_EQ(other->text(), "4");
  EXPECT_TRUE(other->hasFocus());

  defaults().setBool(ODTextField::kScrollWheelEditingKey, false);
  wheel(other, QPoint(0, 120), Qt::NoModifier);
  EXPECT_EQ(other->text(), "4");
}

TEST_F(ODTextFieldTest, ShowsValuesThatReadBackWithoutExponents)
{
  struct Case {
    double value;
    const char* shown;
  };
  const std::vector<Case> cases = {{1234567, "1234567"}, {0.5, "0.5"},      {0.1 + 0.2, "0.3"}, {12.1 + 0.1, "12.2"},
                                   {-0.0, "0"},           {1e-7, "0.0000001"}, {-2.25, "-2.25"}, {1e20, "100000000000000000000"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    field->setDoubleValue(c.value);
    EXPECT_EQ(field->text(), c.shown);
    // Read back to within the shown significant digits.
    EXPECT_NEAR(ODExpressionParser::parseExpression(field->text().toStdString()), c.value, std::abs(c.value) * 1e-14);
  }
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  field->setDoubleValue(0.5);
  EXPECT_EQ(field->text(), "0,5");
  EXPECT_EQ(field->parseDoubleValue(), 0.5);
}

TEST_F(ODTextFieldTest, ReadsPlainNumbersWithTheUsersSeparatorsAndThePoint)
{
  struct Case {
    QLocale locale;
    const char* text;
    double value;
  };
  const QLocale english(QLocale::English, QLocale::UnitedStates);
  const QLocale german(QLocale::German, QLocale::Germany);
  const std::vector<Case> cases = {{english, "1,234.5", 1234.5}, {english, "12:5", 12.5}, {english, " 7 ", 7.0},
                                   {english, "px", 0.0},         {german, "12:5", 12.5},  {german, "12,5", 12.5},
                                   {german, "12.5", 12.5},       {german, "1.234,5", 1234.5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale.name().toStdString() + " " + c.text);
    QLocale::setDefault(c.locale);
    field->setStringValue(c.text);
    EXPECT_EQ(field->doubleValue(), c.value);
  }
  QLocale::setDefault(english);
  field->setStringValue("2.5");
  EXPECT_EQ(field->intValue(), 3);
  field->setStringValue("-2.5");
  EXPECT_EQ(field->intValue(), -3);
}

TEST_F(ODTextFieldTest, FindsSimpleValues)
{
  struct Case {
    const char* text;
    bool has;
    double value;
  };
  const std::vector<Case> cases = {{"a1", false, 0}, {"a12", true, 12}, {"", true, 0},        {"-3.5", true, -3.5},
                                   {"x -4 y", true, -4}, {"12 px", true, 12}, {"1,5 cm", true, 1.5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    field->setStringValue(c.text);
    EXPECT_EQ(field->hasSimpleValue(), c.has);
    EXPECT_EQ(field->simpleValue(), c.value);
  }
  field->setStringValue("w 12.5 px");
  field->setSimpleValue(13);
  EXPECT_EQ(field->text(), "w 13 px");
  field->setStringValue("a1");
  field->setSimpleValue(13);
  EXPECT_EQ(field->text(), "a1");
}

TEST_F(ODTextFieldTest, TellsDelegatesOfPointerAndFocus)
{
  showWindow();
  RecordingDelegates delegates;
  field->setMouseTrackingDelegate(&delegates);
  field->setFirstResponderTrackingDelegate(&delegates);
  field->setIntValue(4);
  QEnterEvent enter(QPointF(5, 5), field->mapTo(&window, QPointF(5, 5)), field->mapToGlobal(QPointF(5, 5)));
  QApplication::sendEvent(field, &enter);
  EXPECT_EQ(delegates.overs, 1);
  // No simple value, or a disabled field: no hover.
  field->setStringValue("ab");
  QApplication::sendEvent(field, &enter);
  field->setIntValue(4);
  field->setEnabled(false);
  QApplication::sendEvent(field, &enter);
  EXPECT_EQ(delegates.overs, 1);
  field->setEnabled(true);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(field, &leave);
  EXPECT_EQ(delegates.exits, 1);

  field->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(delegates.focused, 1);
}

TEST(ODTextFieldSteps, ScrollDirectionsAndStepSizes)
{
  EXPECT_EQ(ODTextField::scrollDirection(0, 0.05), 0);
  EXPECT_EQ(ODTextField::scrollDirection(-0.5, 0), -1);
  EXPECT_EQ(ODTextField::scrollDirection(-0.5, 0.3), 1);  // diagonal: the vertical delta wins
  EXPECT_EQ(ODTextField::scrollDirection(0.5, -0.3), -1);
  EXPECT_EQ(ODTextField::stepSizeForModifiers(Qt::ControlModifier | Qt::ShiftModifier), 0.1);
  EXPECT_EQ(ODTextField::stepSizeForModifiers(Qt::ShiftModifier), 10.0);
  EXPECT_EQ(ODTextField::stepSizeForModifiers(Qt::NoModifier), 1.0);
}

}  // namespace
