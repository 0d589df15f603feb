#include "Shared/SVG/ODSVG.h"

#include "Shared/SVG/ODSVGPath.h"

ODSVG::~ODSVG() = default;

std::shared_ptr<ODSVG> ODSVG::initWithSVGString(std::string_view svgString, ODSVGError* error)
{
  ODSVGParser::Budget budget;
  return initWithSVGString(svgString, error, budget);
}

std::shared_ptr<ODSVG> ODSVG::initWithSVGString(std::string_view svgString, ODSVGError* error,
                                                ODSVGParser::Budget& budget)
{
  auto svg = std::make_shared<ODSVG>();
  ODSVGError parseError;
  svg->group_ = ODSVGParser::initWithSVGString(svgString, &parseError, svg.get(), budget);
  if (!svg->group_) {
    if (error) {
      *error = parseError;
    }
    return nullptr;
  }
  svg->viewBox_ = svg->group_->viewBox();
  svg->proposedViewSize_ = svg->group_->proposedViewSize();
  return svg;
}

std::optional<std::string> ODSVG::identifier() const
{
  return group_ ? group_->identifier() : std::nullopt;
}

bool ODSVG::isFont() const
{
  return group_ && group_->isFont();
}

std::vector<std::shared_ptr<ODSVGPath>> ODSVG::glyphs() const
{
  return group_ ? group_->glyphs() : std::vector<std::shared_ptr<ODSVGPath>>();
}

std::vector<std::shared_ptr<ODSVG>> ODSVG::subSVGs(bool recursive) const
{
  return group_ ? group_->subSVGs(recursive) : std::vector<std::shared_ptr<ODSVG>>();
}
