#include "MorvNode/Inspector/InspectorImages.h"

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
