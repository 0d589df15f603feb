#pragma once

#include <memory>
#include <string>

#include <pugixml.hpp>

class ODSVG;
class ODSVGParser;

// What a parser tells its owner (the document object). Every operation is optional: the
// defaults do nothing and handle no foreign object.
class ODSVGParserDelegate {
public:
  virtual ~ODSVGParserDelegate() = default;

  virtual bool svgParserShouldHandleForeignObject(ODSVGParser& parser, const pugi::xml_node& element)
  {
    (void)parser;
    (void)element;
    return false;
  }
  virtual void svgParserHandleForeignObject(ODSVGParser& parser, const pugi::xml_node& element, ODSVG& document)
  {
    (void)parser;
    (void)element;
    (void)document;
  }
  // A nested svg element became a document of its own.
  virtual void svgParserFoundSubSVG(ODSVGParser& parser, const std::shared_ptr<ODSVG>& document,
                                    const std::string& svgString)
  {
    (void)parser;
    (void)document;
    (void)svgString;
  }
};
