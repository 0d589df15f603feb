#include "MorvNode/Document/PreferenceDefaults.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "Platform/UserDefaults.h"

namespace {

TEST(PreferenceDefaults, RegistersEveryDefaultAndLosesToStoredValues)
{
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "morvalis-preference-defaults.plist";
  std::filesystem::remove(file);
  pf::UserDefaults defaults(file);
  defaults.setBool("Snap nodes to grid", true);
  PreferenceDefaults::setUpPreferences(defaults);

  EXPECT_EQ(PreferenceDefaults::table().size(), 26u);
  EXPECT_TRUE(defaults.boolForKey("Snap nodes to grid"));
  EXPECT_TRUE(defaults.boolForKey("Open New Document At Startup"));
  EXPECT_FALSE(defaults.boolForKey("Copy always include clipping rect"));
  EXPECT_EQ(defaults.doubleForKey("New document default size Y"), 300.0);
  EXPECT_TRUE(defaults.objectForKey("New document default size X").isReal());
  EXPECT_EQ(defaults.integerForKey("Interface Mode"), 0);
  EXPECT_TRUE(defaults.boolForKey("Quick Tips Show At Startup 3"));
  std::filesystem::remove(file);
}

}  // namespace
