#include "MorvNode/Interface/GettingStartedPanel.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "MorvNode/Document/MVApplicationResources.h"
#include "Platform/FileAccess.h"
#include "Platform/PdfDocument.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

std::shared_ptr<const pf::PdfDocument> loadTipsDocument()
{
  const std::optional<std::filesystem::path> path =
      MVApplicationResources::pathForResource(GettingStartedPanel::kDocumentName);
  if (!path) {
    return nullptr;
  }
  const std::optional<std::vector<std::uint8_t>> bytes = pf::readRegularFile(*path);
  return !bytes || bytes->empty() ? nullptr : pf::PdfDocument::fromData(*bytes);
}

}  // namespace

GettingStartedPanel::GettingStartedPanel(QWidget* parent)
  : QDialog(parent)
{
  setWindowTitle(tr("Getting Started"));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  imageView_ = new QLabel;
  imageView_->setAlignment(Qt::AlignCenter);
  imageView_->setMinimumSize(480, 340);
  layout->addWidget(imageView_, 1);
  auto* controls = new QHBoxLayout;
  showAtStartupButton_ = new QCheckBox(tr("Show at startup"));
  previousButton_ = new QPushButton(tr("Previous"));
  pageLabel_ = new QLabel;
  pageLabel_->setAlignment(Qt::AlignCenter);
  nextButton_ = new QPushButton(tr("Next"));
  nextButton_->setDefault(true);
  controls->addWidget(showAtStartupButton_);
  controls->addStretch(1);
  controls->addWidget(previousButton_);
  controls->addWidget(pageLabel_);
  controls->addWidget(nextButton_);
  layout->addLayout(controls);
  connect(previousButton_, &QPushButton::clicked, this, [this] { gettingStartedNext(true); });
  connect(nextButton_, &QPushButton::clicked, this, [this] { gettingStartedNext(false); });
  connect(showAtStartupButton_, &QCheckBox::clicked, this, [this] { gettingStartedChangeShowSetting(); });
}

GettingStartedPanel::~GettingStartedPanel() = default;

int GettingStartedPanel::pageCount() const
{
  return document_ ? document_->pageCount() : 0;
}

QImage GettingStartedPanel::renderPage(int pageIndex) const
{
  const std::optional<pf::Size> size = document_->pageSize(pageIndex);
  if (!size) {
    return {};
  }
  const qreal ratio = devicePixelRatioF() > 0 ? devicePixelRatioF() : 1.0;
  const int width = std::max(1, static_cast<int>(std::lround(size->width * ratio)));
  const int height = std::max(1, static_cast<int>(std::lround(size->height * ratio)));
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(image.bits(), CAIRO_FORMAT_ARGB32, width, height,
                                                                 static_cast<int>(image.bytesPerLine()));
  cairo_t* context = cairo_create(surface);
  cairo_scale(context, ratio, ratio);
  document_->renderPage(pageIndex, context);
  cairo_destroy(context);
  cairo_surface_flush(surface);
  cairo_surface_destroy(surface);
  image.setDevicePixelRatio(ratio);
  return image;
}

void GettingStartedPanel::gettingStartedUpdateImage()
{
  pf::UserDefaults& defaults = pf::UserDefaults::standard();
  if (!document_) {
    document_ = loadTipsDocument();
  }
  long long page = defaults.integerForKey(kCurrentPageKey);
  if (!document_) {
    FeedbackManager::log("Warning, could not load gettingStartedPDFImageRep in gettingStartedUpdateImage");
  } else {
    if (page < 0 || page >= document_->pageCount()) {
      // Stored back, so that the page buttons step from the page that is shown.
      page = 0;
      defaults.setInteger(kCurrentPageKey, page);
    }
    pageImage_ = renderPage(static_cast<int>(page));
    imageView_->setPixmap(QPixmap::fromImage(pageImage_));
    pageLabel_->setText(tr("Page %1 / %2").arg(page + 1).arg(document_->pageCount()));
  }
  showAtStartupButton_->setChecked(defaults.boolForKey(kShowAtStartupKey));
}

void GettingStartedPanel::gettingStartedNext(bool previous)
{
  pf::UserDefaults& defaults = pf::UserDefaults::standard();
  if (!document_) {
    document_ = loadTipsDocument();
  }
  long long page = defaults.integerForKey(kCurrentPageKey) + (previous ? -1 : 1);
  const int count = pageCount();
  if (page >= count) {
    page = 0;
  } else if (page < 0) {
    page = count - 1;
  }
  defaults.setInteger(kCurrentPageKey, page);
  gettingStartedUpdateImage();
}

void GettingStartedPanel::gettingStartedChangeShowSetting()
{
  pf::UserDefaults::standard().setBool(kShowAtStartupKey, showAtStartupButton_->isChecked());
}

void GettingStartedPanel::openQuickHelp()
{
  gettingStartedUpdateImage();
  adjustSize();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  show();
  raise();
  activateWindow();
}
