#pragma once

#include <optional>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QString>

#include "MorvNode/Interface/ExportPanelFields.h"

class MVDocument;
class QHBoxLayout;

// The controls the image and animation export panels both have, made in one place: the file
// field with its "Choose..." button, the size fields with their pixel label, "Scale to display",
// and the matte button, label and colour well. The panel lays out the rows, adds its own
// controls and connects the signals to its export. Main thread only.
class ExportPanelControls {
public:
  // Made as children of `panel`, which outlives this object.
  explicit ExportPanelControls(QWidget* panel);

  // The folder a panel proposes first: the last export's, else the document's, else the
  // desktop's `fallback` folder, else home.
  static QString initialFolder(const MVDocument& document, QStandardPaths::StandardLocation fallback);
  // The number typed in a size field; nullopt when it is none.
  static std::optional<double> typedSize(const QLineEdit& field);

  QString filePath() const { return pathField->text(); }
  void setFilePath(const QString& path);
  // The file field's name with the extension of `format`.
  void applyFormatExtension(const QString& format);
  // The path to export to, when the field names a file.
  std::optional<QString> pathToExport() const;
  // After the save dialog chose `chosen` and the format's extension was applied: the dialog
  // asked about replacing the file, unless the name changed since.
  void noteChosenFile(const QString& chosen) { overwriteAsked = filePath() == chosen; }

  // Shows the size and matte parts of what the export answers (either panel's state).
  template <typename State>
  void show(const State& state)
  {
    scaleToDisplayButton->setChecked(state.scaleToDisplay);
    sizeXField->setEnabled(!state.scaleToDisplay);
    sizeYField->setEnabled(!state.scaleToDisplay);
    sizeXField->setText(ExportPanelFields::sizeText(state.sizeX));
    sizeYField->setText(ExportPanelFields::sizeText(state.sizeY));
    pixelLabel->setVisible(state.showsPixelLabel);
    matteButton->setVisible(state.showsMatteControls);
    matteLabel->setVisible(state.showsMatteControls);
    matteButton->setChecked(state.matteOn);
    matteWell->setVisible(state.showsMatteWell);
    ExportPanelFields::showMatteColor(*matteWell, state.matteColor);
  }

  QLineEdit* pathField;
  QPushButton* chooseButton;
  QHBoxLayout* pathRow;   // the field and the button
  QCheckBox* scaleToDisplayButton;
  QLineEdit* sizeXField;
  QLineEdit* sizeYField;
  QLabel* pixelLabel;
  QHBoxLayout* sizeRow;   // width x height px, without a closing stretch
  QCheckBox* matteButton;
  QLabel* matteLabel;
  QPushButton* matteWell;
  QHBoxLayout* matteRow;  // button, label and well
  bool overwriteAsked = false;  // the save dialog already asked about the chosen file
};
