#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/AffineTransform.h"
#include "Platform/Path.h"
#include "Platform/Point.h"
#include "Shared/VectorParser/VectorParserPathStruct.h"

// The small readers the SVG subset reader takes its text apart with (attributes of one tag,
// colours, path-data tokens, points, transform lists, elliptical arcs), and the rounding the EPS
// reader applies. Class operations only; the colour table is built once. None of them fails
// loudly: a missing attribute is nullopt or 0, a missing point (-9999, -9999), an unreadable
// transform item is skipped; only the arc conversion logs.
class VectorParserSupport {
public:
  // What a point read past the end of a token list answers.
  static constexpr double kMissingCoordinate = -9999.0;

  // value rounded to `decimals` places, halves away from zero.
  static double roundToDecimals(int decimals, double value);
  static double CGPointDot(pf::Point u, pf::Point v);
  static double CGPointMagnitude(pf::Point v);
  // Signed angle in radians from u to v, for unit vectors; the cosine is clamped to [-1, 1]
  // so that rounding never gives NaN.
  static double svgAngle(pf::Point u, pf::Point v);

  // The value of the attribute written ` name="value"` or ` name ="value"` (case-insensitive
  // name, double quotes only; the first occurrence wins). nullopt when absent or unquoted.
  static std::optional<std::string> svgParseParameterNamed(std::string_view name, std::string_view tag);
  // The attribute's leading number ("10px" reads 10); 0 when absent.
  static double svgParseValueNamed(std::string_view name, std::string_view tag);

  // "#" and six lower-case hex digits for a named colour of the table (lower-case names);
  // nullopt for other names ("grey" among them).
  static std::optional<std::string_view> svgHexColorNamed(std::string_view name);
  // A colour name or "#" hex text (short or long form); nullopt for "", "none", "transparent",
  // unknown names and functional notation such as rgb(). Components are clamped to 0..1.
  static std::optional<VectorParserRGB> svgParseColorFromString(std::string_view text);

  // Path data or a points list split into command letters and numbers; empty items occur where
  // the text begins or ends with a separator. nullopt for an empty text.
  static std::optional<std::vector<std::string>> svgParsePointArrayFromString(std::string_view text);
  // (item index, item index + 1) as numbers; (-9999, -9999) when the list is shorter.
  static pf::Point svgGetPointFromArray(const std::vector<std::string>* tokens, std::int64_t index);
  // translate, scale, rotate (about the origin or a centre) and matrix items, each acting on
  // points before those written earlier; identity for an empty text.
  static pf::AffineTransform svgAffineTransformFromString(std::string_view text);

  // Adds the SVG elliptical arc from the path's current point to `end` (radii as (rx, ry),
  // rotation in degrees). A rotated arc with unequal radii is drawn unrotated and logged. An arc
  // with a zero radius is a straight line; one that ends where it starts adds nothing. Without
  // a current point the path is left alone.
  // Whether a path draws anything: at least one line, curve or close (lone moves do not).
  static bool pathHasSegments(const pf::Path& path);

  static void svgAddArcToPoint(pf::Point end, pf::Point radii, double angle, bool sweep, bool largeArc,
                               pf::Path& path);
};
