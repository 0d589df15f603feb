#include "MorvNode/Inspector/WarningsListItemView.h"

#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMouseEvent>
#include <QPropertyAnimation>

#include "MorvNode/Inspector/InspectorImages.h"
#include "MorvNode/Inspector/WarningItemDelegate.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeClass.h"

namespace {

constexpr int kIconX = 8;
constexpr int kLabelX = 28;
constexpr int kTextTop = 32;
constexpr int kInitialWidth = 220;

}  // namespace

WarningsListItemView::WarningsListItemView(QWidget* parent) : QWidget(parent)
{
  resize(kInitialWidth, 60);
  selectionBackground_ = new QFrame(this);
  selectionBackground_->setAutoFillBackground(true);
  QPalette highlight = selectionBackground_->palette();
  QColor fill = highlight.color(QPalette::Highlight);
  fill.setAlphaF(0.25);
  highlight.setColor(QPalette::Window, fill);
  selectionBackground_->setPalette(highlight);
  selectionBackground_->setGeometry(rect());
  selectionBackground_->hide();
  selectionOpacity_ = new QGraphicsOpacityEffect(selectionBackground_);
  selectionOpacity_->setOpacity(1.0);
  selectionBackground_->setGraphicsEffect(selectionOpacity_);
  flash_ = new QPropertyAnimation(selectionOpacity_, "opacity", this);
  flash_->setDuration(kFlashMilliseconds);
  flash_->setStartValue(0.0);
  flash_->setEndValue(1.0);

  nodeIconView_ = new QLabel(this);
  nodeIconView_->setGeometry(kIconX, 8, 16, 16);
  nodeIconView_->setScaledContents(true);
  QFont small = font();
  small.setPointSizeF(8.0);
  nodeTypeLabel_ = new QLabel(this);
  nodeTypeLabel_->setFont(small);
  nodeTypeLabel_->setGeometry(kLabelX, 4, width() - kLabelX - 8, 12);
  nodeTitleLabel_ = new QLabel(this);
  QFont bold = font();
  bold.setBold(true);
  nodeTitleLabel_->setFont(bold);
  nodeTitleLabel_->setGeometry(kLabelX, 15, width() - kLabelX - 8, 16);
  textLabel_ = new QLabel(this);
  textLabel_->setWordWrap(true);
  textLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  textLabel_->setGeometry(kIconX, kTextTop, width() - 2 * kIconX, 16);
  for (QLabel* label : {nodeTypeLabel_, nodeTitleLabel_, textLabel_}) {
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
}

void WarningsListItemView::setText(const QString& text)
{
  textLabel_->setText(text);
  const QRect frame = textLabel_->geometry();
  const int needed = textLabel_->heightForWidth(frame.width());
  textLabel_->setGeometry(frame.x(), frame.y(), frame.width(), std::max(needed, 1));
  resize(width(), textLabel_->geometry().bottom() + 1 + 10);
}

QString WarningsListItemView::text() const
{
  return textLabel_->text();
}

void WarningsListItemView::setNode(MVNode* node)
{
  if (node != nullptr) {
    nodeTypeLabel_->setText(QString::fromStdString(node->nodeClass().displayTypeName));
    nodeTitleLabel_->setText(QString::fromStdString(node->displayName()));
    nodeTitleLabel_->move(nodeTypeLabel_->x(), nodeTitleLabel_->y());
    nodeIconView_->setPixmap(InspectorImages::tintedTemplate(InspectorImages::iconNamed(node->iconName()),
                                                             nodeIconView_->palette().color(QPalette::WindowText)));
    nodeId_ = node->nodeId();
  } else {
    nodeTypeLabel_->clear();
    nodeTitleLabel_->setText(QStringLiteral("Document"));
    nodeTitleLabel_->move(nodeIconView_->x() + 3, nodeTitleLabel_->y());
    nodeIconView_->clear();
    nodeId_.clear();
  }
  node_ = node;
}

void WarningsListItemView::setSelected(bool selected)
{
  if (selected) {
    if (selected_) {
      flash_->stop();
      selectionOpacity_->setOpacity(0.0);
      flash_->start();
    } else {
      selectionOpacity_->setOpacity(1.0);
    }
    selectionBackground_->show();
  } else {
    flash_->stop();
    selectionBackground_->hide();
  }
  selected_ = selected;
}

bool WarningsListItemView::isFlashing() const
{
  return flash_->state() == QAbstractAnimation::Running;
}

void WarningsListItemView::mousePressEvent(QMouseEvent* event)
{
  event->accept();
  if (delegate_ != nullptr) {
    delegate_->warningItemClicked(this);
  }
}

void WarningsListItemView::resizeEvent(QResizeEvent* event)
{
  QWidget::resizeEvent(event);
  selectionBackground_->setGeometry(rect());
  for (QLabel* label : {nodeTypeLabel_, nodeTitleLabel_, textLabel_}) {
    label->resize(std::max(width() - label->x() - 8, 10), label->height());
  }
}
