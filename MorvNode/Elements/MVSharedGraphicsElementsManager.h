#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace pf {
class Image;
}

// One shared graphic: a decoded image, or raw bytes as they were imported (for example the
// text of an SVG file). Immutable once stored and shared by every reader; an empty pointer
// stands for "no object".
using MVSharedGraphicObject =
    std::variant<std::shared_ptr<const pf::Image>, std::shared_ptr<const std::vector<std::uint8_t>>>;

// What publishers of imported graphics (the file parameter) ask of the document's shared
// graphics: storing an object under a name. The graph controller hands out its store; tests
// may use a fake.
class MVSharedGraphicsElementsManager {
public:
  virtual ~MVSharedGraphicsElementsManager() = default;

  // Stores the object under the name, replacing an earlier one. A missing object or an empty
  // name is refused with a log line.
  virtual void storeSharedElementGraphicObject(const MVSharedGraphicObject& object, const std::string& name) = 0;
  // Only logs: objects stay readable for trees that may still refer to them.
  virtual void removeSharedElementGraphicObjectNamed(const std::string& name) = 0;
};
