#pragma once

#include <string>

#include "Platform/PlistValue.h"

// Where the core posts the desktop notifications a user may act on later (a finished export).
// The interface layer installs one that speaks to the desktop's notification service and
// handles the click; tests install a recording fake; with none installed, notifications are
// dropped. Main thread only.
class MVUserNotificationCenter {
public:
  struct Notification {
    std::string title;
    std::string informativeText;
    // What the click needs ("Path": the exported file).
    pf::PlistValue::Dictionary userInfo;
  };

  virtual ~MVUserNotificationCenter() = default;
  // Shows the notification once, without sound.
  virtual void deliverNotification(const Notification& notification) = 0;

  // The installed centre; nullptr when none is.
  static MVUserNotificationCenter* defaultCenter() { return installed(); }
  // Not owned; the installer removes it (nullptr) before it goes away.
  static void setDefaultCenter(MVUserNotificationCenter* center) { installed() = center; }

private:
  static MVUserNotificationCenter*& installed()
  {
    static MVUserNotificationCenter* center = nullptr;
    return center;
  }
};
