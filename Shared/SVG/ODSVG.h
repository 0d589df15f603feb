#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Rect.h"
#include "Platform/Size.h"
#include "Shared/SVG/ODSVGError.h"
#include "Shared/SVG/ODSVGParser.h"
#include "Shared/SVG/ODSVGParserDelegate.h"

class ODSVGPath;

// The front object of the SVG library: one parsed document (the parser as the root group of
// its node tree) with its view box and proposed size.
class ODSVG : public ODSVGParserDelegate {
public:
  // The document, or nullptr with the parser's error stored through `error`.
  static std::shared_ptr<ODSVG> initWithSVGString(std::string_view svgString, ODSVGError* error = nullptr);
  // As above, charging the work to a running budget (a document nested in another).
  static std::shared_ptr<ODSVG> initWithSVGString(std::string_view svgString, ODSVGError* error,
                                                  ODSVGParser::Budget& budget);

  ODSVG() = default;
  ~ODSVG() override;
  ODSVG(const ODSVG&) = delete;
  ODSVG& operator=(const ODSVG&) = delete;

  pf::Rect viewBox() const { return viewBox_; }
  pf::Size proposedViewSize() const { return proposedViewSize_; }
  // The root group; nullptr once discarded.
  const std::shared_ptr<ODSVGParser>& rootNode() const { return group_; }
  std::optional<std::string> identifier() const;
  bool isFont() const;
  std::vector<std::shared_ptr<ODSVGPath>> glyphs() const;
  std::vector<std::shared_ptr<ODSVG>> subSVGs(bool recursive) const;

private:
  std::shared_ptr<ODSVGParser> group_;
  pf::Rect viewBox_;
  pf::Size proposedViewSize_;
};
