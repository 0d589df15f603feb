#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "Platform/Bitmap.h"
#include "Platform/Format.h"
#include "Platform/Log.h"
#include "Platform/UserDefaults.h"
#include "Support/LogCapture.h"

namespace rendertest {

// Collects log lines instead of printing them.
using QuietLog = testsupport::LogCapture;

using Rgba8 = pf::Bitmap::Rgba8;

inline constexpr Rgba8 kTransparent{0, 0, 0, 0};
inline constexpr Rgba8 kWhite{255, 255, 255, 255};
inline constexpr Rgba8 kBlack{0, 0, 0, 255};
inline constexpr Rgba8 kRed{255, 0, 0, 255};
inline constexpr Rgba8 kGreen{0, 255, 0, 255};
inline constexpr Rgba8 kBlue{0, 0, 255, 255};

inline std::string describe(Rgba8 p)
{
  return pf::format("(%d, %d, %d, %d)", p.red, p.green, p.blue, p.alpha);
}

// Pixels agree within `tolerance` on every straight component (antialiasing and the 8-bit
// premultiplied round trip move them slightly).
inline ::testing::AssertionResult pixelNear(const pf::Bitmap& bitmap, int x, int y, Rgba8 expected, int tolerance = 4)
{
  const Rgba8 actual = bitmap.pixel(x, y);
  const bool close = std::abs(actual.red - expected.red) <= tolerance &&
                     std::abs(actual.green - expected.green) <= tolerance &&
                     std::abs(actual.blue - expected.blue) <= tolerance &&
                     std::abs(actual.alpha - expected.alpha) <= tolerance;
  if (close) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << describe(actual) << ", expected "
                                       << describe(expected);
}

// A user-defaults store of its own for the renderer's preferences, installed as the standard
// store while alive (sub-pixel clip enlargement off unless a test turns it on).
class TestDefaults {
public:
  TestDefaults()
      : defaults_(std::make_shared<pf::UserDefaults>(::testing::TempDir() + "render-test-defaults.plist"))
  {
    defaults_->setBool("Clipping rendering sub-pixel overlaps", false);
    defaults_->setBool("Copy always include clipping rect", false);
    pf::UserDefaults::setStandard(defaults_);
  }
  ~TestDefaults() { pf::UserDefaults::setStandard(std::make_shared<pf::UserDefaults>(::testing::TempDir() + "render-test-empty.plist")); }
  TestDefaults(const TestDefaults&) = delete;
  TestDefaults& operator=(const TestDefaults&) = delete;

  pf::UserDefaults& defaults() { return *defaults_; }

private:
  std::shared_ptr<pf::UserDefaults> defaults_;
};

// A path element of the given geometry, position and fill.
inline std::shared_ptr<MVElementPath> makePath(pf::Path path, pf::Point position, std::optional<pf::Color> fill)
{
  auto element = std::make_shared<MVElementPath>();
  element->setCgPath(std::make_shared<const pf::Path>(std::move(path)));
  element->setPositionX(position.x, position.y);
  element->setFillColor(fill);
  return element;
}

// A rectangle element covering `rect` (its parent's coordinates).
inline std::shared_ptr<MVElementPath> makeRect(pf::Rect rect, std::optional<pf::Color> fill)
{
  return makePath(MVElementPath::cgPathForRectangleWithWidth(rect.width(), rect.height()), rect.center(), fill);
}

inline std::shared_ptr<MVElementGroup> makeGroup(std::vector<std::shared_ptr<MVElement>> children)
{
  auto group = std::make_shared<MVElementGroup>();
  for (auto& child : children) {
    group->addElementWithoutRecalculatingPivot(std::move(child));
  }
  return group;
}

// Renders the tree synchronously on this thread into a bitmap of width x height output units.
inline std::shared_ptr<const pf::Bitmap> renderTree(std::shared_ptr<const MVElement> tree, double width, double height,
                                                    double displayScale = 1.0, double retinaScaling = 1.0,
                                                    std::optional<pf::Color> background = std::nullopt)
{
  MVElementRenderer renderer;
  renderer.setInputRenderingElement(std::move(tree));
  renderer.setRenderingSize(width, height);
  renderer.setDisplayScale(displayScale);
  renderer.setRetinaScaling(retinaScaling);
  if (background) {
    renderer.setBackgroundColor(background);
    renderer.setDrawBackgroundFlag(true);
    renderer.setBackgroundOpacity(1.0);
  }
  renderer.startRendering();
  return renderer.outputBitmap();
}

}  // namespace rendertest
