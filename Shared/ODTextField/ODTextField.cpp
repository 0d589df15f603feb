#include "Shared/ODTextField/ODTextField.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include <QApplication>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QWheelEvent>

#include "Platform/Format.h"
#include "Platform/Numbers.h"
#include "Platform/UserDefaults.h"
#include "Shared/ExpressionParser/ODExpressionParser.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODTextField/ODTextFieldFirstResponderDelegate.h"
#include "Shared/ODTextField/ODTextFieldKeyTrackingDelegate.h"
#include "Shared/ODTextField/ODTextFieldMouseTrackingDelegate.h"

namespace {

// An optional minus, digits, and optionally a point followed by digits.
const QRegularExpression& numberPattern()
{
  static const QRegularExpression pattern(QStringLiteral("-?[0-9]\\d*(\\.\\d+)?"),
                                          QRegularExpression::CaseInsensitiveOption);
  return pattern;
}

// The leading number of a locale-free text ("12.5abc" gives 12.5); 0 when there is none.
double leadingNumber(const QString& text)
{
  const std::string bytes = text.toStdString();
  const char* begin = bytes.data();
  const char* end = bytes.data() + bytes.size();
  if (begin != end && *begin == '+') {
    ++begin;
  }
  double value = 0.0;
  const auto [next, error] = std::from_chars(begin, end, value, std::chars_format::fixed);
  if (error != std::errc() || next == begin) {
    return 0.0;
  }
  return value;
}

}  // namespace

ODTextField::ODTextField(QWidget* parent) : QLineEdit(parent)
{
  setMouseTracking(true);
  connect(this, &QLineEdit::textEdited, this, [this] { textWasEdited(); });
}

// ---- Values ----

QString ODTextField::stringForValue(double value, const QString& decimalSeparator)
{
  if (std::isnan(value)) {
    return QStringLiteral("0");
  }
  if (std::isinf(value)) {
    value = value > 0 ? std::numeric_limits<double>::max() : std::numeric_limits<double>::lowest();
  }
  if (value == 0.0) {
    return QStringLiteral("0");
  }
  // The decimal exponent of the value decides how many fraction digits carry the significant ones.
  char buffer[400];
  const auto scientific = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                                        kShownSignificantDigits - 1);
  const std::string_view text(buffer, static_cast<std::size_t>(scientific.ptr - buffer));
  const std::size_t exponentAt = text.find('e');
  int exponent = 0;
  std::from_chars(text.data() + exponentAt + 1 + (text[exponentAt + 1] == '+' ? 1 : 0), text.data() + text.size(), exponent);
  const int fractionDigits = std::clamp(kShownSignificantDigits - 1 - exponent, 0, 330);
  const auto fixed = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, fractionDigits);
  std::string result(buffer, static_cast<std::size_t>(fixed.ptr - buffer));
  if (result.find('.') != std::string::npos) {
    while (result.back() == '0') {
      result.pop_back();
    }
    if (result.back() == '.') {
      result.pop_back();
    }
  }
  if (result == "-0") {
    result = "0";
  }
  QString shown = QString::fromStdString(result);
  shown.replace(QLatin1Char('.'), decimalSeparator);
  return shown;
}

void ODTextField::setDoubleValue(double value)
{
  showText(stringForValue(value, userLocale().decimalPoint()));
}

void ODTextField::setIntValue(int value)
{
  showText(QString::number(value));
}

void ODTextField::setIntegerValue(long long value)
{
  showText(QString::number(value));
}

void ODTextField::setStringValue(const QString& text)
{
  showText(text);
}

void ODTextField::showText(const QString& text)
{
  if (!editStartContentString_) {
    idleText_ = text;
  }
  setText(text);
}

double ODTextField::parseDoubleValue()
{
  const QString current = text();
  const std::string typed = current.toStdString();
  if (ODExpressionParser::prepareExpressionString(typed).empty()) {
    showText(QStringLiteral("0"));
    return 0.0;
  }
  const double result = ODExpressionParser::parseExpression(typed);
  // An infinite result (a number of thousands of digits, 1/0) is no value either.
  if (std::isfinite(result)) {
    return result;
  }
  QApplication::beep();
  double revertValue = 0.0;
  std::string informative;
  if (editStartContentString_) {
    informative = pf::format("Could not parse the expression '%@', will revert to previous value '%@'", typed,
                             editStartContentString_->toStdString());
    revertValue = ODExpressionParser::parseExpression(editStartContentString_->toStdString());
    if (!std::isfinite(revertValue)) {
      revertValue = 0.0;
    }
  } else {
    informative = pf::format("Could not parse the expression '%@', will set to 0 instead", typed);
  }
  FeedbackManager::log("ODTextField parse error, could not parse expression '%@', reverting to %g", typed, revertValue);
  FeedbackManager::showNSAlert(std::string("Expression parsing error"), informative);
  setDoubleValue(revertValue);
  return revertValue;
}

double ODTextField::doubleValue() const
{
  const QLocale locale = userLocale();
  const QString decimal = locale.decimalPoint();
  const QString grouping = locale.groupSeparator();
  QString cleaned = text();
  // A point as grouping separator would turn 12.5 into 125: it is taken for grouping only in a
  // text that also holds the decimal separator ("1.234,5").
  if (!grouping.isEmpty() && (grouping != QStringLiteral(".") || cleaned.contains(decimal))) {
    cleaned.remove(grouping);
  }
  cleaned.replace(QLatin1Char(':'), QLatin1Char('.'));
  const qsizetype firstComma = cleaned.indexOf(QLatin1Char(','));
  const qsizetype firstPoint = cleaned.indexOf(QLatin1Char('.'));
  if (firstComma >= 0 && firstPoint >= 0 && firstComma < firstPoint) {
    cleaned.remove(QLatin1Char(','));
  }
  cleaned.remove(QRegularExpression(QStringLiteral("\\s")));
  if (decimal != QStringLiteral(".")) {
    cleaned.replace(decimal, QStringLiteral("."));
  }
  return leadingNumber(cleaned);
}

int ODTextField::intValue() const
{
  return pf::roundedSaturatingCast<int>(doubleValue());
}

// ---- Simple value ----

bool ODTextField::stringIsNumber(const QString& text)
{
  return std::all_of(text.begin(), text.end(), [](QChar character) {
    return (character >= QLatin1Char('0') && character <= QLatin1Char('9')) || character == QLatin1Char('-') ||
           character == QLatin1Char('.');
  });
}

bool ODTextField::hasSimpleValue() const
{
  const QString current = text();
  if (stringIsNumber(current)) {
    return true;
  }
  return current.size() >= 3 && numberPattern().match(current).hasMatch();
}

double ODTextField::simpleValue() const
{
  QString cleaned = text();
  cleaned.remove(QLatin1Char(' '));
  cleaned.replace(QLatin1Char(','), QLatin1Char('.'));
  cleaned.replace(QLatin1Char(':'), QLatin1Char('.'));
  if (!stringIsNumber(cleaned) && cleaned.size() >= 3) {
    const QRegularExpressionMatch match = numberPattern().match(cleaned);
    if (match.hasMatch()) {
      return leadingNumber(match.captured(0));
    }
  }
  return leadingNumber(cleaned);
}

void ODTextField::setSimpleValue(double value)
{
  const QString current = text();
  const QString shown = stringForValue(value, userLocale().decimalPoint());
  if (stringIsNumber(current)) {
    setText(shown);
    return;
  }
  if (current.size() < 3) {
    return;
  }
  const QRegularExpressionMatch match = numberPattern().match(current);
  if (match.hasMatch()) {
    QString replaced = current;
    replaced.replace(match.capturedStart(0), match.capturedLength(0), shown);
    setText(replaced);
  }
}

// ---- Steps ----

double ODTextField::stepSizeForModifiers(Qt::KeyboardModifiers modifiers)
{
  if (modifiers & Qt::ControlModifier) {
    return 0.1;
  }
  if (modifiers & Qt::ShiftModifier) {
    return 10.0;
  }
  return 1.0;
}

int ODTextField::scrollDirection(double deltaX, double deltaY)
{
  int direction = 0;
  if (deltaY < -0.09 || (deltaY == 0.0 && deltaX < -0.09)) {
    direction = -1;
  }
  if (deltaY > 0.09 || (deltaY == 0.0 && deltaX > 0.09)) {
    direction = 1;
  }
  return direction;
}

// ---- Editing ----

void ODTextField::textWasEdited()
{
  if (!editStartContentString_) {
    editStartContentString_ = idleText_;
  }
}

void ODTextField::endEditing()
{
  // The action's receiver may show an alert, which takes focus: that ends nothing a second time.
  if (!editStartContentString_ || endingEdit_) {
    return;
  }
  endingEdit_ = true;
  // The action's receiver still finds the edit start when it calls parseDoubleValue.
  sendAction();
  endingEdit_ = false;
  editStartContentString_.reset();
  idleText_ = text();
}

bool ODTextField::event(QEvent* event)
{
  // Keep the keys the field handles from window shortcuts while it has focus.
  if (event->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) && hasSimpleValue()) {
      event->accept();
      return true;
    }
    if (key->key() == Qt::Key_Escape && editStartContentString_) {
      event->accept();
      return true;
    }
  }
  return QLineEdit::event(event);
}

void ODTextField::keyPressEvent(QKeyEvent* event)
{
  if (event->key() == Qt::Key_Escape && editStartContentString_) {
    setText(*editStartContentString_);
    event->accept();
    return;
  }
  if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && hasSimpleValue()) {
    const double step = stepSizeForModifiers(event->modifiers()) * (event->key() == Qt::Key_Up ? 1.0 : -1.0);
    const double value = simpleValue() + step;
    setText(stringForValue(value, userLocale().decimalPoint()));
    sendAction();
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    endEditing();
    selectAll();
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void ODTextField::keyReleaseEvent(QKeyEvent* event)
{
  QLineEdit::keyReleaseEvent(event);
  if (keyTrackingDelegate_ != nullptr) {
    keyTrackingDelegate_->textFieldEdited(this);
  }
  if (sendActionOnEachKey_) {
    sendAction();
  }
}

void ODTextField::wheelEvent(QWheelEvent* event)
{
  // Never passed on: scrolling over a numeric field never scrolls the canvas.
  event->accept();
  if (!pf::UserDefaults::standard().boolForKey(kScrollWheelEditingKey) || !isEnabled() || !hasSimpleValue()) {
    return;
  }
  // One notch of a wheel is 120 eighths of a degree: one line.
  const QPoint angle = event->angleDelta();
  const int direction = scrollDirection(angle.x() / 120.0, angle.y() / 120.0);
  const double change = direction * stepSizeForModifiers(event->modifiers());
  if (change == 0.0) {
    return;
  }
  setSimpleValue(simpleValue() + change);
  sendAction();
  if (!hasFocus()) {
    setFocus(Qt::OtherFocusReason);
  }
}

void ODTextField::focusInEvent(QFocusEvent* event)
{
  QLineEdit::focusInEvent(event);
  if (firstResponderDelegate_ != nullptr) {
    firstResponderDelegate_->textFieldBecameFirstResponder(this);
  }
}

void ODTextField::focusOutEvent(QFocusEvent* event)
{
  QLineEdit::focusOutEvent(event);
  // A pop-up (a context menu) or another window (an alert, the user switching) takes focus only
  // for a while: the edit goes on.
  if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason) {
    endEditing();
  }
}

// ---- Pointer ----

bool ODTextField::isObscuredAt(const QPoint& point) const
{
  if (parentWidget() == nullptr) {
    return true;
  }
  const QWidget* top = window();
  const QWidget* hit = top->childAt(mapTo(top, point));
  if (hit == nullptr) {
    return true;
  }
  return !(hit == this || isAncestorOf(hit) || hit->parentWidget() == parentWidget());
}

void ODTextField::enterEvent(QEnterEvent* event)
{
  QLineEdit::enterEvent(event);
  if (mouseTrackingDelegate_ != nullptr && isEnabled() && !isObscuredAt(event->position().toPoint()) && hasSimpleValue()) {
    mouseTrackingDelegate_->textFieldMouseOver(this);
  }
}

void ODTextField::leaveEvent(QEvent* event)
{
  QLineEdit::leaveEvent(event);
  if (mouseTrackingDelegate_ != nullptr) {
    mouseTrackingDelegate_->textFieldMouseExited(this);
  }
}
