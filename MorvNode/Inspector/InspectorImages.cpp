#include "MorvNode/Inspector/InspectorImages.h"

#include <QPainter>

#include "MorvNode/Model/InterfaceIconProvider.h"
#include "Platform/Bitmap.h"
#include "Platform/Image.h"

QImage InspectorImages::imageFromBitmap(const pf::Bitmap& bitmap)
{
  if (bitmap.width() <= 0 || bitmap.height() <= 0) {
    return {};
  }
  const QImage view(reinterpret_cast<const uchar*>(bitmap.data()), bitmap.width(), bitmap.height(),
                    static_cast<qsizetype>(bitmap.stride()), QImage::Format_ARGB32_Premultiplied);
  return view.copy();
}

QPixmap InspectorImages::pixmapFromImage(const pf::Image& image, double scale)
{
  const std::optional<pf::Bitmap> rendered = image.renderedBitmap(scale);
  if (!rendered) {
    return {};
  }
  return QPixmap::fromImage(imageFromBitmap(*rendered));
}

QPixmap InspectorImages::iconNamed(const std::string& name)
{
  InterfaceIconProvider* provider = InterfaceIconProvider::installed();
  if (provider == nullptr || name.empty()) {
    return {};
  }
  const std::shared_ptr<const pf::Image> icon = provider->interfaceIconImageNamed(name);
  return icon != nullptr ? pixmapFromImage(*icon, 2.0) : QPixmap();
}

bool InspectorImages::isTemplateImage(const QImage& image)
{
  if (image.isNull()) {
    return false;
  }
  const QImage pixels = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  bool drawn = false;
  for (int y = 0; y < pixels.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
    for (int x = 0; x < pixels.width(); ++x) {
      if ((row[x] & 0x00ffffffu) != 0) {
        return false;  // some colour other than black
      }
      drawn = drawn || qAlpha(row[x]) != 0;
    }
  }
  return drawn;
}

QPixmap InspectorImages::tintedTemplate(const QPixmap& pixmap, const QColor& color)
{
  if (!color.isValid() || !isTemplateImage(pixmap.toImage())) {
    return pixmap;
  }
  QImage tinted = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&tinted);
  painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  painter.fillRect(tinted.rect(), color);
  painter.end();
  return QPixmap::fromImage(tinted);
}

const char* InspectorImages::transformImageName(int transformType, bool twoAxis)
{
  switch (transformType) {
  case 1:
    return twoAxis ? "TransformOffset2D" : "TransformOffset1D";
  case 2:
    return "TransformScale";
  case 3:
  case 4:
    return "TransformSize";
  case 5:
    return "TransformRotation";
  case 6:
    return "TransformCount";
  default:
    return nullptr;
  }
}
