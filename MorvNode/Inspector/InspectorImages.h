#pragma once

#include <memory>
#include <string>

#include <QColor>
#include <QImage>
#include <QPixmap>

namespace pf {
class Bitmap;
class Image;
}

// Our images as Qt shows them. The bitmap layout is Qt's premultiplied ARGB32, so a bitmap is
// copied without conversion; vector images are rendered first.
class InspectorImages {
public:
  // A deep copy; a null image for an empty bitmap.
  static QImage imageFromBitmap(const pf::Bitmap& bitmap);
  // The image rendered at `scale` times its point size; a null pixmap when it cannot be drawn.
  static QPixmap pixmapFromImage(const pf::Image& image, double scale = 1.0);
  // The installed icon provider's icon of that name; a null pixmap when there is none.
  static QPixmap iconNamed(const std::string& name);

  // Whether the image is drawn in black alone, at any opacity, as our interface icons are: such
  // a template image is shown in the text colour of the place it appears in.
  static bool isTemplateImage(const QImage& image);
  // A template image recoloured to `color`, its opacity kept; any other pixmap as it is.
  static QPixmap tintedTemplate(const QPixmap& pixmap, const QColor& color);
  // The marker image of a drag-edit transform type (1 offset, 2 scale, 3 and 4 size,
  // 5 rotation, 6 count); nullptr for none.
  static const char* transformImageName(int transformType, bool twoAxis);
};
