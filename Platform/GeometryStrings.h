#pragma once

#include <string>
#include <string_view>

#include "Platform/Point.h"
#include "Platform/Rect.h"
#include "Platform/Size.h"

namespace pf {

// Point, size and rectangle strings as saved in documents and defaults, independent of the
// process locale. Writing uses the shortest numbers that read back exactly:
//   "{0.1, 2}"   "{{0, 0}, {300, 200}}"
// Reading is lenient, as the original platform's string conversions are: numbers are taken in
// order wherever they stand, anything between them is skipped, and missing numbers are 0 (so bad
// text gives the zero point). "nan" and "inf" read back as written.
std::string pointString(Point p);
std::string sizeString(Size s);
std::string rectString(const Rect& r);

Point pointFromString(std::string_view text);
Size sizeFromString(std::string_view text);
Rect rectFromString(std::string_view text);

}  // namespace pf
