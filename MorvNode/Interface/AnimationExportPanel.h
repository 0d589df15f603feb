#pragma once

#include <functional>
#include <optional>

#include <QDialog>
#include <QString>

#include "MorvNode/Document/MVAnimationExport.h"
#include "MorvNode/Document/MVAnimationExportPanelState.h"
#include "MorvNode/Document/MVAnimationExportProgress.h"
#include "MorvNode/Interface/ExportPanelControls.h"

class AnimationExportProgressPanel;
class MVDocument;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The animation export panel of a document: where to write (a file field with the desktop's
// standard save dialog behind "Choose..."), the format, the movie codec, the size (or scale to
// display), the GIF matte colour, and what the export will make (frames and duration, the
// names of frame files). Every control sends its change to the export (MVAnimationExport),
// which keeps the document's settings and answers what the panel shows. Confirming runs the
// export behind the modal progress panel.
class AnimationExportPanel final : public QDialog {
  Q_OBJECT

public:
  // The document outlives the panel. Opening the panel fits the sizes to the artboard.
  explicit AnimationExportPanel(MVDocument& document, QWidget* parent = nullptr);
  ~AnimationExportPanel() override;

  // File > Export Animation...: "No parameter animations" when there is nothing to export,
  // the artboard warning, then the panel, modally. true when a file was written.
  static bool exportAnimation(MVDocument& document, QWidget* parent);

  QString filePath() const;
  void setFilePath(const QString& path);
  // Confirms: asks before replacing an existing file, then runs the export behind the progress
  // panel and closes.
  void accept() override;
  std::optional<MVAnimationExportProgress::Outcome> outcome() const { return outcome_; }
  // Called with the progress panel before it runs (tests press its Cancel button from here).
  void setProgressPanelHook(std::function<void(AnimationExportProgressPanel&)> hook) { progressHook_ = std::move(hook); }

  // The controls, for tests.
  QComboBox* formatMenu() const { return formatMenu_; }
  QComboBox* codecMenu() const { return codecMenu_; }
  QLabel* codecLabel() const { return codecLabel_; }
  QCheckBox* scaleToDisplayButton() const { return controls_.scaleToDisplayButton; }
  QLineEdit* sizeXField() const { return controls_.sizeXField; }
  QLineEdit* sizeYField() const { return controls_.sizeYField; }
  QLabel* pixelLabel() const { return controls_.pixelLabel; }
  QLabel* framesLabel() const { return framesLabel_; }
  QLabel* frameFilesLabel() const { return frameFilesLabel_; }
  QCheckBox* matteButton() const { return controls_.matteButton; }
  QPushButton* matteWell() const { return controls_.matteWell; }
  QPushButton* exportButton() const { return exportButton_; }

private:
  void buildInterface();
  void updateInterface();
  void controlChanged(MVAnimationExportPanelControl control, double value);
  void sizeFieldEdited(MVAnimationExportPanelControl control, QLineEdit* field);
  void chooseFile();
  void chooseMatteColor();

  MVDocument& document_;
  MVAnimationExport animationExport_;
  ExportPanelControls controls_;
  std::function<void(AnimationExportProgressPanel&)> progressHook_;
  std::optional<MVAnimationExportProgress::Outcome> outcome_;
  bool updating_ = false;
  QString currentFormat_;
  QComboBox* formatMenu_ = nullptr;
  QComboBox* codecMenu_ = nullptr;
  QLabel* codecLabel_ = nullptr;
  QLabel* framesLabel_ = nullptr;
  QLabel* frameFilesLabel_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
  QPushButton* exportButton_ = nullptr;
};
