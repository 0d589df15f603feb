#pragma once

#include <memory>
#include <string>
#include <string_view>

#include <expat.h>

namespace testsupport {

// Reads text as a strict, namespace-aware XML reader does (expat): a duplicate attribute, an
// undefined entity, a character XML 1.0 cannot hold or an unbound prefix makes it fail. Empty
// when the text is well-formed, else expat's message with the line.
inline std::string xmlWellFormednessError(std::string_view text)
{
  // No separator character: with one, expat refuses any namespace name that contains it.
  const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreateNS("UTF-8", '\0'),
                                                                            &XML_ParserFree);
  if (XML_Parse(parser.get(), text.data(), static_cast<int>(text.size()), XML_TRUE) == XML_STATUS_OK) {
    return {};
  }
  return std::string(XML_ErrorString(XML_GetErrorCode(parser.get()))) + " at line " +
         std::to_string(XML_GetCurrentLineNumber(parser.get()));
}

}  // namespace testsupport
