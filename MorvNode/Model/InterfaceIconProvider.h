#pragma once

#include <memory>
#include <string>

namespace pf {
class Image;
}

// Loads the application's icons by file name (node icons "node_icon_...", interface icons) for
// the model objects that hand an icon to the interface, such as a parameter's timeline row.
// The interface layer installs one at start-up; headless there is none and icons are nullptr.
class InterfaceIconProvider {
public:
  virtual ~InterfaceIconProvider() = default;
  // nullptr (logged by the provider) when no icon has that name.
  virtual std::shared_ptr<const pf::Image> interfaceIconImageNamed(const std::string& name) = 0;

  // Not owned; nullptr uninstalls. Main thread only.
  static void install(InterfaceIconProvider* provider);
  static InterfaceIconProvider* installed();
};
