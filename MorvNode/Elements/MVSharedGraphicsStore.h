#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "MorvNode/Elements/MVSharedGraphicsElementsManager.h"

// The document's shared graphics: imported images and raw graphic data stored once under a
// name, which image elements and the SVG export look up by that name. The graph controller owns
// one per document and hands it out as std::shared_ptr, so that rendering threads that draw a
// copy of the output can keep it alive and read it while the main thread stores new objects.
//
// Thread-safe: every operation takes the store's lock for the look-up only; objects are
// immutable and handed out as shared_ptr, so a reader keeps its object whatever the store does
// afterwards. Decoding (image from data) runs outside the lock. Elements that refer to the store
// take a share of it through weak_from_this() when it is owned by a shared_ptr.
class MVSharedGraphicsStore final : public MVSharedGraphicsElementsManager,
                                    public std::enable_shared_from_this<MVSharedGraphicsStore> {
public:
  using ObjectMap = std::map<std::string, MVSharedGraphicObject>;

  MVSharedGraphicsStore() = default;
  MVSharedGraphicsStore(const MVSharedGraphicsStore&) = delete;
  MVSharedGraphicsStore& operator=(const MVSharedGraphicsStore&) = delete;

  void storeSharedElementGraphicObject(const MVSharedGraphicObject& object, const std::string& name) override;
  void removeSharedElementGraphicObjectNamed(const std::string& name) override;

  // The image stored under the name, or one decoded afresh from stored data (logged). nullptr,
  // logged, when nothing is stored under the name or the data is no image format (SVG text).
  // nullptr without a log line for an empty name or before anything was stored.
  std::shared_ptr<const pf::Image> sharedElementImageNamed(const std::string& name) const;
  // Stored data as it is, or the PDF or EPS bytes of a stored image (the last such
  // representation; EPS gives the original EPS). nullptr, logged, when nothing is stored or the
  // image has no vector representation; nullptr without a log line for an empty name or before
  // anything was stored.
  std::shared_ptr<const std::vector<std::uint8_t>> sharedElementVectorDataNamed(const std::string& name) const;

  // The object under the name as stored; nullopt when there is none. No log line.
  std::optional<MVSharedGraphicObject> objectNamed(const std::string& name) const;
  // A snapshot of every stored object by name (the SVG export's symbol definitions).
  ObjectMap objects() const;
  // Whether the first store has happened (an emptied store still exists).
  bool dictionaryExists() const;
  // Empties the store (the controller releasing its resources); readers keep their objects.
  void removeAllObjects();

private:
  // The object under `name`: nullopt without an object, with the "no shared graphics object"
  // line when the store exists. `name` must not be empty.
  std::optional<MVSharedGraphicObject> lookUpLogged(const std::string& name) const;

  mutable std::mutex mutex_;
  std::optional<ObjectMap> objects_;  // guarded by mutex_; nullopt until the first store
};
