#include "MorvNode/Interface/AnimationExportPanel.h"

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
#include "MorvNode/Interface/AnimationExportProgressPanel.h"
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
    : QDialog(parent), document_(document), animationExport_(document), controls_(this)
{
  setWindowTitle(tr("Export animation"));
  buildInterface();
  animationExport_.exportAnimationPanelOpened();
  const QString folder = ExportPanelControls::initialFolder(document_, QStandardPaths::MoviesLocation);
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

  controls_.sizeRow->addStretch(1);

  framesLabel_ = new QLabel(this);
  frameFilesLabel_ = new QLabel(this);
  frameFilesLabel_->setWordWrap(true);

  auto* form = new QFormLayout;
  form->addRow(tr("File:"), controls_.pathRow);
  form->addRow(tr("Format:"), formatRow);
  form->addRow(tr("Size:"), controls_.sizeRow);
  form->addRow(QString(), controls_.scaleToDisplayButton);
  form->addRow(QString(), controls_.matteRow);
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
  connect(controls_.chooseButton, &QPushButton::clicked, this, &AnimationExportPanel::chooseFile);
  connect(formatMenu_, &QComboBox::currentIndexChanged, this,
          [this](int index) { controlChanged(MVAnimationExportPanelControl::FormatMenu, index); });
  connect(codecMenu_, &QComboBox::currentIndexChanged, this,
          [this](int index) { controlChanged(MVAnimationExportPanelControl::CodecMenu, index); });
  connect(controls_.scaleToDisplayButton, &QCheckBox::toggled, this, [this](bool on) {
    controlChanged(MVAnimationExportPanelControl::ScaleToDisplayButton, on ? 1.0 : 0.0);
  });
  connect(controls_.matteButton, &QCheckBox::toggled, this,
          [this](bool on) { controlChanged(MVAnimationExportPanelControl::MatteButton, on ? 1.0 : 0.0); });
  connect(controls_.sizeXField, &QLineEdit::editingFinished, this,
          [this] { sizeFieldEdited(MVAnimationExportPanelControl::SizeXField, controls_.sizeXField); });
  connect(controls_.sizeYField, &QLineEdit::editingFinished, this,
          [this] { sizeFieldEdited(MVAnimationExportPanelControl::SizeYField, controls_.sizeYField); });
  connect(controls_.matteWell, &QPushButton::clicked, this, &AnimationExportPanel::chooseMatteColor);
}

QString AnimationExportPanel::filePath() const
{
  return controls_.filePath();
}

void AnimationExportPanel::setFilePath(const QString& path)
{
  controls_.setFilePath(path);
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
  controls_.show(state);
  framesLabel_->setText(QString::fromStdString(state.framesText));
  frameFilesLabel_->setVisible(state.frameFilesText.has_value());
  frameFilesLabel_->setText(QString::fromStdString(state.frameFilesText.value_or(std::string())));
  currentFormat_ = QString::fromStdString(state.fileFormat);
  controls_.applyFormatExtension(currentFormat_);
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
  if (const std::optional<double> value = ExportPanelControls::typedSize(*field)) {
    animationExport_.exportAnimationPanelControlChanged(control, *value);
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

void AnimationExportPanel::chooseFile()
{
  const QString filter = tr("%1 (*.%2)").arg(formatTitle(currentFormat_.toStdString()), currentFormat_);
  const QString chosen = QFileDialog::getSaveFileName(this, tr("Export animation"), filePath(), filter);
  if (chosen.isEmpty()) {
    return;
  }
  setFilePath(chosen);
  controls_.applyFormatExtension(currentFormat_);
  controls_.noteChosenFile(chosen);
}

void AnimationExportPanel::accept()
{
  const std::optional<QString> path = controls_.pathToExport();
  if (!path) {
    return;
  }
  // Frame files take numbered names of their own; the panel's text says they are overwritten.
  const bool oneFile = formatMenu_->currentIndex() >= 0 && !frameFilesLabel_->isVisibleTo(this);
  if (oneFile && !controls_.overwriteAsked &&
      !ExportPanelFields::confirmReplacing(this, tr("Export animation"), *path)) {
    return;
  }
  hide();
  AnimationExportProgressPanel progress(animationExport_, parentWidget());
  if (animationExport_.exportAnimation(std::filesystem::path(path->toStdString()), &progress)) {
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
