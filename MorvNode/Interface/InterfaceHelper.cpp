#include "MorvNode/Interface/InterfaceHelper.h"

#include <filesystem>

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include "MorvNode/Document/MVApplicationResources.h"
#include "Platform/Image.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

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
  if (name.empty()) {
    FeedbackManager::log("Warning, interfaceIconImageNamed called with no iconName");
    return {};
  }
  if (auto cached = interfaceIcons_.find(name); cached != interfaceIcons_.end()) {
    return cached->second;
  }
  for (const char* folder : {"node icons/", "interface icons/", ""}) {
    const std::optional<std::filesystem::path> path = MVApplicationResources::pathForResource(std::string(folder) + name);
    if (!path) {
      continue;
    }
    QImage image(QString::fromStdString(path->string()));
    if (image.isNull()) {
      FeedbackManager::log("Error, interfaceIconImageNamed could not load icon '%@'", name);
      return {};
    }
    interfaceIcons_[name] = image;
    return image;
  }
  FeedbackManager::log("Warning, interfaceIconImageNamed could not find icon '%@' in bundle", name);
  return {};
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
  QImage menu = icon.scaledToHeight(16, Qt::SmoothTransformation);
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
  if (auto cached = coreIcons_.find(name); cached != coreIcons_.end()) {
    return cached->second;
  }
  for (const char* folder : {"node icons/", "interface icons/", ""}) {
    if (const std::optional<std::filesystem::path> path =
            MVApplicationResources::pathForResource(std::string(folder) + name)) {
      if (std::optional<pf::Image> image = pf::Image::fromFile(path->string())) {
        auto shared = std::make_shared<const pf::Image>(std::move(*image));
        coreIcons_[name] = shared;
        return shared;
      }
    }
  }
  FeedbackManager::log("Warning, interfaceIconImageNamed could not find icon '%@' in bundle", name);
  return nullptr;
}
