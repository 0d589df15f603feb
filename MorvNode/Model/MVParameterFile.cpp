#include "MorvNode/Model/MVParameterFile.h"

#include <atomic>
#include <ctime>
#include <exception>
#include <variant>

#include "MorvNode/Elements/MVSharedGraphicsElementsManager.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterUndoDelegate.h"
#include "Platform/Format.h"
#include "Platform/ImageCodec.h"
#include "Platform/Unicode.h"
#include "Platform/UndoManager.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/SVG/ODSVG.h"
#include "Shared/VectorParser/VectorGraphicsParser.h"

namespace {

// Local time as "yyyy-MM-dd HH:mm:ss".
std::string currentDateText()
{
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return std::string(text, length);
}

// Counts resource names across all parameters, so that two imports in the same second under
// one display name never share a key.
std::atomic<long> resourceSerial{0};

std::optional<pf::PlistValue> dataValue(const std::shared_ptr<const MVParameterFile::Data>& data)
{
  if (!data) {
    return std::nullopt;
  }
  return pf::PlistValue::data(*data);
}

// The bytes as an SVG document of the SVG library; nullptr for bytes that are no UTF-8 text or
// no document it reads.
std::shared_ptr<ODSVG> svgDocumentFromData(std::span<const std::uint8_t> data)
{
  const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
  if (text.empty() || !pf::isValidUTF8(text)) {
    return nullptr;
  }
  return ODSVG::initWithSVGString(text);
}

}  // namespace

std::unique_ptr<MVParameterFile> MVParameterFile::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterFile>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

MVParameterFile::MVParameterFile()
{
  setLayoutShowHeaderLabel(true);
  setLayoutSpaceBelow(6);
  setLayoutSpaceAbove(2);
  setHasInputSocket(false);
  setHasOutputSocket(false);
}

bool MVParameterFile::canParseGraphicData(std::span<const std::uint8_t> data)
{
  try {
    if (imageFromData(data)) {
      return true;
    }
    if (svgDocumentFromData(data)) {
      return true;
    }
    const std::optional<ParsedPath> parsed = parserPathFromData(data);
    return parsed && parsed->path;
  } catch (const std::exception& exception) {
    FeedbackManager::log("Exception in MVParameterFile canParseGraphicData, exception: %@", exception.what());
    return false;
  }
}

std::shared_ptr<const pf::Image> MVParameterFile::imageFromData(std::span<const std::uint8_t> data)
{
  if (data.empty()) {
    return nullptr;
  }
  try {
    // Only bytes of an image format go to the image decoders: SVG text and whatever else the
    // other readers take are no image data in an unknown format.
    if (pf::sniffImageFormat(data) != pf::ImageFormat::Unknown) {
      if (std::optional<pf::Image> image = pf::Image::fromData(data)) {
        return std::make_shared<const pf::Image>(std::move(*image));
      }
    }
    if (const std::shared_ptr<ODSVG> svg = svgDocumentFromData(data)) {
      if (std::optional<pf::Image> pdfImage = svg->pdfImage()) {
        return std::make_shared<const pf::Image>(std::move(*pdfImage));
      }
    }
    return nullptr;
  } catch (const std::exception& exception) {
    FeedbackManager::log("Exception in MVParameterFile imageFromData, exception: %@", exception.what());
    return nullptr;
  }
}

std::optional<MVParameterFile::ParsedPath> MVParameterFile::parserPathFromData(std::span<const std::uint8_t> data)
{
  if (data.empty()) {
    return std::nullopt;
  }
  try {
    std::optional<VectorParserPaths> paths = VectorGraphicsParser::parserPathsFromData(data);
    if (!paths || paths->empty()) {
      return std::nullopt;
    }
    VectorParserPathStruct& record = paths->front();
    return ParsedPath{std::make_shared<const pf::Path>(std::move(record.path)), record.evenOdd};
  } catch (const std::exception& exception) {
    FeedbackManager::log("Exception in VectorGraphicsParser cgPathFromData, exception: %@", exception.what());
    return std::nullopt;
  }
}

std::shared_ptr<const pf::Bitmap> MVParameterFile::getImageBitmapRep(const pf::Image* image, const std::string& owner)
{
  if (image == nullptr) {
    FeedbackManager::log("%@ getImageBitmapRep failed, image nil", owner);
    return nullptr;
  }
  std::shared_ptr<const pf::Bitmap> last;
  for (const pf::Image::Representation& representation : image->representations()) {
    if (const auto* bitmap = std::get_if<pf::Image::BitmapRepresentation>(&representation)) {
      if (bitmap->bitmap) {
        last = bitmap->bitmap;
      }
    }
  }
  // Every bitmap here is 32-bit RGBA already.
  if (last) {
    return last;
  }
  const auto width = static_cast<long>(image->size().width);
  const auto height = static_cast<long>(image->size().height);
  if (!(width >= 1 && height >= 1)) {
    FeedbackManager::log("Error: %@ getImageBitmapRep with 0x0 size image", owner);
    return nullptr;
  }
  pf::Image truncated = *image;
  truncated.setSize(pf::Size(static_cast<double>(width), static_cast<double>(height)));
  std::optional<pf::Bitmap> rendered = truncated.renderedBitmap(1.0);
  if (!rendered) {
    FeedbackManager::log("%@ getImageBitmapRep failed to create bitmapImageRep with size %ldx%ld", owner, width, height);
    return nullptr;
  }
  return std::make_shared<const pf::Bitmap>(std::move(*rendered));
}

bool MVParameterFile::loadNewGraphicData(std::span<const std::uint8_t> data,
                                         const std::optional<std::string>& displayName)
{
  // The detection of canParseGraphicData, keeping what it decoded: an EPS image costs a
  // Ghostscript run, which the caches then need not repeat.
  std::shared_ptr<const pf::Image> image;
  std::optional<ParsedPath> parsed;
  try {
    image = imageFromData(data);
    if (!image) {
      parsed = parserPathFromData(data);
    }
  } catch (const std::exception& exception) {
    FeedbackManager::log("Exception in MVParameterFile canParseGraphicData, exception: %@", exception.what());
    return false;
  }
  const bool readable = image || (parsed && parsed->path);
  if (!readable || !displayName) {
    return false;
  }
  setFileDisplayName(displayName);
  replaceFileData(std::make_shared<const Data>(data.begin(), data.end()), Decoded{std::move(image), std::move(parsed)});
  if (undoDelegate() != nullptr && undoDelegate()->undoManager() != nullptr) {
    undoDelegate()->undoManager()->setActionName("change import data");
  }
  return true;
}

void MVParameterFile::setFileDisplayName(const std::optional<std::string>& name)
{
  if (name == fileDisplayName_) {
    return;
  }
  if (node() != nullptr) {
    registerUndoProperty("fileResourceName", pf::PlistValue(fileResourceName_));
    registerUndoProperty("fileDisplayName", fileDisplayName_ ? std::optional<pf::PlistValue>(*fileDisplayName_)
                                                             : std::nullopt);
  }
  fileDisplayName_ = name;
  renewResourceName();
  if (fileData_ && sharedGraphicsManager_ != nullptr) {
    publish();
  }
  if (updateDelegatesOnValueChange()) {
    setViewNeedsLayout();
  }
}

void MVParameterFile::renewResourceName()
{
  if (!fileDisplayName_) {
    fileResourceName_.clear();
    return;
  }
  fileResourceName_ = pf::format("%@ [%@ #%ld]", *fileDisplayName_, currentDateText(), ++resourceSerial);
}

void MVParameterFile::setFileData(std::shared_ptr<const Data> data)
{
  replaceFileData(std::move(data), std::nullopt);
}

void MVParameterFile::replaceFileData(std::shared_ptr<const Data> data, std::optional<Decoded> decoded)
{
  if (node() != nullptr) {
    registerUndoProperty("fileData", dataValue(fileData_));
  }
  fileData_ = std::move(data);
  graphicPath_.reset();
  graphicPathRead_ = false;
  vectorEvenOddFillMode_ = false;
  graphicImage_.reset();
  graphicImageRead_ = false;
  graphicBitmap_.reset();
  internalGraphicType_ = GraphicType::Undetermined;
  pixelsWide_ = 0;
  pixelsHigh_ = 0;
  if (decoded) {
    graphicImage_ = std::move(decoded->image);
    graphicImageRead_ = true;
    if (decoded->path && decoded->path->path) {
      graphicPath_ = std::move(decoded->path->path);
      vectorEvenOddFillMode_ = decoded->path->evenOdd;
      graphicPathRead_ = true;
    }
  }
  // A fresh key per data change: trees already generated keep the objects of the old one.
  if (fileDisplayName_) {
    renewResourceName();
  }
  publish();
  if (updateDelegatesOnValueChange()) {
    setViewNeedsLayout();
  }
  if (node() != nullptr && updateDelegatesOnValueChange()) {
    node()->parameterChanged(this, "file");
  }
}

void MVParameterFile::publish()
{
  if (fileResourceName_.empty()) {
    FeedbackManager::log("Warning, %@ setFileData with no fileResourceName set. Make sure to set name first before data!",
                         description());
    return;
  }
  if (sharedGraphicsManager_ == nullptr) {
    FeedbackManager::log(
        "Warning, %@ setFileData with no sharedGraphicsManager. Image will not be available for rendering",
        description());
    return;
  }
  if (!fileData_) {
    return;
  }
  sharedGraphicsManager_->storeSharedElementGraphicObject(MVSharedGraphicObject(fileData_), fileResourceName_);
  if (const std::shared_ptr<const pf::Image> image = graphicImage()) {
    sharedGraphicsManager_->storeSharedElementGraphicObject(MVSharedGraphicObject(image),
                                                            fileResourceName_ + kImageSuffix);
    updateGraphicPixelSize();
  }
}

std::shared_ptr<const pf::Path> MVParameterFile::graphicPath()
{
  if (graphicPath_ || graphicPathRead_ || !fileData_) {
    return graphicPath_;
  }
  graphicPathRead_ = true;
  if (std::optional<ParsedPath> parsed = parserPathFromData(*fileData_)) {
    graphicPath_ = std::move(parsed->path);
    vectorEvenOddFillMode_ = parsed->evenOdd;
    return graphicPath_;
  }
  if (const std::shared_ptr<const pf::Image> image = graphicImage()) {
    try {
      std::optional<VectorParserPaths> paths = VectorGraphicsParser::parserPathsFromImage(*image);
      if (paths && !paths->empty()) {
        graphicPath_ = std::make_shared<const pf::Path>(std::move(paths->front().path));
        vectorEvenOddFillMode_ = paths->front().evenOdd;
      }
    } catch (const std::exception& exception) {
      FeedbackManager::log("Exception in VectorGraphicsParser cgPathFromImage, exception: %@", exception.what());
    }
  }
  return graphicPath_;
}

std::shared_ptr<const pf::Image> MVParameterFile::graphicImage()
{
  if (!graphicImage_ && !graphicImageRead_ && fileData_) {
    graphicImageRead_ = true;
    graphicImage_ = imageFromData(*fileData_);
  }
  return graphicImage_;
}

std::shared_ptr<const pf::Bitmap> MVParameterFile::graphicBitmap()
{
  if (!graphicBitmap_ && fileData_) {
    const std::shared_ptr<const pf::Image> image = graphicImage();
    graphicBitmap_ = getImageBitmapRep(image.get(), description());
  }
  return graphicBitmap_;
}

void MVParameterFile::updateInternalGraphicType()
{
  if (!fileData_) {
    return;
  }
  if (graphicBitmap()) {
    internalGraphicType_ = GraphicType::Bitmap;
  }
  // Vector artwork the decoders can also draw as an image (PDF, EPS) ends as vector.
  if (graphicPath()) {
    internalGraphicType_ = GraphicType::Vector;
  } else if (internalGraphicType_ != GraphicType::Vector) {
    try {
      if (svgDocumentFromData(*fileData_)) {
        internalGraphicType_ = GraphicType::Vector;
      }
    } catch (const std::exception& exception) {
      FeedbackManager::log("Exception in MVParameterFile canParseGraphicData, exception: %@", exception.what());
    }
  }
}

bool MVParameterFile::isBitmap()
{
  if (internalGraphicType_ == GraphicType::Undetermined) {
    updateInternalGraphicType();
  }
  return internalGraphicType_ == GraphicType::Bitmap;
}

bool MVParameterFile::isVector()
{
  if (internalGraphicType_ == GraphicType::Undetermined) {
    updateInternalGraphicType();
  }
  return internalGraphicType_ == GraphicType::Vector;
}

void MVParameterFile::updateGraphicPixelSize()
{
  if (const std::shared_ptr<const pf::Bitmap> bitmap = graphicBitmap()) {
    pixelsWide_ = bitmap->width();
    pixelsHigh_ = bitmap->height();
  }
}

long MVParameterFile::pixelsWide()
{
  if (pixelsWide_ == 0) {
    updateGraphicPixelSize();
  }
  return pixelsWide_;
}

long MVParameterFile::pixelsHigh()
{
  if (pixelsHigh_ == 0) {
    updateGraphicPixelSize();
  }
  return pixelsHigh_;
}

void MVParameterFile::revertProperty(const std::string& propertyName, const pf::PlistValue& value)
{
  MVParameter::revertProperty(propertyName, value);
  if (propertyName == "fileResourceName") {
    fileResourceName_ = value.stringOr();
  } else if (propertyName == "fileDisplayName") {
    setFileDisplayName(value.isString() ? std::optional<std::string>(value.stringOr()) : std::nullopt);
  } else if (propertyName == "fileData") {
    const Data* bytes = value.asData();
    setFileData(bytes != nullptr ? std::make_shared<const Data>(*bytes) : nullptr);
  }
}

pf::PlistValue::Dictionary MVParameterFile::descriptionDictionary() const
{
  pf::PlistValue::Dictionary record = MVParameter::descriptionDictionary();
  if (fileDisplayName_) {
    record.set("File Name", pf::PlistValue(*fileDisplayName_));
  }
  if (fileData_) {
    record.set("File Data", pf::PlistValue::data(*fileData_));
  }
  return record;
}

bool MVParameterFile::loadDescriptionDictionary(const pf::PlistValue::Dictionary& record)
{
  if (!MVParameter::loadDescriptionDictionary(record)) {
    return false;
  }
  if (const pf::PlistValue* name = record.find("File Name"); name != nullptr && name->isString()) {
    setFileDisplayName(name->stringOr());
  }
  if (const pf::PlistValue* data = record.find("File Data"); data != nullptr && data->asData() != nullptr) {
    setFileData(std::make_shared<const Data>(*data->asData()));
  }
  return true;
}

std::string MVParameterFile::description() const
{
  const std::string displayName = fileDisplayName_.value_or("(null)");
  switch (internalGraphicType_) {
  case GraphicType::Vector: {
    const pf::Size size = graphicImage_ ? graphicImage_->size() : pf::Size();
    return pf::format("<MVParameterFile '%@', name '%@' vector %gx%g>", name(), displayName, size.width, size.height);
  }
  case GraphicType::Bitmap:
    return pf::format("<MVParameterFile '%@', name '%@' bitmap %ldx%ld pixels>", name(), displayName, pixelsWide_,
                      pixelsHigh_);
  case GraphicType::Undetermined:
    break;
  }
  return pf::format("<MVParameterFile '%@', name '%@' unknown data>", name(), displayName);
}
