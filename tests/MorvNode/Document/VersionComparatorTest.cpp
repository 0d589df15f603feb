#include "MorvNode/Document/VersionComparator.h"

#include <gtest/gtest.h>

namespace {

struct VersionCase {
  const char* first;
  const char* second;
  int expected;
};

TEST(VersionComparator, OrdersVersionsAndBetas)
{
  const VersionCase cases[] = {
      {"3.0.0", "3.0.0b17", 1},     // a release is newer than its betas
      {"3.0.0b17", "3.0.0", -1},
      {"3.0.0b17", "2.9.9", 1},
      {"2.9.9", "2.9.9", 0},
      {"2.9.8", "2.9.9", -1},
      {"3.0.0b9", "3.0.0b17", -1},  // beta numbers compare as integers
      {"3.1", "3.0.5", 1},          // missing components read as 0
      {"3", "3.0.0", 0},
      {"3.0.0.7", "3.0.0", 0},      // a fourth component is ignored
      {"3.0.0b", "3.0.0b1", -1},    // "b" alone is beta 0
      {"3.0.0b", "3.0.0", -1},
      {"10.0.0", "9.9.9", 1},
      {"3.1.0a1", "3.0.0b5", -1},   // an alpha against a beta is always older
      {"3.0a2", "3.0.0", 0},        // "0a2" counts as 0
      {"", "0.0.0", 0},
      {" 2.-1.0", "2.0.0", -1},     // blanks and signs before a component are read
  };
  for (const VersionCase& c : cases) {
    SCOPED_TRACE(std::string(c.first) + " vs " + c.second);
    EXPECT_EQ(VersionComparator::compare(c.first, c.second), c.expected);
  }
}

TEST(VersionComparator, NormalisePadsShortListsOnly)
{
  using List = std::vector<std::string>;
  EXPECT_EQ(VersionComparator::normaliseValuesFromArray({}), (List{"0", "0", "0"}));
  EXPECT_EQ(VersionComparator::normaliseValuesFromArray({"3", "1"}), (List{"3", "1", "0"}));
  EXPECT_EQ(VersionComparator::normaliseValuesFromArray({"1", "2", "3", "4"}), (List{"1", "2", "3", "4"}));
}

}  // namespace
