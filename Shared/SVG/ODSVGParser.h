#pragma once

#include <cstddef>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "Platform/Rect.h"
#include "Platform/Size.h"
#include "Shared/SVG/ODSVGError.h"
#include "Shared/SVG/ODSVGGroup.h"

class ODSVG;
class ODSVGParserDelegate;
class ODSVGPath;

// Reads SVG text into the node tree and is itself its root group, carrying the document's
// view box and proposed size. Presentation attributes, inline styles and style-sheet rules
// are applied to every element's node; references (use, gradient xlink:href, url(#id) paint,
// clip paths and masks) are resolved to fresh nodes; path data goes to the path commands. Text
// and unrecognised elements are skipped.
//
// Hostile input ends in an error, never a crash or a hang: nesting is capped at kMaxDepth
// (elements, references and nested documents together), the elements read (references
// expanded) at kMaxElementCount, path data at kMaxPathDataBytes, style-sheet matching work at
// kMaxStyleSteps, and a reference back into an element whose resolution is under way stops the
// parse. Only data URLs are ever loaded: no file or network address named by the document is
// read. Nothing is logged.
class ODSVGParser : public ODSVGGroup {
public:
  static constexpr int kMaxDepth = 256;
  static constexpr std::size_t kMaxElementCount = 1'000'000;
  static constexpr std::size_t kMaxPathDataBytes = 256u * 1024u * 1024u;
  static constexpr std::size_t kMaxStyleSteps = 50'000'000;

  // The work one parse may do, shared with the documents nested in it: the limits and what
  // has been spent.
  struct Budget {
    int maxDepth = kMaxDepth;
    std::size_t maxElements = kMaxElementCount;
    std::size_t maxPathDataBytes = kMaxPathDataBytes;
    std::size_t maxStyleSteps = kMaxStyleSteps;

    int depth = 0;
    std::size_t elements = 0;
    std::size_t pathDataBytes = 0;
    std::size_t styleSteps = 0;
    bool exhausted = false;  // a limit was reached: every document sharing the budget fails
  };

  // The built tree, or nullptr with the error stored through `error` (codes 1, 2 and 4).
  static std::shared_ptr<ODSVGParser> initWithSVGString(std::string_view svgString, ODSVGError* error = nullptr,
                                                        ODSVGParserDelegate* delegate = nullptr);
  // As above, charging the work to a running budget (nested documents).
  static std::shared_ptr<ODSVGParser> initWithSVGString(std::string_view svgString, ODSVGError* error,
                                                        ODSVGParserDelegate* delegate, Budget& budget);
  // Reads a file named by the caller (never by a document) as UTF-8 text; code 0 when it
  // cannot be read.
  static std::shared_ptr<ODSVGParser> initWithFileURL(const std::string& path, ODSVGError* error = nullptr,
                                                      ODSVGParserDelegate* delegate = nullptr);

  ODSVGParser();
  ~ODSVGParser() override;

  pf::Rect viewBox() const { return viewBox_; }
  pf::Size proposedViewSize() const { return proposedViewSize_; }
  pf::Size size() const { return viewBox_.size; }

  bool isFont() const { return !glyphs_.empty(); }
  const std::vector<std::shared_ptr<ODSVGPath>>& glyphs() const { return glyphs_; }
  void addGlyph(std::shared_ptr<ODSVGPath> glyph);
  void addSubSVG(std::shared_ptr<ODSVG> svg);
  // The nested documents; recursive: each followed by its own nested documents, in order.
  std::vector<std::shared_ptr<ODSVG>> subSVGs(bool recursive) const;

  // The element with this identifier (a child of a defs element, or any element read before)
  // parsed afresh; every call gives a new node. nullptr when there is none. Only while the
  // document is being read; `xmlElement` receives the element when given.
  std::shared_ptr<ODSVGNode> definedObjectForID(const std::string& identifier, pugi::xml_node* xmlElement = nullptr);

private:
  struct State;

  long build(std::string_view svgString);
  void parse();
  void parseBlock(const pugi::xml_node& element, ODSVGGroup& group);
  void parseDefsForElement(const pugi::xml_node& element);
  void parseChildren(const pugi::xml_node& element, ODSVGGroup& group);
  void parseBaseBlock(const pugi::xml_node& element, ODSVGGroup& group);
  void parseUse(const pugi::xml_node& element, ODSVGGroup& group);
  void parseGradient(const pugi::xml_node& element, ODSVGGroup& group, int type);
  void parseNestedSVG(const pugi::xml_node& element, ODSVGGroup& group);
  void setupDefaultsForNode(ODSVGNode& node) const;
  void parseElementForCommonAttributes(const pugi::xml_node& element, ODSVGNode& node,
                                       std::initializer_list<std::string_view> ignoreAttributes = {});
  pugi::xml_node mergedElement(const pugi::xml_node& element, const pugi::xml_node& reference);
  void parsePathCommandData(std::string_view data, ODSVGPath& path);
  void parseLine(const pugi::xml_node& element, ODSVGPath& path);
  void parseCircle(const pugi::xml_node& element, ODSVGPath& path);
  void parseEllipse(const pugi::xml_node& element, ODSVGPath& path);
  void parsePoly(const pugi::xml_node& element, ODSVGPath& path, bool closePath);
  void parseRect(const pugi::xml_node& element, ODSVGPath& path);
  bool validateParse() const;
  // Stops the parse with an error code (the first one wins).
  void fail(long code);
  bool failed() const;

  pf::Rect viewBox_;
  pf::Size proposedViewSize_;
  ODSVGParserDelegate* delegate_ = nullptr;  // not owned; the document object that owns this parser
  std::vector<std::shared_ptr<ODSVGPath>> glyphs_;
  std::vector<std::shared_ptr<ODSVG>> svgs_;
  std::vector<std::shared_ptr<ODSVGGroup>> definedGroups_;  // scratch groups of resolved references
  std::unique_ptr<State> state_;                            // only while reading
};
