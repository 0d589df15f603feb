#include "Platform/PlistValue.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace {

using pf::PlistValue;

TEST(PlistValue, CopiesDoNotSeeLaterChanges)
{
  PlistValue original = PlistValue::emptyDictionary();
  original.set("list", PlistValue::emptyArray());
  original.mutableDictionary().find("list")->append(1);

  PlistValue copy = original;
  original.set("added", true);
  original.mutableDictionary().find("list")->append(2);

  EXPECT_FALSE(copy.contains("added"));
  EXPECT_EQ(copy.find("list")->size(), 1u);
  EXPECT_EQ(original.find("list")->size(), 2u);
  EXPECT_EQ(original.find("list")->at(1).asInteger(), 2);
}

TEST(PlistValue, DictionaryKeepsInsertionOrderAndReplacesInPlace)
{
  PlistValue dictionary;
  for (const char* key : {"zeta", "alpha", "Größe", "middle"}) {
    dictionary.set(key, key);
  }
  dictionary.set("alpha", 5);
  EXPECT_TRUE(dictionary.erase("zeta"));
  EXPECT_FALSE(dictionary.erase("zeta"));
  dictionary.set("zeta", 1.5);

  std::string order;
  for (const auto& entry : *dictionary.asDictionary()) {
    order += entry.key + ",";
  }
  EXPECT_EQ(order, "alpha,Größe,middle,zeta,");
  EXPECT_EQ(dictionary.find("alpha")->asInteger(), 5);
  EXPECT_EQ(dictionary.find("nothing"), nullptr);
}

TEST(PlistValue, LargeDictionaryLookupsFollowChanges)
{
  PlistValue::Dictionary dictionary;
  for (int i = 0; i < 1000; ++i) {
    dictionary.set("key " + std::to_string(i), i);
  }
  ASSERT_NE(dictionary.find("key 999"), nullptr);
  EXPECT_TRUE(dictionary.erase("key 10"));
  EXPECT_EQ(dictionary.find("key 10"), nullptr);
  EXPECT_EQ(dictionary.find("key 11")->asInteger(), 11);
  EXPECT_EQ(dictionary.entries()[10].key, "key 11");
  dictionary.set("key 10", -1);
  EXPECT_EQ(dictionary.entries().back().key, "key 10");
  EXPECT_EQ(dictionary.find("key 10")->asInteger(), -1);

  PlistValue::Dictionary moved = std::move(dictionary);
  EXPECT_EQ(moved.find("key 500")->asInteger(), 500);
  PlistValue::Dictionary copied = moved;
  copied.set("key 500", 0);
  EXPECT_EQ(moved.find("key 500")->asInteger(), 500);
  EXPECT_EQ(copied.find("key 500")->asInteger(), 0);
}

TEST(PlistValue, ExactAccessorsRejectOtherKinds)
{
  const PlistValue integer = 3;
  EXPECT_EQ(integer.asInteger(), 3);
  EXPECT_FALSE(integer.asReal());
  EXPECT_FALSE(integer.asBool());
  EXPECT_EQ(integer.asString(), nullptr);
  EXPECT_EQ(integer.find("x"), nullptr);
  EXPECT_EQ(integer.size(), 0u);
  EXPECT_TRUE(integer.at(0).isNull());

  EXPECT_TRUE(PlistValue(true).isBool());
  EXPECT_TRUE(PlistValue("text").isString());
  EXPECT_TRUE(PlistValue(2.0).isReal());
  EXPECT_EQ(PlistValue::uid(7).asUid(), 7u);
  EXPECT_EQ(PlistValue::dateFromUnixTime(PlistValue::kReferenceDateUnixTime + 1.5).asDate(), 1.5);
  EXPECT_EQ(PlistValue(std::numeric_limits<unsigned long long>::max()).asInteger(),
            std::numeric_limits<std::int64_t>::max());
}

TEST(PlistValue, LenientConversionsFollowNumberAndStringRules)
{
  struct Case {
    PlistValue value;
    std::optional<double> asDouble;
    std::optional<std::int64_t> asInteger;
    std::optional<bool> asBool;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {true, 1.0, 1, true},
      {-7, -7.0, -7, true},
      {2.9, 2.9, 2, true},
      {-2.9, -2.9, -2, true},
      {1e300, 1e300, std::numeric_limits<std::int64_t>::max(), true},
      {"2.5", 2.5, 2, true},
      {"YES", 0.0, 0, true},
      {"abc", 0.0, 0, false},
      {PlistValue::data(std::string_view("1")), std::nullopt, std::nullopt, std::nullopt},
      {PlistValue(), std::nullopt, std::nullopt, std::nullopt},
      {PlistValue::emptyArray(), std::nullopt, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value.description());
    EXPECT_EQ(c.value.toDouble(), c.asDouble);
    EXPECT_EQ(c.value.toInteger(), c.asInteger);
    EXPECT_EQ(c.value.toBool(), c.asBool);
  }
  EXPECT_EQ(PlistValue(nan).toInteger(), 0);
  EXPECT_TRUE(std::isnan(*PlistValue(nan).toDouble()));
}

TEST(PlistValue, EqualityIsStructural)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(PlistValue(nan), PlistValue(nan));
  EXPECT_NE(PlistValue(2), PlistValue(2.0));
  EXPECT_NE(PlistValue(1), PlistValue(true));
  EXPECT_NE(PlistValue("a"), PlistValue::data(std::string_view("a")));
  EXPECT_NE(PlistValue::date(0), PlistValue(0.0));

  PlistValue ab;
  ab.set("a", 1);
  ab.set("b", 2);
  PlistValue ba;
  ba.set("b", 2);
  ba.set("a", 1);
  EXPECT_NE(ab, ba);
  ba.erase("b");
  ba.set("b", 2);
  EXPECT_EQ(ab, ba);
}

TEST(PlistValue, MutatingTheWrongKindIsAProgrammingError)
{
  PlistValue text = "text";
  EXPECT_THROW(text.append(1), std::logic_error);
  EXPECT_THROW(text.set("k", 1), std::logic_error);
  EXPECT_EQ(text.asString()->size(), 4u);
}

TEST(PlistValue, DescriptionShowsNestedValues)
{
  PlistValue value;
  value.set("name", "two words");
  value.set("list", PlistValue(PlistValue::Array{1, 2.5, PlistValue::data(std::string_view("\x01\xff"))}));
  EXPECT_EQ(value.description(), "{name = \"two words\"; list = (1, 2.5, <01ff>); }");
}

}  // namespace
