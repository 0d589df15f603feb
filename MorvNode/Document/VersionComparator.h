#pragma once

#include <string>
#include <string_view>
#include <vector>

// Orders version strings such as "3.0.0", "3.0.0b17" and "2.9.9": up to three dotted integers
// and an optional "b" beta suffix. Stateless; used when documents load and by the update reminder.
class VersionComparator {
public:
  // 1 when `first` is newer than `second`, -1 when older, 0 when equal.
  static int compare(std::string_view first, std::string_view second);

  // The components padded with "0" to exactly three when there are three or fewer; longer
  // lists come back unchanged.
  static std::vector<std::string> normaliseValuesFromArray(std::vector<std::string> components);
};
