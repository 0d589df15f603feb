#pragma once

#include <string_view>

#include "Platform/Color.h"
#include "Platform/PlistValue.h"

// Typed reading and writing of record dictionaries. Every failure logs one line and gives the
// neutral value (nullptr, false, 0, 0.0, white), so a damaged record loads what it can.
// Numbers, booleans and numeric strings convert into each other leniently (a string answers
// through its leading number). An empty key stands for a missing key.
class DictionaryValueExtras {
public:
  // The stored value as it is, whatever its kind; nullptr when absent (not logged).
  static const pf::PlistValue* numberForKey(const pf::PlistValue::Dictionary& dictionary, std::string_view key);
  static bool boolValueForKey(const pf::PlistValue::Dictionary& dictionary, std::string_view key);
  static long long longValueForKey(const pf::PlistValue::Dictionary& dictionary, std::string_view key);
  // Saturates at the 32-bit range.
  static int intValueForKey(const pf::PlistValue::Dictionary& dictionary, std::string_view key);
  static double doubleValueForKey(const pf::PlistValue::Dictionary& dictionary, std::string_view key);
  // The colour archived in the data; white when absent or unreadable.
  static pf::Color colorForKey(const pf::PlistValue::Dictionary& dictionary, std::string_view key);

  // Store a number of that type (a colour as its keyed archive); nothing with an empty key.
  static void setBoolValue(pf::PlistValue::Dictionary& dictionary, bool value, std::string_view key);
  static void setLongValue(pf::PlistValue::Dictionary& dictionary, long long value, std::string_view key);
  static void setIntValue(pf::PlistValue::Dictionary& dictionary, int value, std::string_view key);
  static void setDoubleValue(pf::PlistValue::Dictionary& dictionary, double value, std::string_view key);
  static void setColor(pf::PlistValue::Dictionary& dictionary, const pf::Color& color, std::string_view key);
};
