#include "MorvNode/Elements/MVSharedGraphicsStore.h"

#include <span>
#include <type_traits>
#include <utility>

#include "Platform/Format.h"
#include "Platform/Image.h"
#include "Platform/ImageCodec.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// "<Image 120 x 80 pt>" for log lines.
std::string imageDescription(const pf::Image& image)
{
  return pf::format("<Image %g x %g pt>", image.size().width, image.size().height);
}

bool isMissing(const MVSharedGraphicObject& object)
{
  return std::visit([](const auto& pointer) { return pointer == nullptr; }, object);
}

// What the failure line shows for the object: its kind, or "(null)".
std::string objectDescription(const MVSharedGraphicObject& object)
{
  if (const auto* image = std::get_if<std::shared_ptr<const pf::Image>>(&object)) {
    return *image ? imageDescription(**image) : "(null)";
  }
  const auto& data = std::get<std::shared_ptr<const std::vector<std::uint8_t>>>(object);
  return data ? pf::format("<Data %ld bytes>", static_cast<long>(data->size())) : "(null)";
}

}  // namespace

void MVSharedGraphicsStore::storeSharedElementGraphicObject(const MVSharedGraphicObject& object, const std::string& name)
{
  if (isMissing(object) || name.empty()) {
    FeedbackManager::log("ERROR, failed trying to save a shared graphics object %@, with name '%@'",
                         objectDescription(object), name);
    std::lock_guard lock(mutex_);
    if (!objects_) {
      objects_.emplace();
    }
    return;
  }
  std::lock_guard lock(mutex_);
  if (!objects_) {
    objects_.emplace();
  }
  (*objects_)[name] = object;
}

void MVSharedGraphicsStore::removeSharedElementGraphicObjectNamed(const std::string& name)
{
  // Trees already handed to renderers and undo may still name the object: it stays.
  FeedbackManager::log("removeSharedElementGraphicObjectNamed: %@", name);
}

std::optional<MVSharedGraphicObject> MVSharedGraphicsStore::lookUpLogged(const std::string& name) const
{
  {
    std::lock_guard lock(mutex_);
    if (!objects_) {
      return std::nullopt;
    }
    const auto found = objects_->find(name);
    if (found != objects_->end()) {
      return found->second;
    }
  }
  FeedbackManager::log("ERROR, no shared graphics object with name '%@'", name);
  return std::nullopt;
}

std::shared_ptr<const pf::Image> MVSharedGraphicsStore::sharedElementImageNamed(const std::string& name) const
{
  if (name.empty()) {
    return nullptr;
  }
  const std::optional<MVSharedGraphicObject> object = lookUpLogged(name);
  if (!object) {
    return nullptr;
  }
  if (const auto* image = std::get_if<std::shared_ptr<const pf::Image>>(&*object)) {
    return *image;
  }
  const auto& data = std::get<std::shared_ptr<const std::vector<std::uint8_t>>>(*object);
  // Only bytes of an image format are decoded; SVG text is not one (the decoders would log a
  // second, less helpful line).
  std::optional<pf::Image> image;
  if (pf::sniffImageFormat(*data) != pf::ImageFormat::Unknown) {
    image = pf::Image::fromData(*data);
  }
  if (!image) {
    FeedbackManager::log("ERROR, could not create NSImage from shared data object '%@' (SVG?)", name);
    return nullptr;
  }
  auto shared = std::make_shared<const pf::Image>(std::move(*image));
  FeedbackManager::log("Created image %@ named '%@' from saved vector graphics data", imageDescription(*shared), name);
  return shared;
}

std::shared_ptr<const std::vector<std::uint8_t>> MVSharedGraphicsStore::sharedElementVectorDataNamed(const std::string& name) const
{
  if (name.empty()) {
    return nullptr;
  }
  const std::optional<MVSharedGraphicObject> object = lookUpLogged(name);
  if (!object) {
    return nullptr;
  }
  if (const auto* data = std::get_if<std::shared_ptr<const std::vector<std::uint8_t>>>(&*object)) {
    return *data;
  }
  const std::shared_ptr<const pf::Image>& image = std::get<std::shared_ptr<const pf::Image>>(*object);
  std::shared_ptr<const std::vector<std::uint8_t>> vectorData;
  for (const pf::Image::Representation& representation : image->representations()) {
    if (const auto* eps = std::get_if<pf::Image::EpsRepresentation>(&representation)) {
      if (eps->eps) {
        vectorData = eps->eps;
      }
    } else if (const auto* pdf = std::get_if<pf::Image::PdfRepresentation>(&representation)) {
      if (pdf->document) {
        // Shares the document's own bytes: alive as long as the document is.
        vectorData = std::shared_ptr<const std::vector<std::uint8_t>>(pdf->document, &pdf->document->data());
      }
    }
  }
  if (vectorData) {
    FeedbackManager::log("Created vector NSData from saved image '%@'", name);
  } else {
    FeedbackManager::log("ERROR, could not create vector NSData from shared image '%@'", name);
  }
  return vectorData;
}

std::optional<MVSharedGraphicObject> MVSharedGraphicsStore::objectNamed(const std::string& name) const
{
  std::lock_guard lock(mutex_);
  if (!objects_) {
    return std::nullopt;
  }
  const auto found = objects_->find(name);
  if (found == objects_->end()) {
    return std::nullopt;
  }
  return found->second;
}

MVSharedGraphicsStore::ObjectMap MVSharedGraphicsStore::objects() const
{
  std::lock_guard lock(mutex_);
  return objects_ ? *objects_ : ObjectMap();
}

bool MVSharedGraphicsStore::dictionaryExists() const
{
  std::lock_guard lock(mutex_);
  return objects_.has_value();
}

void MVSharedGraphicsStore::removeAllObjects()
{
  std::lock_guard lock(mutex_);
  if (objects_) {
    objects_->clear();
  }
}
