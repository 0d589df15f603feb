#pragma once

#include "Platform/PlistValue.h"

namespace pf {
class UserDefaults;
}

// The preference defaults the whole application reads, registered at launch before anything
// else reads the store. A value the user has saved wins over these.
class PreferenceDefaults {
public:
  // The keys and values in their registration order.
  static const pf::PlistValue::Dictionary& table();
  // Registers the table and synchronises the store.
  static void setUpPreferences(pf::UserDefaults& defaults);
};
