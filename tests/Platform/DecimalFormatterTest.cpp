#include "Platform/DecimalFormatter.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "Support/LogCapture.h"

namespace {

// Puts the process-wide separator back after a test changes it.
class SeparatorGuard {
public:
  SeparatorGuard() : saved_(pf::DecimalFormatter::userDecimalSeparator()) {}
  ~SeparatorGuard() { pf::DecimalFormatter::setUserDecimalSeparator(saved_); }
  SeparatorGuard(const SeparatorGuard&) = delete;
  SeparatorGuard& operator=(const SeparatorGuard&) = delete;

private:
  std::string saved_;
};

TEST(DecimalFormatter, AtMostTheFractionDigitsWithoutGroupingOrExponent)
{
  const pf::DecimalFormatter formatter(3);
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {3.14159, "3.142"},
      {2.5, "2.5"},
      {42, "42"},
      {-0.25, "-0.25"},
      {0.0625, "0.062"},  // an exact half goes to the even digit
      {0.0005, "0.001"},  // the double lies above the half
      {-0.0001, "0"},     // no negative zero
      {1234567.891, "1234567.891"},
      {1e21, "1000000000000000000000"},
      {std::numeric_limits<double>::quiet_NaN(), "NaN"},
      {std::numeric_limits<double>::infinity(), "∞"},
      {-std::numeric_limits<double>::infinity(), "-∞"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(formatter.string(c.value), c.text);
  }
  EXPECT_EQ(pf::DecimalFormatter(0).string(2.5), "2");
  EXPECT_EQ(pf::DecimalFormatter(-4).string(7.7), "8");
  EXPECT_EQ(pf::DecimalFormatter(99).string(0.1), "0.10000000000000001");
  EXPECT_EQ(pf::DecimalFormatter(3).string(std::numeric_limits<double>::max()).size(), 309u);
}

TEST(DecimalFormatter, TakesTheSeparatorTheInterfaceSets)
{
  SeparatorGuard guard;
  pf::DecimalFormatter::setUserDecimalSeparator(",");
  EXPECT_EQ(pf::DecimalFormatter(3).string(3.14159), "3,142");
  EXPECT_EQ(pf::DecimalFormatter(3).string(1500), "1500");

  testsupport::LogCapture log;
  pf::DecimalFormatter::setUserDecimalSeparator("");
  EXPECT_EQ(log.lines().size(), 1u);
  EXPECT_EQ(pf::DecimalFormatter::userDecimalSeparator(), ",");
}

}  // namespace
