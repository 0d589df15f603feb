#include "MorvNode/Document/MVExportSettings.h"

#include <algorithm>
#include <cmath>

#include "Platform/UserDefaults.h"
#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"

namespace {

constexpr const char* kFileFormat = "File Format";
constexpr const char* kScaleToDisplay = "Scale To Display";
constexpr const char* kVectorSizeUnits = "Export Vector Size Units";
constexpr const char* kSizeWidth = "Size Width";
constexpr const char* kSizeHeight = "Size Height";
constexpr const char* kAnimationSizeWidth = "Animation Size Width";
constexpr const char* kAnimationSizeHeight = "Animation Size Height";
constexpr const char* kOriginalSizeWidth = "Original Size Width";
constexpr const char* kOriginalSizeHeight = "Original Size Height";
constexpr const char* kUseMatteColor = "Use Matte Color";
constexpr const char* kMatteColor = "Matte Color";
constexpr const char* kBaseFilename = "Base Filename";

using Dictionary = pf::PlistValue::Dictionary;

// The entry through the lenient typed reader; the fallback when there is none.
double doubleOr(const Dictionary& settings, const char* key, double fallback)
{
  return settings.contains(key) ? DictionaryValueExtras::doubleValueForKey(settings, key) : fallback;
}

bool boolOr(const Dictionary& settings, const char* key, bool fallback)
{
  return settings.contains(key) ? DictionaryValueExtras::boolValueForKey(settings, key) : fallback;
}

bool isPositive(double value)
{
  return std::isfinite(value) && value > 0.0;
}

bool setWidthKeepingAspect(Dictionary& settings, double width, const char* widthKey, const char* heightKey)
{
  const double originalWidth = doubleOr(settings, kOriginalSizeWidth, 0.0);
  const double originalHeight = doubleOr(settings, kOriginalSizeHeight, 0.0);
  if (!isPositive(width) || !isPositive(originalWidth) || !std::isfinite(originalHeight)) {
    return false;
  }
  DictionaryValueExtras::setDoubleValue(settings, width, widthKey);
  DictionaryValueExtras::setDoubleValue(settings, originalHeight * (width / originalWidth), heightKey);
  return true;
}

bool setHeightKeepingAspect(Dictionary& settings, double height, const char* widthKey, const char* heightKey)
{
  const double originalWidth = doubleOr(settings, kOriginalSizeWidth, 0.0);
  const double originalHeight = doubleOr(settings, kOriginalSizeHeight, 0.0);
  if (!isPositive(height) || !isPositive(originalHeight) || !std::isfinite(originalWidth)) {
    return false;
  }
  DictionaryValueExtras::setDoubleValue(settings, height, heightKey);
  DictionaryValueExtras::setDoubleValue(settings, originalWidth * (height / originalHeight), widthKey);
  return true;
}

// A non-empty string entry; the fallback otherwise.
std::string stringOr(const Dictionary& settings, const char* key, const std::string& fallback)
{
  const pf::PlistValue* value = settings.find(key);
  if (value == nullptr || value->asString() == nullptr || value->asString()->empty()) {
    return fallback;
  }
  return *value->asString();
}

void setAllSizes(Dictionary& settings, pf::Size artboard)
{
  DictionaryValueExtras::setDoubleValue(settings, artboard.width, kSizeWidth);
  DictionaryValueExtras::setDoubleValue(settings, artboard.height, kSizeHeight);
  DictionaryValueExtras::setDoubleValue(settings, artboard.width, kAnimationSizeWidth);
  DictionaryValueExtras::setDoubleValue(settings, artboard.height, kAnimationSizeHeight);
}

void prepareSizes(Dictionary& settings, pf::Size artboard, const char* widthKey, const char* heightKey)
{
  const bool keep = doubleOr(settings, widthKey, 0.0) != 0.0 && doubleOr(settings, heightKey, 0.0) != 0.0 &&
                    settings.contains(kOriginalSizeWidth) && settings.contains(kOriginalSizeHeight) &&
                    doubleOr(settings, kOriginalSizeWidth, 0.0) == artboard.width &&
                    doubleOr(settings, kOriginalSizeHeight, 0.0) == artboard.height;
  if (!keep) {
    setAllSizes(settings, artboard);
  }
  DictionaryValueExtras::setDoubleValue(settings, artboard.width, kOriginalSizeWidth);
  DictionaryValueExtras::setDoubleValue(settings, artboard.height, kOriginalSizeHeight);
}

}  // namespace

const std::vector<std::string>& MVExportSettings::fileFormats()
{
  static const std::vector<std::string> formats{"pdf", "eps", "svg", "tiff", "jpg", "png", "gif"};
  return formats;
}

const std::vector<std::string>& MVExportSettings::animationFormats()
{
  static const std::vector<std::string> formats{"gif", "mov", "mp4", "svg", "jpg", "png", "pdf"};
  return formats;
}

const std::vector<std::string>& MVExportSettings::videoCodecs()
{
  static const std::vector<std::string> codecs{"jpeg", "avc1"};
  return codecs;
}

const std::vector<std::string>& MVExportSettings::vectorSizeUnitTitles()
{
  static const std::vector<std::string> titles{"mm", "pt"};
  return titles;
}

pf::PlistValue::Dictionary MVExportSettings::defaultSettings()
{
  const pf::UserDefaults& defaults = pf::UserDefaults::standard();
  // An index outside the menu would select nothing in it: the default unit instead.
  long long units = defaults.integerForKey("Last used export size units");
  if (units < 0 || units >= static_cast<long long>(vectorSizeUnitTitles().size())) {
    units = 0;
  }
  Dictionary settings;
  DictionaryValueExtras::setBoolValue(settings, false, kScaleToDisplay);
  settings.set("Animation File Format", animationFormats().front());
  settings.set("Animation Codec", videoCodecs().front());
  settings.set(kFileFormat, fileFormats().front());
  DictionaryValueExtras::setIntValue(settings, static_cast<int>(units), kVectorSizeUnits);
  DictionaryValueExtras::setDoubleValue(settings, 0.0, kSizeHeight);
  DictionaryValueExtras::setDoubleValue(settings, 0.0, kSizeWidth);
  DictionaryValueExtras::setDoubleValue(settings, 0.0, kAnimationSizeHeight);
  DictionaryValueExtras::setDoubleValue(settings, 0.0, kAnimationSizeWidth);
  DictionaryValueExtras::setBoolValue(settings, false, "Repeated Export");
  DictionaryValueExtras::setIntValue(settings, 2, "Repetitions X");
  DictionaryValueExtras::setIntValue(settings, 2, "Repetitions Y");
  DictionaryValueExtras::setBoolValue(settings, true, kUseMatteColor);
  DictionaryValueExtras::setColor(settings, pf::Color::rgb(1.0, 1.0, 1.0, 1.0), kMatteColor);
  return settings;
}

std::string MVExportSettings::fileFormat(const Dictionary& settings)
{
  const pf::PlistValue* format = settings.find(kFileFormat);
  if (format == nullptr || format->asString() == nullptr || format->asString()->empty()) {
    return fileFormats().front();
  }
  return *format->asString();
}

bool MVExportSettings::scaleToDisplay(const Dictionary& settings)
{
  return boolOr(settings, kScaleToDisplay, false);
}

int MVExportSettings::vectorSizeUnits(const Dictionary& settings)
{
  return settings.contains(kVectorSizeUnits) ? DictionaryValueExtras::intValueForKey(settings, kVectorSizeUnits) : 0;
}

pf::Size MVExportSettings::size(const Dictionary& settings)
{
  return {doubleOr(settings, kSizeWidth, 0.0), doubleOr(settings, kSizeHeight, 0.0)};
}

bool MVExportSettings::useMatteColor(const Dictionary& settings)
{
  return boolOr(settings, kUseMatteColor, true);
}

pf::Color MVExportSettings::matteColor(const Dictionary& settings)
{
  return settings.contains(kMatteColor) ? DictionaryValueExtras::colorForKey(settings, kMatteColor)
                                        : pf::Color::white();
}

std::optional<std::string> MVExportSettings::baseFilename(const Dictionary& settings)
{
  const pf::PlistValue* name = settings.find(kBaseFilename);
  if (name == nullptr || name->asString() == nullptr || name->asString()->empty()) {
    return std::nullopt;
  }
  return *name->asString();
}

bool MVExportSettings::isVectorSizeFormat(std::string_view format)
{
  return format == "pdf" || format == "eps";
}

bool MVExportSettings::isFileFormat(std::string_view format)
{
  const std::vector<std::string>& formats = fileFormats();
  return std::find(formats.begin(), formats.end(), format) != formats.end();
}

void MVExportSettings::prepareSizesForArtboard(Dictionary& settings, pf::Size artboard)
{
  prepareSizes(settings, artboard, kSizeWidth, kSizeHeight);
}

void MVExportSettings::prepareAnimationSizesForArtboard(Dictionary& settings, pf::Size artboard)
{
  prepareSizes(settings, artboard, kAnimationSizeWidth, kAnimationSizeHeight);
}

bool MVExportSettings::setSizeWidthKeepingAspect(Dictionary& settings, double width)
{
  return setWidthKeepingAspect(settings, width, kSizeWidth, kSizeHeight);
}

bool MVExportSettings::setSizeHeightKeepingAspect(Dictionary& settings, double height)
{
  return setHeightKeepingAspect(settings, height, kSizeWidth, kSizeHeight);
}

bool MVExportSettings::setAnimationSizeWidthKeepingAspect(Dictionary& settings, double width)
{
  return setWidthKeepingAspect(settings, width, kAnimationSizeWidth, kAnimationSizeHeight);
}

bool MVExportSettings::setAnimationSizeHeightKeepingAspect(Dictionary& settings, double height)
{
  return setHeightKeepingAspect(settings, height, kAnimationSizeWidth, kAnimationSizeHeight);
}

std::string MVExportSettings::animationFileFormat(const Dictionary& settings)
{
  return stringOr(settings, "Animation File Format", animationFormats().front());
}

std::string MVExportSettings::animationCodec(const Dictionary& settings)
{
  return stringOr(settings, "Animation Codec", videoCodecs().front());
}

pf::Size MVExportSettings::animationSize(const Dictionary& settings)
{
  return {doubleOr(settings, kAnimationSizeWidth, 0.0), doubleOr(settings, kAnimationSizeHeight, 0.0)};
}

pf::Size MVExportSettings::exportSize(const Dictionary& settings, pf::Size artboard, double displayScale)
{
  if (scaleToDisplay(settings)) {
    return {artboard.width * displayScale, artboard.height * displayScale};
  }
  const pf::Size stored = size(settings);
  if (stored.width == 0.0 || stored.height == 0.0) {
    return artboard;
  }
  return stored;
}

std::optional<double> MVExportSettings::exportScale(const Dictionary& settings, std::string_view format,
                                                    pf::Size artboard, double displayScale)
{
  double scale = exportSize(settings, artboard, displayScale).width / artboard.width;
  if (isVectorSizeFormat(format) && vectorSizeUnits(settings) == 0) {
    scale *= kVectorSizeScaleFactor;
  }
  if (!isPositive(scale)) {
    return std::nullopt;
  }
  return scale;
}
