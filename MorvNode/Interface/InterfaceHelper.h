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
//
// A picture file measures one point per pixel. When no file has the name, the icon is drawn
// from the SVG file of the same name with ".svg" in place of the extension ("icon_random.png"
// from "icon_random.svg"), at the drawing's size in points and twice that in pixels. A node
// class's icon name that neither provides gets the node editor's icon of the class. Our own
// interface icons are such drawings, black on transparent: views show them in their text
// colour (InspectorImages::tintedTemplate).
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

  // The icon at its own size in points, with the device pixel ratio of its pixels (2 for drawn
  // icons); a null image (logged) when no resource has that name. Failures are not cached.
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
