#pragma once

#include <QDialog>
#include <QString>

#include "MorvNode/Document/MVExportPanelState.h"
#include "MorvNode/Interface/ExportPanelControls.h"

class MVDocument;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The image export panel of a document: where to write (a file field with the desktop's
// standard save dialog behind "Choose..."), and the export settings that the document keeps
// (format, size units, size, scale to display, the EPS and SVG warnings, the GIF matte colour).
// Every control sends its change to the document, which updates its settings and answers what
// the panel shows (MVExportPanelState); confirming exports through the document.
class ExportPanel final : public QDialog {
  Q_OBJECT

public:
  // The document outlives the panel. Opening the panel fits the sizes to the artboard.
  explicit ExportPanel(MVDocument& document, QWidget* parent = nullptr);
  ~ExportPanel() override;

  // Runs the panel modally and exports when it is confirmed; false when cancelled or failed.
  static bool exportFile(MVDocument& document, QWidget* parent);

  // The file the export goes to, as the field shows it.
  QString filePath() const;
  void setFilePath(const QString& path);
  // True once a confirmed export was written.
  bool exported() const { return exported_; }

  // Confirms: asks before replacing an existing file that the save dialog has not asked about,
  // then exports and closes.
  void accept() override;

  // The controls, for tests.
  QComboBox* formatMenu() const { return formatMenu_; }
  QComboBox* sizeUnitMenu() const { return sizeUnitMenu_; }
  QCheckBox* scaleToDisplayButton() const { return controls_.scaleToDisplayButton; }
  QLineEdit* sizeXField() const { return controls_.sizeXField; }
  QLineEdit* sizeYField() const { return controls_.sizeYField; }
  QLabel* pixelLabel() const { return controls_.pixelLabel; }
  QLabel* epsWarning() const { return epsWarning_; }
  QLabel* svgWarning() const { return svgWarning_; }
  QCheckBox* matteButton() const { return controls_.matteButton; }
  QPushButton* matteWell() const { return controls_.matteWell; }
  QPushButton* exportButton() const;

private:
  void buildInterface();
  // Shows what the document answers for its settings.
  void updateInterface();
  void controlChanged(MVExportPanelControl control, double value);
  void sizeFieldEdited(MVExportPanelControl control, QLineEdit* field);
  void chooseFile();
  void chooseMatteColor();

  MVDocument& document_;
  ExportPanelControls controls_;
  bool updating_ = false;  // the panel is filling its controls: their signals are no edits
  bool exported_ = false;
  QComboBox* formatMenu_ = nullptr;
  QComboBox* sizeUnitMenu_ = nullptr;
  QLabel* epsWarning_ = nullptr;
  QLabel* svgWarning_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
};
