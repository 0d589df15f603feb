#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Path.h"
#include "Platform/Point.h"

// The SVG library's small conversions: the number scanner every list of numbers goes through,
// attribute keywords to enumerated values, url(#id) references, view boxes and short number
// text. Class operations only; the lookup tables are built once and only read afterwards, so
// every operation is safe from any thread. Nothing here reports errors: unknown keywords give
// the table's default and unreadable numbers read as 0.
class ODSVGUtils {
public:
  ODSVGUtils() = delete;

  // Every number of the text, in order. Any byte that is not one of "0123456789eE+-." only
  // separates numbers; a sign (not after an exponent mark) or a second decimal point starts a
  // new one, so "10-5" gives 10 and -5 and "1.5.5" gives 1.5 and 0.5. Locale-free.
  static std::vector<double> scanFloatsFromString(std::string_view text);
  // The numbers of a parameter text (the scanner above), or one number taken at single
  // precision.
  static std::vector<double> commandParameters(std::string_view text);
  static std::vector<double> commandParameters(double number);
  // The numbers of an arc command's text: as the scanner above, except that each set's two
  // flags are single characters 0 or 1 and need no separator ("a1 1 0 00 10 10").
  static std::vector<double> arcParameters(std::string_view text);

  // Keywords, compared as written: "evenodd" 1, "inherit" 2, else 0 (non-zero).
  static int windingRuleForString(std::string_view text);
  // "mitre" 1, "round" 2, "bevel" 3, "inherit" 4, else 1 (so "miter" is 1 too).
  static int lineJoinStyleForString(std::string_view text);
  // "butt" 1, "round" 2, "square" 3, "inherit" 4, else 1.
  static int lineCapStyleForString(std::string_view text);
  // "userSpaceOnUse" 0 (user space), else 1 (object bounding box).
  static int unitTypeForString(std::string_view text);
  // "bold" 2, else 1; the text's leading number goes to `weight` when given.
  static int fontWeightTraitForString(std::string_view text, double* weight);
  // "italic" 4, else 1.
  static int fontStyleStringForString(std::string_view text);
  // The CSS mix-blend-mode keyword (any case) as a blend-mode number 0..15; unknown text 0.
  static int blendModeForString(std::string_view text);
  // The keyword of a blend-mode number 1..15; nullopt for 0 (normal) and anything else.
  static std::optional<std::string> mixBlendingModeForBlendMode(int blendMode);

  // The identifier inside the first url(#identifier) reference of the text; nullopt when there
  // is none.
  static std::optional<std::string> defURL(std::string_view text);
  // The numbers of a viewBox text (x, y, width, height are the first four).
  static std::vector<double> parseViewBox(std::string_view text);
  // The leading number at single precision, scaled by reference / 100 when the text holds "%".
  static double floatValue(std::string_view text, double fallBackForPercent);
  // The leading number at single precision; -99.9999991 for "inherit".
  static double floatValue(std::string_view text);

  // 0 absolute (the letter equals its upper-case form), 1 relative.
  static int typeForCommandString(std::string_view letter);
  // Signed angle in radians from vector a to vector b, in single precision.
  static double angleBetweenPointA(pf::Point a, pf::Point b);

  // A copy of the path whose last subpath is closed when it was left open (earlier open
  // subpaths stay open); nullopt for a path without elements.
  static std::optional<pf::Path> newCGPathFromBezierPath(const pf::Path& path);
  // Every point (x, y) becomes (x, -(y + h)), h the height of the path's box.
  static pf::Path newFlippedCGPath(const pf::Path& path);
};

// The HTML element names read as plain groups.
const std::vector<std::string>& ODSVGCommonHTMLElementNames();
bool ODSVGIsCommonHTMLElementName(std::string_view name);  // compared lower-cased

// "%g" text.
std::string ODSVGShortFloatString(double number);
// Fixed-point text with `precision` decimals, or the whole number when the rounded value is
// whole at single precision ("3" for 3.001 with precision 2, "2.50" stays).
std::string ODSVGShortFloatStringWithPrecision(long precision, double number);

// One of the twenty path command letters "MmZzLlHhVvCcSsQqTtAa" ("e" and "E" are not).
bool ODSVGIsLegalCommandCharacter(char16_t character);

// Angle helpers of the arc command.
double angle(double ax, double ay, double bx, double by);  // signed angle a to b, radians
double ratio(double ax, double ay, double bx, double by);  // cosine of that angle
double radians_to_degrees(double radians);
double degrees_to_radians(double degrees);
double magnitude(double x, double y);  // single precision

// Appends a quadratic curve from the current point as the equivalent cubic curve (controls at
// two thirds towards the quadratic control). Nothing without a current point.
void ODSVGAddQuadCurveToPoint(pf::Path& path, pf::Point end, pf::Point control);
