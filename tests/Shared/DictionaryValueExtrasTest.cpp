#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"

#include <limits>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Log.h"

namespace {

class DictionaryValueExtrasTest : public ::testing::Test {
protected:
  DictionaryValueExtrasTest()
  {
    pf::setLogEcho(false);
    pf::setLogSink([this](const std::string& line) {
      const std::lock_guard lock(mutex_);
      lines_.push_back(line);
    });
  }
  ~DictionaryValueExtrasTest() override
  {
    pf::setLogSink(nullptr);
    pf::setLogEcho(true);
  }
  std::vector<std::string> takeLines()
  {
    const std::lock_guard lock(mutex_);
    return std::exchange(lines_, {});
  }

  std::mutex mutex_;
  std::vector<std::string> lines_;
};

TEST_F(DictionaryValueExtrasTest, GettersConvertLenientlyAndLogWhatTheyCannot)
{
  const pf::PlistValue::Dictionary record{{"yes", true},     {"three", 3},         {"real", 2.5},
                                          {"text", "2.5"},   {"word", "abc"},      {"bytes", pf::PlistValue::data("ab")},
                                          {"huge", 1e12}};
  struct Case {
    const char* key;
    bool boolValue;
    long long longValue;
    int intValue;
    double doubleValue;
    int logLines;  // per getter
  };
  const Case cases[] = {
      {"yes", true, 1, 1, 1.0, 0},
      {"three", true, 3, 3, 3.0, 0},
      {"real", true, 2, 2, 2.5, 0},
      {"text", true, 2, 2, 2.5, 0},
      {"word", false, 0, 0, 0.0, 0},
      {"huge", true, 1000000000000, std::numeric_limits<int>::max(), 1e12, 0},
      {"bytes", false, 0, 0, 0.0, 1},
      {"missing", false, 0, 0, 0.0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(DictionaryValueExtras::boolValueForKey(record, c.key), c.boolValue);
    EXPECT_EQ(DictionaryValueExtras::longValueForKey(record, c.key), c.longValue);
    EXPECT_EQ(DictionaryValueExtras::intValueForKey(record, c.key), c.intValue);
    EXPECT_EQ(DictionaryValueExtras::doubleValueForKey(record, c.key), c.doubleValue);
    EXPECT_EQ(takeLines().size(), static_cast<std::size_t>(4 * c.logLines));
  }

  DictionaryValueExtras::boolValueForKey(record, "missing");
  DictionaryValueExtras::doubleValueForKey(record, "bytes");
  const std::vector<std::string> lines = takeLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "WARNNG, NSDictionary (NSDictionaryValueExtras) boolValueForKey: missing, no such value, "
                      "returning nil");
  EXPECT_EQ(lines[1], "WARNNG, NSDictionary (NSDictionaryValueExtras) doubleValueForKey: bytes, object <6162> does "
                      "not support doubleValue, returning nil");
}

TEST_F(DictionaryValueExtrasTest, MissingKeysAreLoggedAndStoreNothing)
{
  pf::PlistValue::Dictionary record{{"", 5}};
  EXPECT_EQ(DictionaryValueExtras::numberForKey(record, ""), nullptr);
  EXPECT_FALSE(DictionaryValueExtras::boolValueForKey(record, ""));
  std::vector<std::string> lines = takeLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "ERROR, NSDictionary (NSDictionaryValueExtras) value for key used with no key");
  EXPECT_EQ(lines[2], "WARNNG, NSDictionary (NSDictionaryValueExtras) boolValueForKey: , no such value, returning nil");

  DictionaryValueExtras::setDoubleValue(record, 1.0, "");
  DictionaryValueExtras::setColor(record, pf::Color::white(), "");
  EXPECT_EQ(record.size(), 1u);
  lines = takeLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "ERROR, NSDictionary (NSMutableDictionaryValueExtras) setDoubleValue with no key");
  EXPECT_EQ(lines[1], "ERROR, NSDictionary (NSMutableDictionaryValueExtras) setColor with no key");
}

TEST_F(DictionaryValueExtrasTest, SettersStoreNumbersOfTheirType)
{
  pf::PlistValue::Dictionary record;
  DictionaryValueExtras::setBoolValue(record, true, "b");
  DictionaryValueExtras::setLongValue(record, 1LL << 40, "l");
  DictionaryValueExtras::setIntValue(record, -7, "i");
  DictionaryValueExtras::setDoubleValue(record, 0.5, "d");
  EXPECT_TRUE(record.find("b")->isBool());
  EXPECT_EQ(record.find("l")->asInteger(), 1LL << 40);
  EXPECT_EQ(record.find("i")->asInteger(), -7);
  EXPECT_EQ(record.find("d")->asReal(), 0.5);
  EXPECT_TRUE(takeLines().empty());
}

TEST_F(DictionaryValueExtrasTest, ColoursRoundTripAndUnreadableDataGivesWhite)
{
  pf::PlistValue::Dictionary record;
  const pf::Color colour = pf::Color::rgb(0.1, 0.2, 0.3, 0.4);
  DictionaryValueExtras::setColor(record, colour, "Color");
  EXPECT_TRUE(record.find("Color")->isData());
  EXPECT_EQ(DictionaryValueExtras::colorForKey(record, "Color"), colour);
  EXPECT_TRUE(takeLines().empty());

  record.set("Junk", pf::PlistValue::data("not an archive"));
  record.set("Text", "red");
  for (const char* key : {"Junk", "Text", "Missing", ""}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(DictionaryValueExtras::colorForKey(record, key), pf::Color::white());
  }
  const std::vector<std::string> lines = takeLines();
  ASSERT_EQ(lines.size(), 4u);
  const std::string unreadable = "WARNNG, NSDictionary (NSDictionaryValueExtras) colorForKey: Junk, could not "
                                 "unarchiveObject with data, returning white color. Error: ";
  EXPECT_EQ(lines[0].rfind(unreadable, 0), 0u);
  EXPECT_EQ(lines[0].back(), ' ');
  EXPECT_EQ(lines[2], "WARNNG, NSDictionary (NSDictionaryValueExtras) colorForKey: Missing, no such value, returning "
                      "white color");
  EXPECT_EQ(lines[3], "WARNNG, NSDictionary (NSDictionaryValueExtras) colorForKey: no key, returning white color");
}

}  // namespace
