#pragma once

#include <optional>
#include <string>

#include <QDialog>

#include "MorvNode/Document/MVAnimationExportProgress.h"

class MVAnimationExport;
class QLabel;
class QProgressBar;
class QPushButton;

// The animation export's progress panel: a bar, what is being done on the left, frames and the
// time remaining on the right, and Cancel, which only asks the export to stop (it stops at its
// next step, leaving nothing behind). It runs modally while the export's steps fire on the run
// loop, and closes itself when the export reports its end.
class AnimationExportProgressPanel final : public QDialog, public MVAnimationExportProgress {
  Q_OBJECT

public:
  // The export outlives the panel.
  explicit AnimationExportProgressPanel(MVAnimationExport& animationExport, QWidget* parent = nullptr);

  // ---- MVAnimationExportProgress ----
  void animationExportProgress(const std::string& leftLabel, const std::string& rightLabel,
                               std::optional<double> fraction) override;
  void animationExportFinished(Outcome outcome) override;

  // Escape and the window's close button cancel like the Cancel button.
  void reject() override;

  std::optional<Outcome> outcome() const { return outcome_; }
  QProgressBar* progressBar() const { return progressBar_; }
  QLabel* leftLabel() const { return leftLabel_; }
  QLabel* rightLabel() const { return rightLabel_; }
  QPushButton* cancelButton() const { return cancelButton_; }

private:
  MVAnimationExport& animationExport_;
  std::optional<Outcome> outcome_;
  QProgressBar* progressBar_ = nullptr;
  QLabel* leftLabel_ = nullptr;
  QLabel* rightLabel_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};
