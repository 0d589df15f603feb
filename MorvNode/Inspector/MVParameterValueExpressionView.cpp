#include "MorvNode/Inspector/MVParameterValueExpressionView.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "MorvNode/Inspector/InspectorControls.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr int kTextX = 9;
constexpr int kInitialTextHeight = 24;

}  // namespace

MVParameterValueExpressionView::MVParameterValueExpressionView(QWidget* parent) : MVParameterView(parent) {}

void MVParameterValueExpressionView::setParameter(MVParameter* parameter)
{
  parameter_ = dynamic_cast<MVParameterValueExpression*>(parameter);
  MVParameterView::setParameter(parameter);
}

void MVParameterValueExpressionView::initInterface()
{
  setLayoutSpaceBelow(2);
  MVParameterView::initInterface();
  if (parameter_ == nullptr) {
    FeedbackManager::log("Warning, %@ initInterface called with no parameter set", description());
    return;
  }
  const int top = static_cast<int>(interfaceBuildingPositionY());
  inputParameterLabel_ = InspectorControls::label(
      this, tr("Input variable that can be used in the expression to the right"), "NodeParameterText", true);
  inputParameterLabel_->setAttribute(Qt::WA_TransparentForMouseEvents, false);
  inputParameterLabel_->setGeometry(10, top + 2, 15, 20);
  inputParameterLabel_->setText(QString::fromStdString(parameter_->inputParameterName()));

  textField_ = new QPlainTextEdit(this);
  textField_->setGeometry(kTextX, top, std::max(0, width() - 19), kInitialTextHeight);
  textField_->setFont(primaryFont());
  textField_->setToolTip(QString::fromStdString(parameter_->tooltip()));
  textField_->setPlainText(QString::fromStdString(parameter_->expressionString()));
  textField_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  textField_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  textField_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  textField_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  textField_->setTabChangesFocus(true);
  textField_->document()->setDocumentMargin(2);
  InspectorControls::setTextColor(textField_, MVInterfaceAssets::color("NodeParameterText"));
  textField_->installEventFilter(this);
  connect(textField_, &QPlainTextEdit::textChanged, this, [this] {
    editing_ = editing_ || textField_->hasFocus();
    updateTextFieldSize();
  });
  setInterfaceBuildingPositionY(top + kInitialTextHeight);
}

bool MVParameterValueExpressionView::eventFilter(QObject* watched, QEvent* event)
{
  if (watched == textField_) {
    if (event->type() == QEvent::FocusOut) {
      controlTextDidEndEditing();
    } else if (event->type() == QEvent::KeyPress) {
      // Return ends the edit as in a one-line field; Shift+Return starts a new line.
      auto* key = static_cast<QKeyEvent*>(event);
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !(key->modifiers() & Qt::ShiftModifier)) {
        controlTextDidEndEditing();
        return true;
      }
    }
  }
  return MVParameterView::eventFilter(watched, event);
}

void MVParameterValueExpressionView::controlTextDidEndEditing()
{
  if (!editing_) {
    return;
  }
  editing_ = false;
  if (parameter_ != nullptr && parameter_->enabled() && !parameter_->layoutHidden()) {
    parameter_->setExpressionString(textField_->toPlainText().toStdString());
  }
}

void MVParameterValueExpressionView::updateInterface()
{
  if (parameter_ != nullptr && textField_ != nullptr) {
    inputParameterLabel_->setVisible(parameter_->enabled() && parameter_->hasInputSocket());
    const QString text = QString::fromStdString(parameter_->expressionString());
    if (!editing_ && textField_->toPlainText() != text) {
      const bool wasEditing = editing_;
      textField_->setPlainText(text);
      editing_ = wasEditing;
    }
    updateTextFieldSize();
    QPalette palette = textField_->palette();
    QColor background = QApplication::palette().color(QPalette::Base);
    if (parameter_->parsingErrorFlag()) {
      QColor warning = MVInterfaceAssets::color("WarningColor");
      warning.setAlphaF(0.3);
      // The tint over the control background, so that the text stays readable.
      background = QColor::fromRgbF(background.redF() * 0.7 + warning.redF() * 0.3,
                                    background.greenF() * 0.7 + warning.greenF() * 0.3,
                                    background.blueF() * 0.7 + warning.blueF() * 0.3);
    }
    palette.setColor(QPalette::Base, background);
    textField_->setPalette(palette);
    textField_->setHidden(!parameter_->enabled());
  }
  MVParameterView::updateInterface();
}

QSize MVParameterValueExpressionView::textContentSize() const
{
  const int margins = 2 * textField_->frameWidth() + 2 * static_cast<int>(std::ceil(textField_->document()->documentMargin()));
  const int width = std::max(1, textField_->width() - margins);
  const QString text = textField_->toPlainText().isEmpty() ? QStringLiteral(" ") : textField_->toPlainText();
  const QRect bounds = QFontMetrics(textField_->font())
                           .boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap | Qt::TextWrapAnywhere, text);
  return {bounds.width() + margins, bounds.height() + margins};
}

void MVParameterValueExpressionView::updateTextFieldSize()
{
  if (textField_ == nullptr) {
    return;
  }
  int available = std::max(0, width() - 19);
  int x = kTextX;
  if (inputParameterLabel_->isVisibleTo(this)) {
    available -= inputParameterLabel_->width();
    x = inputParameterLabel_->x() + inputParameterLabel_->width();
  }
  textField_->setGeometry(x, textField_->y(), available, textField_->height());
  const QSize needed = textContentSize();
  const int height = std::max(kInitialTextHeight, std::min(kMaxTextHeight, needed.height()));
  if (height != textField_->height()) {
    textField_->resize(available, height);
    resizeToFit();
  }
}

double MVParameterValueExpressionView::socketInterfaceLocationForSocket(int) const
{
  return textField_ != nullptr ? textField_->y() + 3.0 : 0.0;
}

QWidget* MVParameterValueExpressionView::firstKeyView() const
{
  return textField_;
}
