#pragma once

#include <map>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "Platform/AffineTransform.h"
#include "Platform/Color.h"

class MVElement;

namespace pf {
class Path;
}

// One write of an element tree as SVG text (the body of an SVG export or of one animation
// frame). Elements write themselves with MVElement::svgString(), in absolute SVG user units:
// the writer's transform maps element space (y-down from the artboard's top-left) to SVG user
// space, so path data carries no transform attributes. The writer holds what must be consistent
// across the whole tree: the scale that stroke widths follow and the ids handed out. Every id
// of one write is unique: element ids come from the element names, a repeated name getting
// "-2", "-3"... appended, and clip-path ids stay unique even when copies of one element (which
// share its element ID) are clipped several times.
//
// Every number is written as printf "%g" does in the "C" locale, whatever the process locale,
// and "-0" is written as "0". Text from the model (element names) is made fit for XML and
// escaped.
class MVSvgWriter {
public:
  // `renderingScale`: SVG user units per output unit; stroke widths are multiplied by it.
  explicit MVSvgWriter(double renderingScale = 1.0) : renderingScale_(renderingScale) {}

  // Element strokes are drawn with Cairo's default miter limit; SVG's default is 4.
  static constexpr double kStrokeMiterLimit = 10.0;

  // The SVG text of a tree drawn at `displayScale` SVG units per output unit: the tree's
  // svgString() under a scale of displayScale, with strokes scaled alike. Empty for an empty
  // tree. `reservedIDs` (as written, escaped) are ids the rest of the file already uses: the
  // tree's ids keep clear of them.
  static std::string svgElementString(const MVElement& root, double displayScale,
                                      const std::vector<std::string>& reservedIDs = {});

  double renderingScale() const { return renderingScale_; }

  // The id attribute value for an element named `name`: the name made fit for XML and escaped,
  // with "-2", "-3"... appended when an earlier id of this write (or a reserved one) has it.
  std::string uniqueID(std::string_view name);
  void reserveID(const std::string& id) { usedIDs_.insert(id); }

  // "ClippingPath-<element ID>" the first time an element ID asks, then the same with "-2",
  // "-3"... appended, so that every clipPath of one write has its own id.
  std::string clipPathID(long long elementID);

  // "%g" of the value, locale-free; "-0" becomes "0". Non-finite values are written as "0"
  // (callers skip geometry that is not finite before they get here).
  static std::string number(double value);
  // "rgb(r,g,b)" with each component x 255, rounded halves away from zero.
  static std::string rgb(const pf::Color& color);
  // The text as XML can hold it: ill-formed UTF-8 and the non-characters U+FFFE and U+FFFF
  // become U+FFFD, control characters other than tab, line feed and carriage return are left
  // out (XML 1.0 cannot hold them, not even as character references).
  static std::string xmlText(std::string_view text);
  // xmlText() with &, <, >, " and ' replaced by their entities, and tab, line feed and carriage
  // return by character references, for attribute values.
  static std::string escaped(std::string_view text);
  // xmlText() made safe inside a comment: no "--", and no "-" at the end.
  static std::string commentText(std::string_view text);
  // The path mapped through `transform` as SVG path data: per element its letter (M, L, Q, C,
  // Z) and each point as "x,y " ("M0,0 L10,0 L10,10 Z"). Empty for an empty path, and for a
  // path or transform with non-finite numbers (such geometry cannot be drawn either).
  static std::string pathData(const pf::Path& path, const pf::AffineTransform& transform);
  // The stroke attributes of a stroked element (colour, opacity, width x renderingScale, cap
  // and join when they are not the SVG defaults, and the miter limit of mitred joins); empty
  // when the element draws no stroke (no stroke colour, or opacity or width not above 0).
  std::string strokeAttributes(const MVElement& element) const;

private:
  // The first id from `base`, `base`-2, `base`-3... not yet used; marks it used.
  std::string claimID(const std::string& base, int& nextSuffix);

  double renderingScale_ = 1.0;
  std::map<long long, int> clipPathUses_;  // element ID -> last suffix tried for its clip paths
  std::map<std::string, int> nameUses_;    // escaped name -> last suffix tried for it
  std::unordered_set<std::string> usedIDs_;
};
