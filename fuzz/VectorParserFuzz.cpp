// Text as a file parameter's path reader takes it: the SVG and the EPS subset readers, each on
// the same bytes. Whatever the text, this ends without a crash, a hang or a leak, each answer
// holds at most one record, and every point of its path is a finite number (a path with an
// infinite or undefined point cannot be drawn or measured).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "FuzzCheck.h"
#include "Platform/Log.h"
#include "Shared/VectorParser/VectorGraphicsParser.h"

namespace {

void checkRecords(const VectorParserPaths& records)
{
  FUZZ_CHECK(records.size() <= 1);
  for (const VectorParserPathStruct& record : records) {
    for (const pf::PathElement& element : record.path.elements()) {
      for (int i = 0; i < element.pointCount(); ++i) {
        const pf::Point point = element.points[static_cast<std::size_t>(i)];
        FUZZ_CHECK(std::isfinite(point.x) && std::isfinite(point.y));
      }
    }
    FUZZ_CHECK(std::isfinite(record.strokeWidth));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  pf::setLogEcho(false);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  checkRecords(VectorGraphicsParser::parserPathsFromSVGString(text));
  if (const std::optional<VectorParserPaths> eps = VectorGraphicsParser::parserPathsFromEPSString(text)) {
    checkRecords(*eps);
  }
  return 0;
}
