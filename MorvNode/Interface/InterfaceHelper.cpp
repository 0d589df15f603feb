#include "MorvNode/Interface/InterfaceHelper.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QThread>

#include "MorvNode/Document/MVApplicationResources.h"
#include "MorvNode/Editor/NodeEditorIcons.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "Platform/FileAccess.h"
#include "Platform/Image.h"
#include "Platform/Unicode.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/SVG/ODSVG.h"

namespace {

QPalette darkPalette()
{
  QPalette palette;
  const QColor window(45, 45, 48);
  const QColor base(30, 30, 32);
  const QColor text(225, 225, 225);
  palette.setColor(QPalette::Window, window);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Base, base);
  palette.setColor(QPalette::AlternateBase, window);
  palette.setColor(QPalette::ToolTipBase, window);
  palette.setColor(QPalette::ToolTipText, text);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Button, window);
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::BrightText, Qt::red);
  palette.setColor(QPalette::Highlight, QColor(42, 110, 200));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::Dark, QColor(20, 20, 22));
  palette.setColor(QPalette::Mid, QColor(60, 60, 64));
  palette.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
  palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
  return palette;
}

QPalette lightPalette()
{
  QPalette palette;
  palette.setColor(QPalette::Window, QColor(239, 239, 239));
  palette.setColor(QPalette::WindowText, Qt::black);
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::AlternateBase, QColor(247, 247, 247));
  palette.setColor(QPalette::Text, Qt::black);
  palette.setColor(QPalette::Button, QColor(239, 239, 239));
  palette.setColor(QPalette::ButtonText, Qt::black);
  palette.setColor(QPalette::Highlight, QColor(48, 140, 198));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  palette.setColor(QPalette::Dark, QColor(160, 160, 160));
  return palette;
}

// Where icons are looked for below the resource folder, in this order.
constexpr std::array<const char*, 3> kIconFolders{"node icons/", "interface icons/", ""};

// Drawn icons are rendered with this many pixels per point, enough for high-density screens;
// on others Qt scales them down.
constexpr double kDrawnIconPixelsPerPoint = 2.0;

// Icon sources are a few kilobytes; anything far larger is not one of ours.
constexpr std::size_t kMaximumDrawnIconBytes = 1 << 20;

// The file of that name in the first icon folder that has one.
std::optional<std::filesystem::path> iconFile(const std::string& name)
{
  for (const char* folder : kIconFolders) {
    if (std::optional<std::filesystem::path> path = MVApplicationResources::pathForResource(std::string(folder) + name)) {
      return path;
    }
  }
  return std::nullopt;
}

// The drawing an icon is made from when no picture file of its name exists: the SVG file of
// the same name with ".svg" in place of the extension, in the same folders.
std::optional<std::filesystem::path> drawnIconSource(const std::string& name)
{
  std::filesystem::path source(name);
  source.replace_extension(".svg");
  return iconFile(source.string());
}

// The SVG drawing rendered into a bitmap at kDrawnIconPixelsPerPoint, sized in points to the
// drawing's own size; nullopt for an unreadable or empty drawing.
std::optional<pf::Image> drawnIcon(const std::filesystem::path& source)
{
  const std::optional<std::string> text = pf::readRegularTextFile(source, kMaximumDrawnIconBytes);
  if (!text || text->empty() || !pf::isValidUTF8(*text)) {
    return std::nullopt;
  }
  const std::shared_ptr<ODSVG> svg = ODSVG::initWithSVGString(*text);
  if (svg == nullptr) {
    return std::nullopt;
  }
  pf::Size size = svg->proposedViewSize();
  if (!(size.width > 0.0 && size.height > 0.0)) {
    size = svg->viewBox().size;
  }
  if (!(size.width > 0.0 && size.height > 0.0) || size.width > 1024.0 || size.height > 1024.0) {
    return std::nullopt;
  }
  std::optional<pf::Image> image =
      svg->imageWithSize(pf::Size(size.width * kDrawnIconPixelsPerPoint, size.height * kDrawnIconPixelsPerPoint));
  if (!image) {
    return std::nullopt;
  }
  image->setSize(size);
  return image;
}

// Node class icons ("node_icon_...") that no file or drawing provides are the node editor's
// drawings of the class, so a node looks the same in the inspector, the timeline and the editor.
// Points square.
constexpr int kNodeClassIconPoints = 20;

// The node editor's icon of the first registered class with that icon name, at
// kDrawnIconPixelsPerPoint; nullopt when no class has it, or off the interface thread (the
// editor draws into pixmaps, which only that thread may use).
std::optional<pf::Image> nodeClassIcon(const std::string& name)
{
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr ||
      QThread::currentThread() != QCoreApplication::instance()->thread()) {
    return std::nullopt;
  }
  const MVClassRegistry& registry = MVClassRegistry::shared();
  for (const std::string& className : registry.nodeClassNames()) {
    const MVNodeClass* nodeClass = registry.nodeClass(className);
    if (nodeClass == nullptr || nodeClass->iconName != name) {
      continue;
    }
    const QImage drawn = NodeEditorIcons::nodeIcon(className, name, kNodeClassIconPoints)
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    std::optional<pf::Bitmap> bitmap = pf::Bitmap::create(drawn.width(), drawn.height());
    if (drawn.isNull() || !bitmap) {
      return std::nullopt;
    }
    for (int y = 0; y < drawn.height(); ++y) {
      const auto* source = reinterpret_cast<const std::uint32_t*>(drawn.constScanLine(y));
      std::copy(source, source + drawn.width(), bitmap->row(y).begin());
    }
    pf::Image image = pf::Image::fromBitmap(std::move(*bitmap));
    image.setSize(pf::Size(kNodeClassIconPoints, kNodeClassIconPoints));
    return image;
  }
  return std::nullopt;
}

}  // namespace

InterfaceHelper& InterfaceHelper::shared()
{
  // Created once, also when several threads ask at the same time.
  static InterfaceHelper* helper = new InterfaceHelper();
  return *helper;
}

void InterfaceHelper::setInterfaceMode(long long mode)
{
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
    return;
  }
  if (mode == 1) {
    QApplication::setPalette(lightPalette());
  } else if (mode == 2) {
    QApplication::setPalette(darkPalette());
  } else {
    QApplication::setPalette(QApplication::style()->standardPalette());
  }
}

bool InterfaceHelper::isSystemDarkMode()
{
  const QPalette palette = QApplication::palette();
  return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

bool InterfaceHelper::shouldAnimate() const
{
  return animationsEnabled_ && pf::UserDefaults::standard().boolForKey("Interface Animations");
}

QImage InterfaceHelper::interfaceIconNamed(const std::string& name)
{
  if (auto cached = interfaceIcons_.find(name); cached != interfaceIcons_.end()) {
    return cached->second;
  }
  const std::shared_ptr<const pf::Image> icon = interfaceIconImageNamed(name);
  if (icon == nullptr) {
    return {};
  }
  // Drawn icons carry more pixels than points (for high-density screens): the image keeps that
  // ratio, so it measures its point size wherever Qt shows it.
  const double ratio = icon->size().width > 0.0 ? std::max(1.0, icon->pixelSize().first / icon->size().width) : 1.0;
  const std::optional<pf::Bitmap> bitmap = icon->renderedBitmap(ratio);
  if (!bitmap) {
    return {};
  }
  const QImage view(reinterpret_cast<const uchar*>(bitmap->data()), bitmap->width(), bitmap->height(),
                    static_cast<qsizetype>(bitmap->stride()), QImage::Format_ARGB32_Premultiplied);
  QImage image = view.copy();
  image.setDevicePixelRatio(ratio);
  interfaceIcons_[name] = image;
  return image;
}

QImage InterfaceHelper::menuIconImageNamed(const std::string& name)
{
  if (name.empty()) {
    return {};
  }
  if (auto cached = menuIcons_.find(name); cached != menuIcons_.end()) {
    return cached->second;
  }
  const QImage icon = interfaceIconNamed(name);
  if (icon.isNull()) {
    FeedbackManager::log("Failed to get menu icon %@", name);
    return {};
  }
  // 16 points high with the aspect ratio kept; the full-size icon stays as it is.
  const double ratio = icon.devicePixelRatio();
  QImage menu = icon.scaledToHeight(static_cast<int>(std::lround(16.0 * ratio)), Qt::SmoothTransformation);
  menu.setDevicePixelRatio(ratio);
  menuIcons_[name] = menu;
  return menu;
}

QIcon InterfaceHelper::menuIconNamed(const std::string& name)
{
  const QImage image = menuIconImageNamed(name);
  return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

std::shared_ptr<const pf::Image> InterfaceHelper::interfaceIconImageNamed(const std::string& name)
{
  if (name.empty()) {
    FeedbackManager::log("Warning, interfaceIconImageNamed called with no iconName");
    return nullptr;
  }
  if (auto cached = coreIcons_.find(name); cached != coreIcons_.end()) {
    return cached->second;
  }
  std::optional<pf::Image> image;
  if (const std::optional<std::filesystem::path> path = iconFile(name); path && path->extension() == ".svg") {
    image = drawnIcon(*path);
  } else if (path) {
    image = pf::Image::fromFile(path->string());
    if (image && image->bitmap() != nullptr) {
      // A picture file counts one point per pixel, whatever resolution it states.
      image->setSize(pf::Size(image->bitmap()->width(), image->bitmap()->height()));
    }
  } else if (const std::optional<std::filesystem::path> source = drawnIconSource(name)) {
    image = drawnIcon(*source);
  } else if (std::optional<pf::Image> classIcon = nodeClassIcon(name)) {
    image = std::move(classIcon);
  } else {
    FeedbackManager::log("Warning, interfaceIconImageNamed could not find icon '%@' in bundle", name);
    return nullptr;
  }
  if (!image) {
    FeedbackManager::log("Error, interfaceIconImageNamed could not load icon '%@'", name);
    return nullptr;
  }
  auto shared = std::make_shared<const pf::Image>(std::move(*image));
  coreIcons_[name] = shared;
  return shared;
}
