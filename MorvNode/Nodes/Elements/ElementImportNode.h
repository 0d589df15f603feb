#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>

#include "MorvNode/Nodes/Elements/ElementNode.h"
#include "Platform/PlistValue.h"
#include "Platform/Size.h"

// The element node that brings outside artwork into the graph. Its "Import file" holds the
// bytes of a bitmap image, PDF, EPS or SVG (browsed, pasted or dropped). In Image mode it
// outputs an image element that refers to the published image by name and can be tinted; in
// Paths mode one vector path read from the artwork, which later nodes fill and stroke like any
// shape. New artwork keeps "Size" in the artwork's proportions, times any distortion the user
// gave it. A new node shows the default graphic "Squiggle.svg".
class ElementImportNode : public ElementNode {
public:
  // Values of the "Import mode" index (saved in documents).
  static constexpr long long kImageMode = 0;
  static constexpr long long kPathsMode = 1;
  static constexpr const char* kDefaultGraphicName = "Squiggle.svg";

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  ElementImportNode();

  // Publishes the default graphic in the controller's store (set by now).
  void initNodeParameters() override;
  // Shows the fill, stroke and tint rows that the mode and the kind of file use.
  void updateLinkedParameters() override;
  // New artwork switches to a mode that can show it and resizes; the mode sets the
  // capabilities; "Size" records the user's distortion.
  void parameterChanged(MVParameter* parameter, const std::string& propertyName) override;
  void checkWarnings() override;
  // Paths mode: the artwork's path scaled to "Size" (flipped back to y-down), with its fill
  // rule. Image mode: an image element of "Size" naming the published image, tinted when
  // "Tint Color" is on. nullptr when the file is neither bitmap nor vector.
  std::shared_ptr<MVElement> generateElement() override;

  // The editor's paste and drop: hands the bytes and the display name to the file parameter
  // (the other two arguments are not used). NO when the bytes cannot be read.
  bool setGraphicsData(std::span<const std::uint8_t> data, const std::string& name, const std::string& displayName,
                       bool parseParameters);
  // The drop view's notification; only logged.
  void newImagePastedOrDroppedIn();

  // Older-generation records: "Import mode heading" is dropped; the embedded "Image data" with
  // its "Image name" / "Image display name" becomes the file, sized as it was, and in Image
  // mode "Tint Color" takes the old fill colour.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;

  MVParameterFile* importFileParameter() const { return &importFile_; }
  MVParameterIndex* importModeParameter() const { return &importMode_; }
  MVParameterColor* tintColorParameter() const { return &tintColor_; }
  // (Size.Y / Size.X) / (artwork height / width); 1 until the user distorts "Size".
  double relativeAspect() const { return relativeAspect_; }

private:
  // Paths when the user default "Paste vector graphics as custom shapes" is on, else Image.
  static long long initialMode();
  long long mode() const;
  // The artwork's size: the image's point size, or the path's box when there is no image
  // (SVG read as paths only). nullopt when neither has an area.
  std::optional<pf::Size> artworkSize();
  void applyModeCapabilities();
  // Sets "Size" through its aspect lock (unlocked, set, locked again).
  void setSizeKeepingLock(double x, double y);

  double relativeAspect_ = 1.0;
  // Declared in the order of the node's rows; owned by the node's parameter list.
  MVParameterFile& importFile_ = nodekit::file(
      *this,
      {.name = "Import file",
       .displayName = "Graphics file",
       .tooltip = "Imported file or pasted/dropped graphics data, click to browse."},
      nodekit::after("Graphics"));
  MVParameterIndex& importMode_ = nodekit::choice(
      *this,
      {.name = "Import mode",
       .tooltip = "Select how to use the imported graphics, as a static image (bitmap or vector) or attempt to parse "
                  "imported vector graphics to use as dynamic vector paths."},
      {.names = {"Image", "Paths"},
       .icons = {"icon_import_image.png", "icon_import_paths.png"},
       .tooltips = {"Use the imported graphics as a static image, using bitmap or vector artwork",
                    "Try to import vector paths from the graphics, letting you then change the fill and stroke "
                    "color"},
       .index = initialMode()},
      nodekit::after("Import file"));
  MVParameterColor& tintColor_ = nodekit::color(*this,
                                                {.name = "Tint Color",
                                                 .displayName = "Tint color",
                                                 .header = "Tint image",
                                                 .tooltip = "Apply a color tint to the image element",
                                                 .enableToggle = true,
                                                 .enabled = false},
                                                pf::Color::rgb(1.0, 1.0, 1.0, 1.0), nodekit::after("Stroke Color"));
};
