#include "MorvNode/Interface/AnimationExportPanel.h"

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
#include "MorvNode/Interface/AnimationExportProgressPanel.h"
#include "Platform/Numbers.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

QString formatTitle(const std::string& format)
{
  if (format == "jpg") {
    return QStringLiteral("JPEG frames");
  }
  if (format == "png" || format == "pdf") {
    return QString::fromStdString(format).toUpper() + QStringLiteral(" frames");
  }
  if (format == "mov") {
    return QStringLiteral("QuickTime movie");
  }
  if (format == "mp4") {
    return QStringLiteral("MPEG-4 movie");
  }
  if (format == "gif") {
    return QStringLiteral("Animated GIF");
  }
  if (format == "svg") {
    return QStringLiteral("Animated SVG");
  }
  return QString::fromStdString(format).toUpper();
}

QString codecTitle(const std::string& codec)
{
  if (codec == "jpeg") {
    return QStringLiteral("Motion-JPEG");
  }
  if (codec == "avc1") {
    return QStringLiteral("H.264");
  }
  if (codec == "hvc1") {
    return QStringLiteral("HEVC");
  }
  return QString::fromStdString(codec);
}

}  // namespace

AnimationExportPanel::AnimationExportPanel(MVDocument& document, QWidget* parent)
    : QDialog(parent), document_(document), animationExport_(document)
{
  setWindowTitle(tr("Export animation"));
  buildInterface();
  animationExport_.exportAnimationPanelOpened();

  QString folder;
  if (const auto& path = document_.exportPath()) {
    folder = QString::fromStdString(path->parent_path().string());
  } else if (const auto& file = document_.fileURL()) {
    folder = QString::fromStdString(file->parent_path().string());
  }
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
    folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
  }
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
    folder = QDir::homePath();
  }
  setFilePath(QDir(folder).filePath(QString::fromStdString(animationExport_.proposedFileName())));
  updateInterface();
}

AnimationExportPanel::~AnimationExportPanel() = default;

bool AnimationExportPanel::exportAnimation(MVDocument& document, QWidget* parent)
{
  if (!MVAnimationExport::documentHasAnimation(document)) {
    MVAnimationExport::showNoAnimationAlert();
    return false;
  }
  if (const std::optional<std::string> warning = MVAnimationExport::exportAnimationCheckWarnings(document)) {
    FeedbackManager::showNSAlert(std::string("Animation export warning"), *warning);
  }
  AnimationExportPanel panel(document, parent);
  panel.exec();
  return panel.outcome() == MVAnimationExportProgress::Outcome::Written;
}

void AnimationExportPanel::buildInterface()
{
  auto* message = new QLabel(tr("Export animation as a video file or series of frame image files"), this);

  pathField_ = new QLineEdit(this);
  chooseButton_ = new QPushButton(tr("Choose..."), this);
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(pathField_, 1);
  pathRow->addWidget(chooseButton_);

  formatMenu_ = new QComboBox(this);
  for (const std::string& format : MVExportSettings::animationFormats()) {
    formatMenu_->addItem(formatTitle(format));
  }
  codecLabel_ = new QLabel(tr("Codec:"), this);
  codecMenu_ = new QComboBox(this);
  for (const std::string& codec : MVAnimationExport::codecMenuCodecs()) {
    codecMenu_->addItem(codecTitle(codec));
  }
  auto* formatRow = new QHBoxLayout;
  formatRow->addWidget(formatMenu_);
  formatRow->addWidget(codecLabel_);
  formatRow->addWidget(codecMenu_);
  formatRow->addStretch(1);

  scaleToDisplayButton_ = new QCheckBox(tr("Scale to display"), this);
  scaleToDisplayButton_->setToolTip(tr("Export at the size the preview shows the artwork"));
  sizeXField_ = new QLineEdit(this);
  sizeYField_ = new QLineEdit(this);
  sizeXField_->setAccessibleName(tr("Width"));
  sizeYField_->setAccessibleName(tr("Height"));
  pixelLabel_ = new QLabel(QStringLiteral("px"), this);
  auto* sizeRow = new QHBoxLayout;
  sizeRow->addWidget(sizeXField_);
  sizeRow->addWidget(new QLabel(QStringLiteral("x"), this));
  sizeRow->addWidget(sizeYField_);
  sizeRow->addWidget(pixelLabel_);
  sizeRow->addStretch(1);

  framesLabel_ = new QLabel(this);
  frameFilesLabel_ = new QLabel(this);
  frameFilesLabel_->setWordWrap(true);

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
  form->addRow(tr("Format:"), formatRow);
  form->addRow(tr("Size:"), sizeRow);
  form->addRow(QString(), scaleToDisplayButton_);
  form->addRow(QString(), matteRow);
  form->addRow(tr("Frames:"), framesLabel_);

  buttons_ = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
  exportButton_ = buttons_->addButton(tr("Export"), QDialogButtonBox::AcceptRole);
  exportButton_->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(message);
  layout->addLayout(form);
  layout->addWidget(frameFilesLabel_);
  layout->addWidget(buttons_);

  connect(buttons_, &QDialogButtonBox::accepted, this, &AnimationExportPanel::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &AnimationExportPanel::reject);
  connect(chooseButton_, &QPushButton::clicked, this, &AnimationExportPanel::chooseFile);
  connect(pathField_, &QLineEdit::textEdited, this, [this] { overwriteAsked_ = false; });
  connect(formatMenu_, &QComboBox::currentIndexChanged, this,
          [this](int index) { controlChanged(MVAnimationExportPanelControl::FormatMenu, index); });
  connect(codecMenu_, &QComboBox::currentIndexChanged, this,
          [this](int index) { controlChanged(MVAnimationExportPanelControl::CodecMenu, index); });
  connect(scaleToDisplayButton_, &QCheckBox::toggled, this, [this](bool on) {
    controlChanged(MVAnimationExportPanelControl::ScaleToDisplayButton, on ? 1.0 : 0.0);
  });
  connect(matteButton_, &QCheckBox::toggled, this,
          [this](bool on) { controlChanged(MVAnimationExportPanelControl::MatteButton, on ? 1.0 : 0.0); });
  connect(sizeXField_, &QLineEdit::editingFinished, this,
          [this] { sizeFieldEdited(MVAnimationExportPanelControl::SizeXField, sizeXField_); });
  connect(sizeYField_, &QLineEdit::editingFinished, this,
          [this] { sizeFieldEdited(MVAnimationExportPanelControl::SizeYField, sizeYField_); });
  connect(matteWell_, &QPushButton::clicked, this, &AnimationExportPanel::chooseMatteColor);
}

QString AnimationExportPanel::filePath() const
{
  return pathField_->text();
}

void AnimationExportPanel::setFilePath(const QString& path)
{
  pathField_->setText(path);
  overwriteAsked_ = false;
}

void AnimationExportPanel::updateInterface()
{
  updating_ = true;
  const MVAnimationExportPanelState state = animationExport_.exportAnimationPanelUpdateInterface();
  if (state.formatIndex) {
    formatMenu_->setCurrentIndex(*state.formatIndex);
  }
  codecMenu_->setVisible(state.showsCodecMenu);
  codecLabel_->setVisible(state.showsCodecMenu);
  if (state.codecIndex) {
    codecMenu_->setCurrentIndex(*state.codecIndex);
  }
  scaleToDisplayButton_->setChecked(state.scaleToDisplay);
  sizeXField_->setEnabled(!state.scaleToDisplay);
  sizeYField_->setEnabled(!state.scaleToDisplay);
  sizeXField_->setText(ExportPanelFields::sizeText(state.sizeX));
  sizeYField_->setText(ExportPanelFields::sizeText(state.sizeY));
  pixelLabel_->setVisible(state.showsPixelLabel);
  framesLabel_->setText(QString::fromStdString(state.framesText));
  frameFilesLabel_->setVisible(state.frameFilesText.has_value());
  frameFilesLabel_->setText(QString::fromStdString(state.frameFilesText.value_or(std::string())));
  matteButton_->setVisible(state.showsMatteControls);
  matteLabel_->setVisible(state.showsMatteControls);
  matteButton_->setChecked(state.matteOn);
  matteWell_->setVisible(state.showsMatteWell);
  ExportPanelFields::showMatteColor(*matteWell_, state.matteColor);
  currentFormat_ = QString::fromStdString(state.fileFormat);
  applyFormatExtension(currentFormat_);
  updating_ = false;
}

void AnimationExportPanel::controlChanged(MVAnimationExportPanelControl control, double value)
{
  if (updating_) {
    return;
  }
  animationExport_.exportAnimationPanelControlChanged(control, value);
  updateInterface();
}

void AnimationExportPanel::sizeFieldEdited(MVAnimationExportPanelControl control, QLineEdit* field)
{
  if (updating_) {
    return;
  }
  double value = 0.0;
  if (pf::parseDouble(field->text().toStdString(), value)) {
    animationExport_.exportAnimationPanelControlChanged(control, value);
  }
  // A refused value goes back to the size the settings keep.
  updateInterface();
}

void AnimationExportPanel::chooseMatteColor()
{
  const std::optional<pf::Color> chosen =
      ExportPanelFields::askForMatteColor(this, animationExport_.exportAnimationPanelUpdateInterface().matteColor);
  if (!chosen) {
    return;
  }
  animationExport_.exportAnimationPanelControlChanged(MVAnimationExportPanelControl::MatteColorWell, 0.0, *chosen);
  updateInterface();
}

void AnimationExportPanel::applyFormatExtension(const QString& format)
{
  const QString path = pathField_->text();
  const QString wanted = ExportPanelFields::pathWithExtension(path, format);
  if (wanted != path) {
    pathField_->setText(wanted);
    overwriteAsked_ = false;
  }
}

void AnimationExportPanel::chooseFile()
{
  const QString filter = tr("%1 (*.%2)").arg(formatTitle(currentFormat_.toStdString()), currentFormat_);
  const QString chosen = QFileDialog::getSaveFileName(this, tr("Export animation"), filePath(), filter);
  if (chosen.isEmpty()) {
    return;
  }
  setFilePath(chosen);
  applyFormatExtension(currentFormat_);
  overwriteAsked_ = filePath() == chosen;
}

void AnimationExportPanel::accept()
{
  const QString path = filePath().trimmed();
  if (path.isEmpty() || QFileInfo(path).fileName().isEmpty()) {
    return;
  }
  // Frame files take numbered names of their own; the panel's text says they are overwritten.
  const bool oneFile = formatMenu_->currentIndex() >= 0 && !frameFilesLabel_->isVisibleTo(this);
  if (oneFile && !overwriteAsked_ && !ExportPanelFields::confirmReplacing(this, tr("Export animation"), path)) {
    return;
  }
  hide();
  AnimationExportProgressPanel progress(animationExport_, parentWidget());
  if (animationExport_.exportAnimation(std::filesystem::path(path.toStdString()), &progress)) {
    if (progressHook_) {
      progressHook_(progress);
    }
    // The export may already be over when the hook ran the loop to its end.
    if (!progress.outcome()) {
      progress.exec();
    }
    outcome_ = progress.outcome();
  }
  QDialog::accept();
}
