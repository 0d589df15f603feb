#include "MorvNode/Document/PreferenceDefaults.h"

#include "Platform/UserDefaults.h"

const pf::PlistValue::Dictionary& PreferenceDefaults::table()
{
  static const pf::PlistValue::Dictionary defaults{
      {"Snap nodes to grid", false},
      {"Open New Document At Startup", true},
      {"Automatically move connected nodes", true},
      {"Show graphics connection preview", true},
      {"Show color connection preview", true},
      {"Show value connection preview", true},
      {"Copy always include clipping rect", false},
      {"Copy scaled to display scale", false},
      {"Copy vectors size units", 0},
      {"Auto connect new Element nodes", true},
      {"Paste vector graphics as custom shapes", true},
      {"Enable Scroll Wheel Value Editing", true},
      {"Arrange nodes after legacy loading", true},
      {"Quick Tips Show At Startup 3", true},
      {"Quick Tips Current Page 3", 0},
      {"Morvalis 3 launch counter", 0},
      {"Show deprecation warnings", true},
      {"Show node element selection outlines", true},
      {"Clipping rendering sub-pixel overlaps", true},
      {"Add nodes by dragging new connection", true},
      {"Enable new change node defaults", true},
      {"New document include default nodes", true},
      {"New document default size X", 300.0},
      {"New document default size Y", 300.0},
      {"Interface Mode", 0},
      {"Interface Animations", true},
  };
  return defaults;
}

void PreferenceDefaults::setUpPreferences(pf::UserDefaults& defaults)
{
  defaults.registerDefaults(table());
  defaults.synchronize();
}
