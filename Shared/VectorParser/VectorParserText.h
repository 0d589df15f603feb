#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Plain byte-string helpers of the path reader. The readers scan their text as single bytes
// (any byte decodes, as Latin-1 would): every marker, tag and operator they look for is ASCII,
// so case-insensitive means ASCII case only and nothing depends on the process locale.
class VectorParserText {
public:
  // Position of `needle` in `text` from `from` on, ignoring ASCII case; npos when absent.
  static std::size_t findCaseInsensitive(std::string_view text, std::string_view needle, std::size_t from = 0);
  static bool containsCaseInsensitive(std::string_view text, std::string_view needle)
  {
    return findCaseInsensitive(text, needle) != std::string_view::npos;
  }
  static bool equalsCaseInsensitive(std::string_view a, std::string_view b);
  static std::string lowercased(std::string_view text);

  // Replaces every occurrence of `from` (not empty), left to right without overlaps.
  static void replaceAll(std::string& text, std::string_view from, std::string_view to);
  // Pieces between the separator characters, empty pieces included (as many as separators + 1).
  static std::vector<std::string_view> split(std::string_view text, char separator);
  // Pieces between runs of blanks and tabs; no empty pieces.
  static std::vector<std::string_view> splitAtBlanks(std::string_view text);

  // The number at the start of the text (after white space), as far as it reads: "10px" gives
  // 10, "50%" 50, ".5" 0.5, "1e-5" 0.00001. 0 when no number starts there; 0 also for text that
  // would give infinity or NaN, so that nothing non-finite reaches a path.
  static double leadingDouble(std::string_view text);
};
