#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Color.h"
#include "Platform/PlistValue.h"
#include "Platform/Size.h"

// The rules of a document's export settings record, the dictionary saved with the document
// under "Export Settings" and read by the image and the animation export: its keys and
// defaults, the format lists, the export sizes with the artboard's aspect, and the scale an
// export renders at. The record itself stays a plain dictionary (saved documents carry it as
// it is); these functions read it leniently (a missing or mistyped entry reads as its default)
// and write it through the typed accessors.
class MVExportSettings {
public:
  // Points per millimetre for vector sizes in millimetres (as the saved documents assume; a
  // little short of 72 / 25.4).
  static constexpr double kVectorSizeScaleFactor = 2.834645667505735;

  // The three format lists; the first entry is the default, an entry's index its menu position.
  static const std::vector<std::string>& fileFormats();  // pdf eps svg tiff jpg png gif
  static const std::vector<std::string>& animationFormats();
  static const std::vector<std::string>& videoCodecs();
  // Menu titles of "Export Vector Size Units": 0 millimetres (scaled by
  // kVectorSizeScaleFactor), 1 points (unscaled).
  static const std::vector<std::string>& vectorSizeUnitTitles();

  // A new record with every default, in the record's order. "Export Vector Size Units" is the
  // user default "Last used export size units" (0 when not set).
  static pf::PlistValue::Dictionary defaultSettings();

  // ---- Reading (absent or unusable entries give the default) ----
  // "File Format"; the first format when unset.
  static std::string fileFormat(const pf::PlistValue::Dictionary& settings);
  static bool scaleToDisplay(const pf::PlistValue::Dictionary& settings);
  static int vectorSizeUnits(const pf::PlistValue::Dictionary& settings);
  static pf::Size size(const pf::PlistValue::Dictionary& settings);  // "Size Width", "Size Height"
  static bool useMatteColor(const pf::PlistValue::Dictionary& settings);
  static pf::Color matteColor(const pf::PlistValue::Dictionary& settings);  // opaque white when unset
  // "Base Filename"; nullopt when unset or empty.
  static std::optional<std::string> baseFilename(const pf::PlistValue::Dictionary& settings);
  // "pdf" and "eps": sizes in size units, rendered as vectors with a unit scale.
  static bool isVectorSizeFormat(std::string_view format);
  // A format of the single-image list.
  static bool isFileFormat(std::string_view format);
  // "Animation File Format" and "Animation Codec"; the first of their lists when unset.
  static std::string animationFileFormat(const pf::PlistValue::Dictionary& settings);
  static std::string animationCodec(const pf::PlistValue::Dictionary& settings);
  // "Animation Size Width", "Animation Size Height".
  static pf::Size animationSize(const pf::PlistValue::Dictionary& settings);

  // ---- Sizes ----
  // When the export panel opens on an artboard of `artboard` size: keeps the sizes only when
  // both are set and the artboard has the size it had when the panel was last opened, else
  // every size (also the animation's) becomes the artboard's. Records the artboard as the
  // "Original Size".
  static void prepareSizesForArtboard(pf::PlistValue::Dictionary& settings, pf::Size artboard);
  // The same keyed on the animation sizes (the animation panel).
  static void prepareAnimationSizesForArtboard(pf::PlistValue::Dictionary& settings, pf::Size artboard);
  // A new width (or height) from the size fields, the other side keeping the aspect of the
  // "Original Size"; false (nothing changed) for a value that is not finite and above 0, or an
  // original size that gives no aspect.
  static bool setSizeWidthKeepingAspect(pf::PlistValue::Dictionary& settings, double width);
  static bool setSizeHeightKeepingAspect(pf::PlistValue::Dictionary& settings, double height);
  // The same for the animation size.
  static bool setAnimationSizeWidthKeepingAspect(pf::PlistValue::Dictionary& settings, double width);
  static bool setAnimationSizeHeightKeepingAspect(pf::PlistValue::Dictionary& settings, double height);

  // The size an export has (pixels, or size units for "pdf" and "eps"): the artboard size times
  // the preview's display scale while "Scale To Display" is on, else "Size Width" and "Size
  // Height", or the artboard size while those are not set (0, before the panel first opened).
  static pf::Size exportSize(const pf::PlistValue::Dictionary& settings, pf::Size artboard, double displayScale);
  // Output units rendered per artboard unit when exporting `format`: the export size's width /
  // artboard width; for "pdf" and "eps" in millimetres times kVectorSizeScaleFactor. nullopt when
  // that gives no finite scale above 0 (no artboard).
  static std::optional<double> exportScale(const pf::PlistValue::Dictionary& settings, std::string_view format,
                                           pf::Size artboard, double displayScale);
};
