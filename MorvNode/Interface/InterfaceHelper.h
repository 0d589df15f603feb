#pragma once

#include <map>
#include <memory>
#include <string>

#include <QIcon>
#include <QImage>

#include "MorvNode/Model/InterfaceIconProvider.h"

// Interface services many views share: the appearance mode (follow the desktop, light or
// dark), the switch that lets views animate their changes, and icons loaded by file name from
// the application's resources ("node icons", then "interface icons", then the resource folder
// itself), cached for the whole run at their own size and at menu size (16 points high). It is
// also the core's icon provider. Main thread only, except shared(), which is safe to call from
// any thread.
class InterfaceHelper final : public InterfaceIconProvider {
public:
  static InterfaceHelper& shared();

  static bool darkModeAvailable() { return true; }
  // 1 light, 2 dark, anything else follows the desktop's palette.
  static void setInterfaceMode(long long mode);
  // Whether the application's palette is a dark one.
  static bool isSystemDarkMode();

  void setAnimationsEnabled(bool enabled) { animationsEnabled_ = enabled; }
  // Only while enabled here and the preference "Interface Animations" is on.
  bool shouldAnimate() const;

  // The icon as an image of its own pixel size; a null image (logged) when no resource has that
  // name. Failures are not cached.
  QImage interfaceIconNamed(const std::string& name);
  QImage menuIconImageNamed(const std::string& name);
  QIcon menuIconNamed(const std::string& name);

  // InterfaceIconProvider.
  std::shared_ptr<const pf::Image> interfaceIconImageNamed(const std::string& name) override;

private:
  InterfaceHelper() = default;

  std::map<std::string, QImage> interfaceIcons_;
  std::map<std::string, QImage> menuIcons_;
  std::map<std::string, std::shared_ptr<const pf::Image>> coreIcons_;
  bool animationsEnabled_ = false;
};
