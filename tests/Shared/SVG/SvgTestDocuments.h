#pragma once

#include <memory>
#include <string>

#include "Shared/SVG/ODSVGParser.h"
#include "Shared/SVG/ODSVGPath.h"

namespace svgtest {

// A 100 x 100 document around `body`, with the xlink namespace declared.
inline std::string document(const std::string& body)
{
  return "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
         "viewBox=\"0 0 100 100\">" +
         body + "</svg>";
}

inline std::shared_ptr<ODSVGParser> parse(const std::string& body, ODSVGError* error = nullptr)
{
  return ODSVGParser::initWithSVGString(document(body), error);
}

// The path of a document holding one path element with this data; nullopt when the document
// failed.
inline std::optional<pf::Path> pathFor(const std::string& data)
{
  const std::shared_ptr<ODSVGParser> parser = parse("<path d=\"" + data + "\"/>");
  if (!parser || parser->children().empty()) {
    return std::nullopt;
  }
  const auto path = std::dynamic_pointer_cast<ODSVGPath>(parser->children()[0]);
  if (!path) {
    return std::nullopt;
  }
  return path->path();
}

}  // namespace svgtest
