#include "MorvNode/Inspector/MVParameterFileView.h"

#include <optional>
#include <variant>
#include <vector>

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "MorvNode/Inspector/InspectorControls.h"
#include "MorvNode/Inspector/InspectorIcons.h"
#include "MorvNode/Inspector/InspectorImages.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVParameterFile.h"
#include "Platform/FileAccess.h"
#include "Platform/Format.h"
#include "Platform/Image.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/ODDropView/ODDropView.h"

namespace {

// The chooser's filter: the formats our readers take.
QString imageFilter()
{
  QStringList patterns;
  for (const QString& extension : ODDropView::supportedBitmapExtensions() + ODDropView::supportedVectorExtensions()) {
    patterns << QStringLiteral("*.") + extension << QStringLiteral("*.") + extension.toUpper();
  }
  return QObject::tr("Images and graphics (%1)").arg(patterns.join(QLatin1Char(' ')));
}

}  // namespace

MVParameterFileView::MVParameterFileView(QWidget* parent) : MVParameterView(parent)
{
  fileChooser_ = [](QWidget* parentWidget, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parentWidget, title, QString(), filter);
  };
}

void MVParameterFileView::setParameter(MVParameter* parameter)
{
  parameter_ = dynamic_cast<MVParameterFile*>(parameter);
  MVParameterView::setParameter(parameter);
}

void MVParameterFileView::initInterface()
{
  setLayoutSpaceBelow(2);
  MVParameterView::initInterface();
  if (parameter_ == nullptr) {
    FeedbackManager::log("Warning, %@ initInterface called with no parameter set", description());
    return;
  }
  const int w = width();
  double y = interfaceBuildingPositionY();
  browseButton_ = new QPushButton(tr("Browse..."), this);
  browseButton_->setGeometry(w - 41, static_cast<int>(y) - 18, 38, 26);
  QFont small = browseButton_->font();
  small.setPixelSize(10);
  browseButton_->setFont(small);
  browseButton_->setCheckable(true);
  browseButton_->setIcon(QIcon(InspectorIcons::image("BrowseFile", 14, MVInterfaceAssets::color("NodeParameterLabel"))));
  browseButton_->setToolTip(tr("Click to select a new file"));
  connect(browseButton_, &QPushButton::clicked, this, [this] { browseFile(); });

  y += 7.0;
  filePreviewView_ = new QLabel(this);
  filePreviewView_->setGeometry(11, static_cast<int>(y), 28, 28);
  filePreviewView_->setAlignment(Qt::AlignCenter);
  filePreviewView_->setAttribute(Qt::WA_TransparentForMouseEvents);

  const int x0 = filePreviewView_->x() + filePreviewView_->width() + 3;
  const QString name = QString::fromStdString(parameter_->fileDisplayName().value_or(std::string()));
  fileNameLabel_ = InspectorControls::label(this, name, "NodeParameterText", false);
  fileNameLabel_->setGeometry(x0, static_cast<int>(y), std::max(0, w - x0 - 10), 12);
  fileNameLabel_->setText(name);
  y += fileNameLabel_->height() + 2.0;
  fileInfoLabel_ = InspectorControls::label(this, QString::fromStdString(parameter_->tooltip()), "NodeParameterLabel", false);
  fileInfoLabel_->setGeometry(x0, static_cast<int>(y), std::max(0, w - x0 - 10), 12);
  fileInfoLabel_->setWordWrap(true);
  fileInfoLabel_->setText(tr("File info"));
  setInterfaceBuildingPositionY(y);

  // Over every other control; clicks pass through it to the row.
  dropView_ = new ODDropView(this);
  dropView_->setDelegate(this);
  setIgnoredByResizeToFit(dropView_);
  placeDropView();
}

void MVParameterFileView::placeDropView()
{
  if (dropView_ != nullptr) {
    dropView_->setGeometry(0, -3, width(), height() + 6);
    dropView_->raise();
  }
}

void MVParameterFileView::updateInterface()
{
  if (parameter_ != nullptr && browseButton_ != nullptr) {
    const bool enabled = parameter_->enabled();
    browseButton_->setHidden(!enabled);
    fileNameLabel_->setHidden(!enabled);
    fileInfoLabel_->setHidden(!enabled);
    const QString name = QString::fromStdString(parameter_->fileDisplayName().value_or(std::string()));
    fileNameLabel_->setText(fileNameLabel_->fontMetrics().elidedText(name, Qt::ElideRight, fileNameLabel_->width()));
    fileNameLabel_->setToolTip(name);
    const QString info = QString::fromStdString(graphicSizeDescriptionString());
    fileInfoLabel_->setText(info);
    fileInfoLabel_->setToolTip(info);
    if (const std::shared_ptr<const pf::Image> image = parameter_->graphicImage()) {
      const pf::Size size = image->size();
      const double longest = std::max(size.width, size.height);
      const double scale = longest > 0.0 ? 56.0 / longest : 1.0;
      QPixmap thumbnail = InspectorImages::pixmapFromImage(*image, scale);
      if (!thumbnail.isNull()) {
        thumbnail.setDevicePixelRatio(2.0);
        filePreviewView_->setPixmap(thumbnail);
      }
    }
  }
  MVParameterView::updateInterface();
  placeDropView();
}

std::string MVParameterFileView::graphicSizeDescriptionString() const
{
  if (parameter_ == nullptr) {
    return "Unknown size";
  }
  const std::shared_ptr<const pf::Image> image = parameter_->graphicImage();
  bool bitmap = false;
  bool pdf = false;
  bool any = false;
  if (image != nullptr) {
    for (const pf::Image::Representation& representation : image->representations()) {
      any = true;
      bitmap = bitmap || std::holds_alternative<pf::Image::BitmapRepresentation>(representation);
      pdf = pdf || std::holds_alternative<pf::Image::PdfRepresentation>(representation);
    }
  }
  if (bitmap || parameter_->isBitmap()) {
    return pf::format("pixels %ld x %ld px", parameter_->pixelsWide(), parameter_->pixelsHigh());
  }
  if ((pdf || parameter_->isVector()) && image != nullptr) {
    return pf::format("vectors %g x %g", image->size().width, image->size().height);
  }
  if (any) {
    return pf::format("image %g x %g", image->size().width, image->size().height);
  }
  return "Unknown size";
}

void MVParameterFileView::browseFile()
{
  if (parameter_ == nullptr || browseButton_ == nullptr) {
    return;
  }
  browseButton_->setChecked(true);
  const QString title = tr("Select graphic file to use for %1").arg(QString::fromStdString(parameter_->displayName()));
  const QString path = fileChooser_ ? fileChooser_(this, title, imageFilter()) : QString();
  if (browseButton_ != nullptr) {
    browseButton_->setChecked(false);
  }
  if (!path.isEmpty()) {
    loadFile(path);
  }
}

bool MVParameterFileView::loadFile(const QString& path)
{
  if (parameter_ == nullptr) {
    return false;
  }
  // Only a regular file of bounded size: a pipe or a device would block or never end.
  const std::optional<std::vector<std::uint8_t>> bytes = pf::readRegularFile(path.toStdString());
  if (!bytes) {
    return false;  // logged with the reason
  }
  const std::string name = QFileInfo(path).fileName().toStdString();
  if (!parameter_->loadNewGraphicData(*bytes, name)) {
    FeedbackManager::showNSAlert(std::string("Image import error"),
                                 pf::format("Failed to import the file '%@'. It may be corrupted or in an unsupported format.", name));
    return false;
  }
  return true;
}

bool MVParameterFileView::dropView(ODDropView*, const QUrl& droppedFile)
{
  if (!droppedFile.isLocalFile()) {
    return false;
  }
  return loadFile(droppedFile.toLocalFile());
}

void MVParameterFileView::mousePressEvent(QMouseEvent* event)
{
  MVParameterView::mousePressEvent(event);
  mouseDownInRow_ = true;
}

void MVParameterFileView::mouseReleaseEvent(QMouseEvent* event)
{
  const bool clicked = mouseDownInRow_ && rect().contains(event->position().toPoint());
  mouseDownInRow_ = false;
  MVParameterView::mouseReleaseEvent(event);
  if (clicked && event->button() == Qt::LeftButton) {
    browseFile();
  }
}

void MVParameterFileView::resizeEvent(QResizeEvent* event)
{
  MVParameterView::resizeEvent(event);
  if (browseButton_ != nullptr) {
    browseButton_->move(width() - 41, browseButton_->y());
    const int x0 = fileNameLabel_->x();
    fileNameLabel_->resize(std::max(0, width() - x0 - 10), fileNameLabel_->height());
    fileInfoLabel_->resize(std::max(0, width() - x0 - 10), fileInfoLabel_->height());
  }
  placeDropView();
}
