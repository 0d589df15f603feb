#include "MorvNode/Interface/RenderingInformationView.h"

#include <QHBoxLayout>
#include <QLabel>

RenderingInformationView::RenderingInformationView(QWidget* parent)
  : QFrame(parent)
{
  setFrameShape(QFrame::NoFrame);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(8, 2, 8, 2);
  layout->setSpacing(14);
  for (QLabel** label : {&renderSize_, &elementCount_, &calculationTime_, &renderTime_}) {
    *label = new QLabel;
    (*label)->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(*label);
  }
  layout->addStretch(1);
}

void RenderingInformationView::setRenderSizeText(const std::string& text)
{
  renderSize_->setText(QString::fromStdString(text));
}

void RenderingInformationView::setElementCountText(const std::string& text)
{
  elementCount_->setText(tr("Elements: %1").arg(QString::fromStdString(text)));
}

void RenderingInformationView::setCalculationTimeText(const std::string& text)
{
  calculationTime_->setText(QString::fromStdString(text));
}

void RenderingInformationView::setRenderTimeText(const std::string& text)
{
  renderTime_->setText(QString::fromStdString(text));
}

QString RenderingInformationView::text() const
{
  return QStringList{renderSize_->text(), elementCount_->text(), calculationTime_->text(), renderTime_->text()}.join("  ");
}
