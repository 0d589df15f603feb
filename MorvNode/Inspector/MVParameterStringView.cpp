#include "MorvNode/Inspector/MVParameterStringView.h"

#include <algorithm>
#include <cmath>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextDocument>

#include "MorvNode/Inspector/InspectorControls.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVParameterString.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr int kInitialHeight = 24;

}  // namespace

MVParameterStringView::MVParameterStringView(QWidget* parent) : MVParameterView(parent) {}

void MVParameterStringView::setParameter(MVParameter* parameter)
{
  parameter_ = dynamic_cast<MVParameterString*>(parameter);
  MVParameterView::setParameter(parameter);
}

void MVParameterStringView::initInterface()
{
  setLayoutSpaceBelow(2);
  MVParameterView::initInterface();
  if (parameter_ == nullptr) {
    FeedbackManager::log("Warning, %@ initInterface called with no parameter set", description());
    return;
  }
  const int top = static_cast<int>(interfaceBuildingPositionY());
  textField_ = new QPlainTextEdit(this);
  textField_->setGeometry(9, top, std::max(0, width() - 19), kInitialHeight);
  textField_->setFont(primaryFont());
  textField_->setToolTip(QString::fromStdString(parameter_->tooltip()));
  textField_->setPlainText(QString::fromStdString(parameter_->string().value_or(std::string())));
  textField_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  textField_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  textField_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  textField_->setTabChangesFocus(true);
  textField_->document()->setDocumentMargin(2);
  InspectorControls::setTextColor(textField_, MVInterfaceAssets::color("NodeParameterText"));
  textField_->installEventFilter(this);
  connect(textField_, &QPlainTextEdit::textChanged, this, [this] {
    editing_ = editing_ || textField_->hasFocus();
    updateTextFieldSize();
  });
  setInterfaceBuildingPositionY(top + kInitialHeight);
}

bool MVParameterStringView::eventFilter(QObject* watched, QEvent* event)
{
  if (watched == textField_) {
    if (event->type() == QEvent::FocusOut) {
      controlTextDidEndEditing();
    } else if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !(key->modifiers() & Qt::ShiftModifier)) {
        editing_ = true;
        controlTextDidEndEditing();
        return true;
      }
    }
  }
  return MVParameterView::eventFilter(watched, event);
}

void MVParameterStringView::controlTextDidEndEditing()
{
  if (!editing_) {
    return;
  }
  editing_ = false;
  if (parameter_ != nullptr && parameter_->enabled() && !parameter_->layoutHidden()) {
    parameter_->setString(textField_->toPlainText().toStdString());
  }
}

void MVParameterStringView::updateInterface()
{
  if (parameter_ != nullptr && textField_ != nullptr) {
    const QString text = QString::fromStdString(parameter_->string().value_or(std::string()));
    if (!editing_ && textField_->toPlainText() != text) {
      textField_->setPlainText(text);
      editing_ = false;
    }
    updateTextFieldSize();
    textField_->setHidden(!parameter_->enabled());
  }
  MVParameterView::updateInterface();
}

void MVParameterStringView::updateTextFieldSize()
{
  if (textField_ == nullptr) {
    return;
  }
  const int width = textField_->width();
  const int margins = 2 * textField_->frameWidth() + 2 * static_cast<int>(std::ceil(textField_->document()->documentMargin()));
  const QString text = textField_->toPlainText().isEmpty() ? QStringLiteral(" ") : textField_->toPlainText();
  const QRect bounds = QFontMetrics(textField_->font())
                           .boundingRect(QRect(0, 0, std::max(1, width - margins), 100000),
                                         Qt::TextWordWrap | Qt::TextWrapAnywhere, text);
  const int height = std::max(kInitialHeight, std::min(kMaxTextHeight, bounds.height() + margins));
  const int newWidth = std::max(width, std::max(0, this->width() - 19));
  if (height != textField_->height() || newWidth != width) {
    textField_->resize(newWidth, height);
    resizeToFit();
  }
}

QWidget* MVParameterStringView::firstKeyView() const
{
  return textField_;
}
