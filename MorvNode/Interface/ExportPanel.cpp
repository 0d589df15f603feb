#include "MorvNode/Interface/ExportPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <filesystem>

#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Interface/ExportPanelFields.h"
#include "MorvNode/Document/MVExportSettings.h"

namespace {

QString formatTitle(const std::string& format)
{
  return format == "jpg" ? QStringLiteral("JPEG") : QString::fromStdString(format).toUpper();
}

}  // namespace

ExportPanel::ExportPanel(MVDocument& document, QWidget* parent)
    : QDialog(parent), document_(document), controls_(this)
{
  setWindowTitle(tr("Export"));
  buildInterface();
  document_.exportPanelOpened();
  const QString folder = ExportPanelControls::initialFolder(document_, QStandardPaths::PicturesLocation);
  setFilePath(QDir(folder).filePath(QString::fromStdString(document_.proposedExportFileName())));
  updateInterface();
}

ExportPanel::~ExportPanel()
{
  document_.exportPanelClosed();
}

bool ExportPanel::exportFile(MVDocument& document, QWidget* parent)
{
  ExportPanel panel(document, parent);
  panel.exec();
  return panel.exported();
}

void ExportPanel::buildInterface()
{
  auto* message = new QLabel(tr("Export to vector or pixel-based file"), this);

  formatMenu_ = new QComboBox(this);
  for (const std::string& format : MVExportSettings::fileFormats()) {
    formatMenu_->addItem(formatTitle(format));
  }
  sizeUnitMenu_ = new QComboBox(this);
  for (const std::string& title : MVExportSettings::vectorSizeUnitTitles()) {
    sizeUnitMenu_->addItem(QString::fromStdString(title));
  }
  controls_.sizeRow->addWidget(sizeUnitMenu_);
  controls_.sizeRow->addStretch(1);

  epsWarning_ = new QLabel(tr("EPS has no transparency: transparent parts of the artwork are drawn as bitmaps."),
                           this);
  svgWarning_ = new QLabel(tr("Blend modes and some image effects may look different in other programs."), this);
  epsWarning_->setWordWrap(true);
  svgWarning_->setWordWrap(true);

  auto* form = new QFormLayout;
  form->addRow(tr("File:"), controls_.pathRow);
  form->addRow(tr("Format:"), formatMenu_);
  form->addRow(tr("Size:"), controls_.sizeRow);
  form->addRow(QString(), controls_.scaleToDisplayButton);
  form->addRow(QString(), controls_.matteRow);

  buttons_ = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  buttons_->addButton(tr("Export"), QDialogButtonBox::AcceptRole)->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(message);
  layout->addLayout(form);
  layout->addWidget(epsWarning_);
  layout->addWidget(svgWarning_);
  layout->addWidget(buttons_);

  connect(buttons_, &QDialogButtonBox::accepted, this, &ExportPanel::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &ExportPanel::reject);
  connect(controls_.chooseButton, &QPushButton::clicked, this, &ExportPanel::chooseFile);
  connect(formatMenu_, &QComboBox::currentIndexChanged, this,
          [this](int index) { controlChanged(MVExportPanelControl::FormatMenu, index); });
  connect(sizeUnitMenu_, &QComboBox::currentIndexChanged, this,
          [this](int index) { controlChanged(MVExportPanelControl::SizeUnitMenu, index); });
  connect(controls_.scaleToDisplayButton, &QCheckBox::toggled, this,
          [this](bool on) { controlChanged(MVExportPanelControl::ScaleToDisplayButton, on ? 1.0 : 0.0); });
  connect(controls_.matteButton, &QCheckBox::toggled, this,
          [this](bool on) { controlChanged(MVExportPanelControl::MatteButton, on ? 1.0 : 0.0); });
  connect(controls_.sizeXField, &QLineEdit::editingFinished, this,
          [this] { sizeFieldEdited(MVExportPanelControl::SizeXField, controls_.sizeXField); });
  connect(controls_.sizeYField, &QLineEdit::editingFinished, this,
          [this] { sizeFieldEdited(MVExportPanelControl::SizeYField, controls_.sizeYField); });
  connect(controls_.matteWell, &QPushButton::clicked, this, &ExportPanel::chooseMatteColor);
}

QPushButton* ExportPanel::exportButton() const
{
  const QList<QAbstractButton*> accepting = buttons_->buttons();
  for (QAbstractButton* button : accepting) {
    if (buttons_->buttonRole(button) == QDialogButtonBox::AcceptRole) {
      return qobject_cast<QPushButton*>(button);
    }
  }
  return nullptr;
}

QString ExportPanel::filePath() const
{
  return controls_.filePath();
}

void ExportPanel::setFilePath(const QString& path)
{
  controls_.setFilePath(path);
}

void ExportPanel::updateInterface()
{
  updating_ = true;
  const MVExportPanelState state = document_.exportPanelUpdateInterface();
  if (state.formatIndex) {
    formatMenu_->setCurrentIndex(*state.formatIndex);
  }
  controls_.show(state);
  sizeUnitMenu_->setVisible(state.showsSizeUnitMenu);
  if (state.showsSizeUnitMenu && state.sizeUnitIndex >= 0 && state.sizeUnitIndex < sizeUnitMenu_->count()) {
    sizeUnitMenu_->setCurrentIndex(state.sizeUnitIndex);
  }
  epsWarning_->setVisible(state.showsEPSWarning);
  svgWarning_->setVisible(state.showsSVGWarning);
  controls_.applyFormatExtension(QString::fromStdString(state.fileFormat));
  updating_ = false;
}

void ExportPanel::controlChanged(MVExportPanelControl control, double value)
{
  if (updating_) {
    return;
  }
  document_.exportPanelControlChanged(control, value);
  updateInterface();
}

void ExportPanel::sizeFieldEdited(MVExportPanelControl control, QLineEdit* field)
{
  if (updating_) {
    return;
  }
  if (const std::optional<double> value = ExportPanelControls::typedSize(*field)) {
    document_.exportPanelControlChanged(control, *value);
  }
  // A refused value (not a number, 0 or below) goes back to the size the settings keep.
  updateInterface();
}

void ExportPanel::chooseMatteColor()
{
  const std::optional<pf::Color> chosen =
      ExportPanelFields::askForMatteColor(this, document_.exportPanelUpdateInterface().matteColor);
  if (!chosen) {
    return;
  }
  document_.exportPanelControlChanged(MVExportPanelControl::MatteColorWell, 0.0, *chosen);
  updateInterface();
}

void ExportPanel::chooseFile()
{
  const std::string format = MVExportSettings::fileFormat(*document_.exportSettings());
  const QString filter = tr("%1 files (*.%2)").arg(formatTitle(format), QString::fromStdString(format));
  const QString chosen = QFileDialog::getSaveFileName(this, tr("Export"), filePath(), filter);
  if (chosen.isEmpty()) {
    return;
  }
  setFilePath(chosen);
  controls_.applyFormatExtension(QString::fromStdString(format));
  controls_.noteChosenFile(chosen);
}

void ExportPanel::accept()
{
  const std::optional<QString> path = controls_.pathToExport();
  if (!path) {
    return;
  }
  if (!controls_.overwriteAsked && !ExportPanelFields::confirmReplacing(this, tr("Export"), *path)) {
    return;
  }
  // The panel goes before the export's own alerts or notification appear.
  hide();
  exported_ = document_.exportPanelConfirmed(std::filesystem::path(path->toStdString()));
  QDialog::accept();
}
