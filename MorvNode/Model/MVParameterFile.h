#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "MorvNode/Model/MVParameter.h"
#include "Platform/Bitmap.h"
#include "Platform/Image.h"
#include "Platform/Path.h"

class MVSharedGraphicsElementsManager;

// One imported graphic of a node: the bytes of a bitmap image, PDF, EPS or SVG file exactly as
// read, and the name the user knows it by. From the bytes it derives on demand, and caches
// until the bytes change: whether the graphic is a bitmap or vector artwork, one vector path
// with its even-odd rule (through the path reader), an image, and an RGBA rendering with its
// pixel size. It publishes the bytes and the image in the document's shared graphics under its
// resource name, so image elements refer to them by name instead of carrying copies. No
// sockets; nothing connects to it. Main thread only.
class MVParameterFile : public MVParameter {
public:
  using Data = std::vector<std::uint8_t>;
  enum class GraphicType { Undetermined = 0, Vector = 1, Bitmap = 2 };

  static std::unique_ptr<MVParameterFile> parameterWithName(const std::string& name);

  MVParameterFile();

  std::string_view className() const override { return "MVParameterFile"; }
  std::string parameterViewClass() const override { return "MVParameterFileView"; }

  // Whether the bytes can be imported: an image, or a vector path from the path reader.
  // Exceptions from the decoders are logged and count as NO.
  static bool canParseGraphicData(std::span<const std::uint8_t> data);
  // nullptr for no data or bytes that are no image.
  static std::shared_ptr<const pf::Image> imageFromData(std::span<const std::uint8_t> data);
  // The path reader's first record's path and even-odd flag; nullopt when it reads none.
  struct ParsedPath {
    std::shared_ptr<const pf::Path> path;
    bool evenOdd = false;
  };
  static std::optional<ParsedPath> parserPathFromData(std::span<const std::uint8_t> data);
  // The image's last bitmap, or the image rendered at its point size (truncated to whole
  // pixels). nullptr, logged with the owner's description, for no image or a 0 x 0 size.
  static std::shared_ptr<const pf::Bitmap> getImageBitmapRep(const pf::Image* image, const std::string& owner);

  // The import entry: when the bytes can be read and a name is given, sets the name, then the
  // data, and names the undo step "change import data". Answers whether the bytes can be read
  // and were taken: a missing name answers NO and changes nothing.
  bool loadNewGraphicData(std::span<const std::uint8_t> data, const std::optional<std::string>& displayName);

  const std::optional<std::string>& fileDisplayName() const { return fileDisplayName_; }
  // A new name (undoable) renews the resource name; the same name again changes nothing.
  void setFileDisplayName(const std::optional<std::string>& name);
  const std::shared_ptr<const Data>& fileData() const { return fileData_; }
  // Always acts, also for equal bytes: drops every cache, renews the resource name (so that
  // images already handed out keep their own), publishes the bytes and the image, tells the
  // node ("file"). Undoable.
  void setFileData(std::shared_ptr<const Data> data);

  // The key the bytes are published under: "<display name> [yyyy-MM-dd HH:mm:ss #n]", unique
  // per parameter and per data change; the image is published under it followed by "[NSImage]".
  const std::string& fileResourceName() const { return fileResourceName_; }
  void setFileResourceName(std::string name) { fileResourceName_ = std::move(name); }
  static constexpr const char* kImageSuffix = "[NSImage]";

  // Not owned: the graph controller, which outlives its nodes. nullptr leaves the graphic
  // unpublished (logged when data arrives).
  MVSharedGraphicsElementsManager* sharedGraphicsManager() const { return sharedGraphicsManager_; }
  void setSharedGraphicsManager(MVSharedGraphicsElementsManager* manager) { sharedGraphicsManager_ = manager; }

  // The vector path of the bytes (y-up, centred on the origin), read once per data; nullptr
  // for a bitmap or unreadable data.
  std::shared_ptr<const pf::Path> graphicPath();
  bool vectorEvenOddFillMode() const { return vectorEvenOddFillMode_; }
  void setVectorEvenOddFillMode(bool evenOdd) { vectorEvenOddFillMode_ = evenOdd; }
  // The image of the bytes, decoded once per data; nullptr when they are no image.
  std::shared_ptr<const pf::Image> graphicImage();
  // An RGBA rendering of the image; nullptr without an image.
  std::shared_ptr<const pf::Bitmap> graphicBitmap();

  bool isBitmap();
  bool isVector();
  GraphicType internalGraphicType() const { return internalGraphicType_; }
  // Pixel size of the rendering; determined on first use, 0 without one.
  long pixelsWide();
  long pixelsHigh();
  void setPixelsWide(long pixels) { pixelsWide_ = pixels; }
  void setPixelsHigh(long pixels) { pixelsHigh_ = pixels; }

  // "fileResourceName" stores the value; "fileDisplayName" and "fileData" set them again.
  void revertProperty(const std::string& propertyName, const pf::PlistValue& value) override;

  // Adds "File Name" and "File Data" when set. Loading applies the name, then the data (which
  // publishes it under a fresh resource name), and only when the base record loaded.
  pf::PlistValue::Dictionary descriptionDictionary() const override;
  bool loadDescriptionDictionary(const pf::PlistValue::Dictionary& record) override;

  // By the type as stored (never determined here): vector with the image's point size, bitmap
  // with the pixel size, or unknown data.
  std::string description() const override;

private:
  // What the import entry already decoded from the bytes: the image (nullptr when they are none)
  // and, for bytes that are no image, the path.
  struct Decoded {
    std::shared_ptr<const pf::Image> image;
    std::optional<ParsedPath> path;
  };
  void replaceFileData(std::shared_ptr<const Data> data, std::optional<Decoded> decoded);
  void updateInternalGraphicType();
  void updateGraphicPixelSize();
  void renewResourceName();
  void publish();

  std::shared_ptr<const Data> fileData_;
  std::optional<std::string> fileDisplayName_;
  std::string fileResourceName_;
  MVSharedGraphicsElementsManager* sharedGraphicsManager_ = nullptr;  // not owned, outlives the node

  // Caches of the current bytes, dropped together by setFileData.
  std::shared_ptr<const pf::Path> graphicPath_;
  bool graphicPathRead_ = false;
  bool vectorEvenOddFillMode_ = false;
  std::shared_ptr<const pf::Image> graphicImage_;
  bool graphicImageRead_ = false;
  std::shared_ptr<const pf::Bitmap> graphicBitmap_;
  GraphicType internalGraphicType_ = GraphicType::Undetermined;
  long pixelsWide_ = 0;
  long pixelsHigh_ = 0;
};
