#pragma once

#include <optional>

#include <QLineEdit>
#include <QLocale>
#include <QString>

class ODTextFieldFirstResponderDelegate;
class ODTextFieldKeyTrackingDelegate;
class ODTextFieldMouseTrackingDelegate;

// The numeric entry field of the value rows. The user may type a plain number, a number with
// surrounding text ("12 px") or an arithmetic expression; parseDoubleValue evaluates it and, when
// it does not evaluate, alerts and reverts to the value of the text the edit began with. While
// the field has focus the arrow keys step its simple value (the first number in the text), the
// scroll wheel steps it when the preference allows, and Escape restores the text of the edit
// start. Delegates hear of pointer enter and exit, of focus and of key releases.
//
// Values are shown in plain decimal notation that the expression evaluator reads back, with the
// user's decimal separator (QLocale's default locale): never an exponent. Numbers read from text
// accept that separator as well as the point.
//
// The action (signal `action`) goes out at the end of an edit that changed the text (Return,
// Enter or losing focus), after each arrow or wheel step and, with sendActionOnEachKey, after
// every key release. A general component: it knows nothing of parameters. Main thread only.
class ODTextField : public QLineEdit {
  Q_OBJECT

public:
  static constexpr const char* kScrollWheelEditingKey = "Enable Scroll Wheel Value Editing";
  // Significant digits of a shown value: enough to read back what was stored, few enough that
  // 0.1 steps do not show binary noise (12.199999999999999).
  static constexpr int kShownSignificantDigits = 15;

  explicit ODTextField(QWidget* parent = nullptr);

  // The text evaluated as an expression (no variables). An empty text shows and gives 0. A text
  // that does not evaluate to a finite number beeps, alerts, logs, shows and answers the value
  // of the edit-start text (0 when there is none or it does not evaluate either).
  double parseDoubleValue();
  // The leading plain number of the text, tolerant of the user's separators; 0 when none.
  double doubleValue() const;
  // doubleValue to the nearest integer, halves away from zero, saturated.
  int intValue() const;
  void setDoubleValue(double value);
  void setIntValue(int value);
  void setIntegerValue(long long value);
  // Shows the text unchanged.
  void setStringValue(const QString& text);

  // A number found in the text without evaluating it: the whole text when it holds only
  // "0123456789-.", else the first number in a text of at least 3 characters.
  bool hasSimpleValue() const;
  double simpleValue() const;  // 0 when there is none
  // Replaces the simple value, keeping the text around it; nothing when there is none.
  void setSimpleValue(double value);
  // True when the text has no character outside "0123456789-." (the empty text included).
  static bool stringIsNumber(const QString& text);

  bool isFirstResponder() const { return hasFocus(); }
  // The text when the current edit began; nullopt while the field is not being edited.
  const std::optional<QString>& editStartContentString() const { return editStartContentString_; }

  bool sendActionOnEachKey() const { return sendActionOnEachKey_; }
  void setSendActionOnEachKey(bool send) { sendActionOnEachKey_ = send; }
  // Which value of a row the field shows (0 X, 1 Y).
  int tag() const { return tag_; }
  void setTag(int tag) { tag_ = tag; }

  // Not owned; whoever sets them (the row) outlives the field or clears them.
  void setMouseTrackingDelegate(ODTextFieldMouseTrackingDelegate* delegate) { mouseTrackingDelegate_ = delegate; }
  void setFirstResponderTrackingDelegate(ODTextFieldFirstResponderDelegate* delegate) { firstResponderDelegate_ = delegate; }
  void setKeyTrackingDelegate(ODTextFieldKeyTrackingDelegate* delegate) { keyTrackingDelegate_ = delegate; }

  // The shown form of a value: plain decimal notation, at most kShownSignificantDigits
  // significant digits, trailing zeros dropped, the separator given; "0" for NaN.
  static QString stringForValue(double value, const QString& decimalSeparator);
  // The locale whose separators the field shows and reads (the default QLocale).
  static QLocale userLocale() { return QLocale(); }

  // Steps of the arrow keys and the wheel: 0.1 with Ctrl, else 10 with Shift, else 1.
  static double stepSizeForModifiers(Qt::KeyboardModifiers modifiers);
  // -1, 0 or +1 from a wheel delta in lines (vertical first, horizontal only when the vertical
  // delta is exactly 0); movements of 0.09 lines or less count as none.
  static int scrollDirection(double deltaX, double deltaY);

  // Sends the action (also used by the rows to commit a pending edit).
  void sendAction() { emit action(this); }
  // Ends a pending edit: sends the action when the text was edited, then forgets the edit start.
  void endEditing();

signals:
  void action(ODTextField* field);

protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

private:
  // The text the field shows while idle; the edit start when the user begins to type.
  void showText(const QString& text);
  void textWasEdited();
  // Whether a point of the field (field coordinates) is covered by a view that is neither the
  // field nor one of its siblings.
  bool isObscuredAt(const QPoint& point) const;

  ODTextFieldMouseTrackingDelegate* mouseTrackingDelegate_ = nullptr;     // not owned
  ODTextFieldFirstResponderDelegate* firstResponderDelegate_ = nullptr;   // not owned
  ODTextFieldKeyTrackingDelegate* keyTrackingDelegate_ = nullptr;         // not owned
  std::optional<QString> editStartContentString_;
  QString idleText_;  // the text before the current edit
  bool sendActionOnEachKey_ = false;
  bool endingEdit_ = false;
  int tag_ = 0;
};
