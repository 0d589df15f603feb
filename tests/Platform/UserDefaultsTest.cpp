#include "Platform/UserDefaults.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "Platform/Log.h"

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    folder_ = std::filesystem::temp_directory_path() /
              ("morvalis-defaults-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::filesystem::path file() const { return folder_ / "Morvalis" / "Preferences.plist"; }

  std::filesystem::path folder_;
};

TEST_F(UserDefaultsTest, StoredValuesWinOverRegisteredOnesAndSurviveReload)
{
  {
    pf::UserDefaults defaults(file());
    defaults.registerDefaults({{"Snap nodes to grid", false}, {"New document default size X", 300.0}});
    EXPECT_FALSE(defaults.boolForKey("Snap nodes to grid"));
    EXPECT_EQ(defaults.doubleForKey("New document default size X"), 300.0);
    defaults.setBool("Snap nodes to grid", true);
    defaults.setString("Name", "Grüße");
    EXPECT_TRUE(defaults.boolForKey("Snap nodes to grid"));
    EXPECT_TRUE(defaults.synchronize());
  }
  pf::UserDefaults reloaded(file());
  EXPECT_TRUE(reloaded.boolForKey("Snap nodes to grid"));
  EXPECT_EQ(reloaded.stringForKey("Name"), "Grüße");
  // Registered values are not written to the file.
  EXPECT_FALSE(reloaded.hasStoredValue("New document default size X"));
  EXPECT_EQ(reloaded.doubleForKey("New document default size X"), 0.0);
  reloaded.removeObject("Snap nodes to grid");
  EXPECT_FALSE(reloaded.hasStoredValue("Snap nodes to grid"));
}

TEST_F(UserDefaultsTest, TypedReadersConvertLeniently)
{
  pf::UserDefaults defaults(file());
  defaults.setString("Number text", "12.5");
  defaults.setInteger("Count", 3);
  defaults.setObject("List", pf::PlistValue::emptyArray());
  EXPECT_EQ(defaults.doubleForKey("Number text"), 12.5);
  EXPECT_EQ(defaults.integerForKey("Number text"), 12);
  EXPECT_EQ(defaults.doubleForKey("Count"), 3.0);
  EXPECT_TRUE(defaults.boolForKey("Count"));
  EXPECT_EQ(defaults.integerForKey("List"), 0);
  EXPECT_EQ(defaults.integerForKey("Missing"), 0);
  EXPECT_EQ(defaults.stringForKey("Count"), "");
}

TEST_F(UserDefaultsTest, CorruptFileStartsEmptyAndIsReplacedOnWrite)
{
  std::filesystem::create_directories(file().parent_path());
  std::ofstream(file()) << "<?xml version=\"1.0\"?><plist><dict><key>broken";
  pf::setLogEcho(false);
  pf::UserDefaults defaults(file());
  pf::setLogEcho(true);
  EXPECT_FALSE(defaults.hasStoredValue("broken"));
  defaults.setBool("Fresh", true);
  ASSERT_TRUE(defaults.synchronize());
  EXPECT_TRUE(pf::UserDefaults(file()).boolForKey("Fresh"));
}

TEST_F(UserDefaultsTest, UnreadableFileIsKeptAsideNeverReplaced)
{
  std::filesystem::create_directories(file().parent_path());
  const std::string broken = "<?xml version=\"1.0\"?><plist><dict><key>Setting</key><string>kept";
  for (int start = 1; start <= 2; ++start) {
    SCOPED_TRACE(start);
    std::ofstream(file()) << broken;
    pf::setLogEcho(false);
    pf::UserDefaults defaults(file());
    pf::setLogEcho(true);
    defaults.setBool("Fresh", true);
    ASSERT_TRUE(defaults.synchronize());
  }
  // Both damaged files are still there, beside the new one.
  for (const char* suffix : {".unreadable", ".unreadable-2"}) {
    std::filesystem::path aside = file();
    aside += suffix;
    std::ifstream in(aside);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, broken) << suffix;
  }
  EXPECT_TRUE(pf::UserDefaults(file()).boolForKey("Fresh"));

  // A file that cannot be moved aside (its folder is read-only) is left alone, and nothing is
  // written over it.
  if (::geteuid() != 0) {
    std::ofstream(file()) << broken;
    std::filesystem::permissions(file().parent_path(), std::filesystem::perms::owner_read |
                                                           std::filesystem::perms::owner_exec);
    pf::setLogEcho(false);
    pf::UserDefaults defaults(file());
    defaults.setBool("Fresh", true);
    EXPECT_FALSE(defaults.synchronize());
    pf::setLogEcho(true);
    std::filesystem::permissions(file().parent_path(), std::filesystem::perms::owner_all);
    std::ifstream in(file());
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), broken);
  }
}

TEST_F(UserDefaultsTest, ConcurrentUpdatesAreAllKept)
{
  pf::UserDefaults defaults(file());
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&defaults] {
      for (int i = 0; i < 200; ++i) {
        defaults.updateObject("Items", [](pf::PlistValue& value) {
          value.append(pf::PlistValue(1));
          return true;
        });
        if (i % 50 == 0) {
          defaults.synchronize();
        }
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(defaults.objectForKey("Items").size(), 1600u);
  ASSERT_TRUE(defaults.synchronize());
  EXPECT_EQ(pf::UserDefaults(file()).objectForKey("Items").size(), 1600u);
}

}  // namespace
