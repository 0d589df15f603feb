#include "MorvNode/Editor/NodeEditorIcons.h"

#include <map>
#include <utility>

#include <QPainter>
#include <QPainterPath>

#include "MorvNode/Model/MVClassRegistry.h"

namespace {

QColor familyColor(const std::string& type)
{
  if (type == "Element") {
    return QColor(0x3f, 0x8f, 0xd8);
  }
  if (type == "Change") {
    return QColor(0x8a, 0x5c, 0xd0);
  }
  if (type == "Repeat") {
    return QColor(0x2f, 0xa8, 0x7a);
  }
  if (type == "Group") {
    return QColor(0x4f, 0x6b, 0xc9);
  }
  if (type == "Value") {
    return QColor(0x7d, 0x7d, 0x86);
  }
  if (type == "Color") {
    return QColor(0xd9, 0x8e, 0x1f);
  }
  if (type == "Output") {
    return QColor(0x40, 0x40, 0x46);
  }
  return QColor(0xb5, 0xa2, 0x4a);  // documents (notes) and anything else
}

// Up to two capital letters of the display name ("Shape" -> "S", "Repeat Grid" -> "RG").
QString initials(const std::string& displayName)
{
  QString letters;
  bool wordStart = true;
  for (QChar c : QString::fromStdString(displayName)) {
    if (c.isLetterOrNumber()) {
      if (wordStart && letters.size() < 2) {
        letters.append(c.toUpper());
      }
      wordStart = false;
    } else {
      wordStart = true;
    }
  }
  return letters;
}

void drawFamilyGlyph(QPainter& painter, const std::string& type, const QRectF& box)
{
  QPen pen(QColor(255, 255, 255, 110), box.width() / 14.0);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  const QPointF c = box.center();
  const double r = box.width() * 0.32;
  if (type == "Repeat") {
    for (double dx : {-r, r}) {
      for (double dy : {-r, r}) {
        painter.drawEllipse(c + QPointF(dx, dy) * 0.6, r * 0.18, r * 0.18);
      }
    }
  } else if (type == "Change" || type == "Group") {
    painter.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), 30 * 16, 300 * 16);
  } else if (type == "Color") {
    painter.drawEllipse(c, r, r);
  } else if (type == "Element") {
    painter.drawRoundedRect(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), r * 0.3, r * 0.3);
  }
}

}  // namespace

QPixmap NodeEditorIcons::nodeIcon(const std::string& className, const std::string& iconName, int size)
{
  static std::map<std::pair<std::string, int>, QPixmap> cache;
  (void)iconName;  // one look per family: the class decides
  const MVNodeClass* nodeClass = MVClassRegistry::shared().nodeClass(className);
  if (nodeClass == nullptr || size <= 0) {
    return {};
  }
  const auto key = std::make_pair(className, size);
  if (const auto found = cache.find(key); found != cache.end()) {
    return found->second;
  }
  QPixmap pixmap(size * 2, size * 2);
  pixmap.setDevicePixelRatio(2.0);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  const QRectF box(0.5, 0.5, size - 1.0, size - 1.0);
  QPainterPath tile;
  tile.addRoundedRect(box, size * 0.22, size * 0.22);
  const QColor color = familyColor(nodeClass->displayTypeName);
  painter.fillPath(tile, color);
  painter.setPen(QPen(color.darker(140), 1.0));
  painter.drawPath(tile);
  drawFamilyGlyph(painter, nodeClass->displayTypeName, box);
  QFont font;
  const QString letters = initials(nodeClass->displayName);
  font.setPixelSize(static_cast<int>(size * (letters.size() > 1 ? 0.42 : 0.55)));
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(box, Qt::AlignCenter, letters);
  painter.end();
  cache.emplace(key, pixmap);
  return pixmap;
}

QIcon NodeEditorIcons::menuIcon(const std::string& className)
{
  const MVNodeClass* nodeClass = MVClassRegistry::shared().nodeClass(className);
  if (nodeClass == nullptr) {
    return {};
  }
  return QIcon(nodeIcon(className, nodeClass->iconName, 16));
}
