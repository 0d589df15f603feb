#include "Platform/FontConfiguration.h"

#include <memory>

#include "Platform/Log.h"

namespace pf {

FcConfig* FontConfiguration::shared()
{
  struct ConfigDeleter {
    void operator()(FcConfig* config) const { FcConfigDestroy(config); }
  };
  static const std::unique_ptr<FcConfig, ConfigDeleter> configuration = [] {
    FcConfig* loaded = FcInitLoadConfigAndFonts();
    if (loaded == nullptr) {
      log("Error, could not load the font configuration");
    }
    return std::unique_ptr<FcConfig, ConfigDeleter>(loaded);
  }();
  return configuration.get();
}

}  // namespace pf
