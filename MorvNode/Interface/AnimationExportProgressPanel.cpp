#include "MorvNode/Interface/AnimationExportProgressPanel.h"

#include <algorithm>
#include <cmath>

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "MorvNode/Document/MVAnimationExport.h"

namespace {

// The bar's determinate range: fractions in thousandths.
constexpr int kProgressSteps = 1000;

}  // namespace

AnimationExportProgressPanel::AnimationExportProgressPanel(MVAnimationExport& animationExport, QWidget* parent)
    : QDialog(parent), animationExport_(animationExport)
{
  setWindowTitle(tr("Export animation"));
  setModal(true);
  progressBar_ = new QProgressBar(this);
  progressBar_->setRange(0, kProgressSteps);
  progressBar_->setValue(0);
  progressBar_->setTextVisible(false);
  leftLabel_ = new QLabel(this);
  rightLabel_ = new QLabel(this);
  rightLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* labels = new QHBoxLayout;
  labels->addWidget(leftLabel_, 1);
  labels->addWidget(rightLabel_, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  cancelButton_ = buttons->button(QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::rejected, this, &AnimationExportProgressPanel::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(progressBar_);
  layout->addLayout(labels);
  layout->addWidget(buttons);
  setMinimumWidth(420);
}

void AnimationExportProgressPanel::animationExportProgress(const std::string& leftLabel,
                                                           const std::string& rightLabel,
                                                           std::optional<double> fraction)
{
  leftLabel_->setText(QString::fromStdString(leftLabel));
  rightLabel_->setText(QString::fromStdString(rightLabel));
  if (fraction) {
    progressBar_->setRange(0, kProgressSteps);
    progressBar_->setValue(static_cast<int>(std::lround(std::clamp(*fraction, 0.0, 1.0) * kProgressSteps)));
  } else {
    progressBar_->setRange(0, 0);  // indeterminate
  }
}

void AnimationExportProgressPanel::animationExportFinished(Outcome outcome)
{
  outcome_ = outcome;
  if (outcome == Outcome::Written) {
    QDialog::accept();
  } else {
    QDialog::reject();
  }
}

void AnimationExportProgressPanel::reject()
{
  if (outcome_ || !animationExport_.isRunning()) {
    QDialog::reject();
    return;
  }
  // Only a request: the export stops at its next step and then closes the panel.
  cancelButton_->setEnabled(false);
  leftLabel_->setText(tr("Cancelling..."));
  animationExport_.exportAbort();
}
