#include "MorvNode/Interface/ExportPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
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
#include "Platform/Numbers.h"

namespace {

QString formatTitle(const std::string& format)
{
  return format == "jpg" ? QStringLiteral("JPEG") : QString::fromStdString(format).toUpper();
}

}  // namespace

ExportPanel::ExportPanel(MVDocument& document, QWidget* parent) : QDialog(parent), document_(document)
{
  setWindowTitle(tr("Export"));
  buildInterface();
  document_.exportPanelOpened();

  // The folder of the last export, else the document's, else the desktop's pictures folder.
  QString folder;
  if (const auto& path = document_.exportPath()) {
    folder = QString::fromStdString(path->parent_path().string());
  } else if (const auto& file = document_.fileURL()) {
    folder = QString::fromStdString(file->parent_path().string());
  }
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
    folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  }
  if (folder.isEmpty()) {
    folder = QDir::homePath();
  }
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

  pathField_ = new QLineEdit(this);
  chooseButton_ = new QPushButton(tr("Choose..."), this);
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(pathField_, 1);
  pathRow->addWidget(chooseButton_);

  formatMenu_ = new QComboBox(this);
  for (const std::string& format : MVExportSettings::fileFormats()) {
    formatMenu_->addItem(formatTitle(format));
  }
  scaleToDisplayButton_ = new QCheckBox(tr("Scale to display"), this);
  scaleToDisplayButton_->setToolTip(tr("Export at the size the preview shows the artwork"));

  sizeXField_ = new QLineEdit(this);
  sizeYField_ = new QLineEdit(this);
  sizeXField_->setAccessibleName(tr("Width"));
  sizeYField_->setAccessibleName(tr("Height"));
  pixelLabel_ = new QLabel(QStringLiteral("px"), this);
  sizeUnitMenu_ = new QComboBox(this);
  for (const std::string& title : MVExportSettings::vectorSizeUnitTitles()) {
    sizeUnitMenu_->addItem(QString::fromStdString(title));
  }
  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(sizeXField_);
  sizeRow->addWidget(new QLabel(QStringLiteral("x"), this));
  sizeRow->addWidget(sizeYField_);
  sizeRow->addWidget(pixelLabel_);
  sizeRow->addWidget(sizeUnitMenu_);
  sizeRow->addStretch(1);

  epsWarning_ = new QLabel(tr("EPS has no transparency: transparent parts of the artwork are drawn as bitmaps."),
                           this);
  svgWarning_ = new QLabel(tr("Blend modes and some image effects may look different in other programs."), this);
  epsWarning_->setWordWrap(true);
  svgWarning_->setWordWrap(true);

  matteButton_ = new QCheckBox(tr("Matte"), this);
  matteLabel_ = new QLabel(tr("Background for transparent parts:"), this);
  matteWell_ = new QPushButton(this);
  matteWell_->setAccessibleName(tr("Matte color"));
  matteWell_->setFixedWidth(48);
  auto* matteRow = new QHBoxLayout;
  matteRow->addWidget(matteButton_);
  matteRow->addWidget(matteLabel_);
  matteRow->addWidget(matteWell_);
  matteRow->addStretch(1);

  auto* form = new QFormLayout;
  form->addRow(tr("File:"), pathRow);
  form->addRow(tr("Format:"), formatMenu_);
  form->addRow(tr("Size:"), sizeRow);
  form->addRow(QString(), scaleToDisplayButton_);
  form->addRow(QString(), matteRow);

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
  connect(chooseButton_, &QPushButton::clicked, this, &ExportPanel::chooseFile);
  connect(pathField_, &QLineEdit::textEdited, this, [this] { overwriteAsked_ = false; });
  connect(formatMenu_, &QComboBox::currentIndexChanged, this,
          [this](int index) { controlChanged(MVExportPanelControl::FormatMenu, index); });
  connect(sizeUnitMenu_, &QComboBox::currentIndexChanged, this,
          [this](int index) { controlChanged(MVExportPanelControl::SizeUnitMenu, index); });
  connect(scaleToDisplayButton_, &QCheckBox::toggled, this,
          [this](bool on) { controlChanged(MVExportPanelControl::ScaleToDisplayButton, on ? 1.0 : 0.0); });
  connect(matteButton_, &QCheckBox::toggled, this,
          [this](bool on) { controlChanged(MVExportPanelControl::MatteButton, on ? 1.0 : 0.0); });
  connect(sizeXField_, &QLineEdit::editingFinished, this,
          [this] { sizeFieldEdited(MVExportPanelControl::SizeXField, sizeXField_); });
  connect(sizeYField_, &QLineEdit::editingFinished, this,
          [this] { sizeFieldEdited(MVExportPanelControl::SizeYField, sizeYField_); });
  connect(matteWell_, &QPushButton::clicked, this, &ExportPanel::chooseMatteColor);
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
  return pathField_->text();
}

void ExportPanel::setFilePath(const QString& path)
{
  pathField_->setText(path);
  overwriteAsked_ = false;
}

void ExportPanel::updateInterface()
{
  updating_ = true;
  const MVExportPanelState state = document_.exportPanelUpdateInterface();
  if (state.formatIndex) {
    formatMenu_->setCurrentIndex(*state.formatIndex);
  }
  scaleToDisplayButton_->setChecked(state.scaleToDisplay);
  sizeXField_->setEnabled(!state.scaleToDisplay);
  sizeYField_->setEnabled(!state.scaleToDisplay);
  sizeXField_->setText(ExportPanelFields::sizeText(state.sizeX));
  sizeYField_->setText(ExportPanelFields::sizeText(state.sizeY));
  pixelLabel_->setVisible(state.showsPixelLabel);
  sizeUnitMenu_->setVisible(state.showsSizeUnitMenu);
  if (state.showsSizeUnitMenu && state.sizeUnitIndex >= 0 && state.sizeUnitIndex < sizeUnitMenu_->count()) {
    sizeUnitMenu_->setCurrentIndex(state.sizeUnitIndex);
  }
  epsWarning_->setVisible(state.showsEPSWarning);
  svgWarning_->setVisible(state.showsSVGWarning);
  matteButton_->setVisible(state.showsMatteControls);
  matteLabel_->setVisible(state.showsMatteControls);
  matteButton_->setChecked(state.matteOn);
  matteWell_->setVisible(state.showsMatteWell);
  ExportPanelFields::showMatteColor(*matteWell_, state.matteColor);
  applyFormatExtension(QString::fromStdString(state.fileFormat));
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
  double value = 0.0;
  if (pf::parseDouble(field->text().toStdString(), value)) {
    document_.exportPanelControlChanged(control, value);
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

void ExportPanel::applyFormatExtension(const QString& format)
{
  const QString path = pathField_->text();
  const QString wanted = ExportPanelFields::pathWithExtension(path, format);
  if (wanted != path) {
    pathField_->setText(wanted);
    overwriteAsked_ = false;
  }
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
  applyFormatExtension(QString::fromStdString(format));
  // The standard dialog asked before choosing an existing file, unless the name changed since.
  overwriteAsked_ = filePath() == chosen;
}

void ExportPanel::accept()
{
  const QString path = filePath().trimmed();
  if (path.isEmpty() || QFileInfo(path).fileName().isEmpty()) {
    return;
  }
  if (!overwriteAsked_ && !ExportPanelFields::confirmReplacing(this, tr("Export"), path)) {
    return;
  }
  // The panel goes before the export's own alerts or notification appear.
  hide();
  exported_ = document_.exportPanelConfirmed(std::filesystem::path(path.toStdString()));
  QDialog::accept();
}
