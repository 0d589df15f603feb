#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "Platform/AffineTransform.h"
#include "Platform/Path.h"
#include "Platform/Size.h"
#include "Shared/SVG/ODSVGTransform.h"

class ODSVG;
class ODSVGGradientLayer;
class ODSVGImageLayer;
class ODSVGLayer;
class ODSVGPatternLayer;
class ODSVGShapeLayer;

// Writes an SVG document object back out as SVG text, from its layer tree: groups, shapes and
// images become g, path and image elements; gradients, patterns and masks go into one defs
// element; then the clean-up passes chosen in the options run over the XML tree.
//
// An exporter is used once: the constructor builds the whole XML document, SVGString and
// SVGData only serialise it. The document and its layer tree are only read (the tree is built
// under the transaction lock when the document has none yet). Nothing here fails: what cannot
// be written (an image that does not encode, a layer of another kind) is left out.
class ODSVGExporter {
public:
  // Option bits; any combination may be given (1 is unused).
  enum Option : std::int64_t {
    kCleanEmptyGroups = 2,         // unwrap attribute-less groups, drop empty ones
    kCleanDefs = 4,                // drop an empty defs element
    kHoistAttributes = 8,          // shared inheritable attributes of the root's children into groups
    kCreateUseForPaths = 16,       // repeated path data becomes use elements
    kSortAttributes = 32,          // fixed attribute order on every element
    kCollapseGroups = 64,          // fold single-child groups, merge equal adjacent groups
    kRelativeCoordinates = 128,    // relative path commands
    kRemoveHiddenElements = 256,   // elements whose display attribute is none
    kScaleToSize = 512,            // scale the content to the requested size
    kCompactOutput = 1024,         // no pretty-printing
    kCollapseGradients = 2048,     // later gradients with the same stops reference the earlier
    kCreateClasses = 4096,         // inheritable attributes become style-sheet classes
  };
  // Every clean-up pass together (not the output forms 128, 512 and 1024).
  static constexpr std::int64_t kAllCleanUps = kCleanEmptyGroups | kCleanDefs | kHoistAttributes | kCreateUseForPaths |
                                               kSortAttributes | kCollapseGroups | kRemoveHiddenElements |
                                               kCollapseGradients | kCreateClasses;

  // Builds the output for `svg`, which is only used during construction. A zero size means
  // none.
  ODSVGExporter(ODSVG& svg, pf::Size size, std::int64_t options);
  ODSVGExporter(const ODSVGExporter&) = delete;
  ODSVGExporter& operator=(const ODSVGExporter&) = delete;

  // The XML text with its declaration; pretty-printed unless kCompactOutput.
  std::string SVGString() const;
  std::vector<std::uint8_t> SVGData() const;  // SVGString as UTF-8
  const pugi::xml_document& dom() const { return dom_; }

  // Stored only; nothing writes them into the output.
  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }
  const std::string& description() const { return description_; }
  void setDescription(std::string description) { description_ = std::move(description); }

  // The next identifier: a to z, A to Z, then a1 to Z1, a2 and so on. Class names share it.
  std::string generateID();
  // Path data for the path, relative when kRelativeCoordinates is set.
  std::string pathFromCGPath(const pf::Path& path) const;
  // The identity with each transform concatenated in list order, the first outermost (as a
  // transform attribute reads its list).
  static pf::AffineTransform affineTransformFromTransforms(const std::vector<ODSVGTransform>& transforms);

  // The 44 attribute names that inherit, in their fixed order.
  static const std::vector<std::string>& inheritableAttributes();
  static bool isInheritable(std::string_view name);

private:
  bool has(Option option) const { return (options_ & option) != 0; }
  pugi::xml_node defElement();
  void recursiveParseFromLayer(const ODSVGLayer& layer, pugi::xml_node parent);
  void elementForGroup(const ODSVGLayer& layer, pugi::xml_node parent, const char* name = "g");
  void elementForShape(const ODSVGShapeLayer& layer, pugi::xml_node parent);
  void elementForImage(const ODSVGImageLayer& layer, pugi::xml_node parent);
  void applyDefaultsToElement(pugi::xml_node element, const ODSVGLayer& layer);
  void applyMaskToElement(pugi::xml_node element, const ODSVGLayer& layer);
  void applyGradientFromLayer(const ODSVGGradientLayer& layer, bool stroke, pugi::xml_node element);
  void applyPatternFromLayer(const ODSVGPatternLayer& layer, bool stroke, pugi::xml_node element);

  // The clean-up passes, in the order they run.
  void removeHiddenElements();
  void createUseForPaths();
  void cleanDefs();
  void collapseGroups();
  void cleanEmptyGroups();
  void sortAttributes();
  void compressGroups();
  void collapseGradients();
  void createClasses();
  void hoistAttributesToGroups();

  pf::Size size_;
  std::int64_t options_ = 0;
  pugi::xml_document dom_;
  pugi::xml_node root_;
  // Holds elements that are not in the output yet (the defs element until it has content),
  // outside the root, so no query of the output reaches them; dropped when the build ends.
  pugi::xml_node scratch_;
  pugi::xml_node defElement_;
  pugi::xml_node scaledRootNode_;
  std::int64_t idCount_ = 0;
  std::int64_t shortIdCount_ = 0;
  std::string title_;
  std::string description_;
};
