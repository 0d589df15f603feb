#include "MorvNode/Elements/MVSharedGraphicsStore.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/DrawingContext.h"
#include "Platform/Image.h"
#include "Platform/ImageCodec.h"
#include "Platform/Surface.h"
#include "RenderTestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::shared_ptr<const Bytes> svgText()
{
  const std::string text = R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"/>)";
  return std::make_shared<const Bytes>(text.begin(), text.end());
}

Bytes pdfPage()
{
  auto surface = pf::Surface::pdf({40, 20});
  {
    pf::DrawingContext context(*surface);
    context.setFillColor(pf::Color::rgb(1, 0, 0));
    context.fillRect({0, 0, 40, 20});
  }
  EXPECT_TRUE(surface->finish());
  return surface->takeData();
}

std::shared_ptr<const Bytes> pngData()
{
  auto bitmap = pf::Bitmap::create(6, 4);
  bitmap->fill({0, 0, 255, 255});
  return std::make_shared<const Bytes>(*pf::encodePng(*bitmap));
}

TEST(MVSharedGraphicsStore, RefusesMissingNameOrObject)
{
  rendertest::QuietLog log;
  MVSharedGraphicsStore store;
  store.storeSharedElementGraphicObject(svgText(), "");
  store.storeSharedElementGraphicObject(std::shared_ptr<const pf::Image>(), "empty");
  EXPECT_EQ(log.countContaining("ERROR, failed trying to save a shared graphics object"), 2);
  EXPECT_TRUE(store.objects().empty());
  EXPECT_FALSE(store.objectNamed("empty"));
}

TEST(MVSharedGraphicsStore, LooksUpSilentlyBeforeTheFirstStoreAndLogsMissingNamesAfter)
{
  rendertest::QuietLog log;
  MVSharedGraphicsStore store;
  EXPECT_EQ(store.sharedElementImageNamed("a"), nullptr);
  EXPECT_EQ(store.sharedElementVectorDataNamed("a"), nullptr);
  EXPECT_TRUE(log.lines().empty());

  store.storeSharedElementGraphicObject(svgText(), "svg");
  EXPECT_EQ(store.sharedElementImageNamed("a"), nullptr);
  EXPECT_EQ(store.sharedElementImageNamed(""), nullptr);
  EXPECT_EQ(log.count("ERROR, no shared graphics object with name 'a'"), 1);
}

TEST(MVSharedGraphicsStore, SvgTextIsNoImageButIsItsOwnVectorData)
{
  rendertest::QuietLog log;
  MVSharedGraphicsStore store;
  const auto text = svgText();
  store.storeSharedElementGraphicObject(text, "drawing.svg");

  EXPECT_EQ(store.sharedElementImageNamed("drawing.svg"), nullptr);
  EXPECT_EQ(log.count("ERROR, could not create NSImage from shared data object 'drawing.svg' (SVG?)"), 1);
  EXPECT_EQ(store.sharedElementVectorDataNamed("drawing.svg"), text);
}

TEST(MVSharedGraphicsStore, ImageDataIsDecodedOnRequest)
{
  rendertest::QuietLog log;
  MVSharedGraphicsStore store;
  store.storeSharedElementGraphicObject(pngData(), "dot.png");
  const auto image = store.sharedElementImageNamed("dot.png");
  ASSERT_NE(image, nullptr);
  ASSERT_NE(image->bitmap(), nullptr);
  EXPECT_EQ(image->bitmap()->width(), 6);
  EXPECT_EQ(log.countContaining("named 'dot.png' from saved vector graphics data"), 1);
}

TEST(MVSharedGraphicsStore, VectorDataOfStoredImages)
{
  rendertest::QuietLog log;
  MVSharedGraphicsStore store;
  const Bytes pdf = pdfPage();
  auto pdfImage = pf::Image::fromPdf(pdf);
  ASSERT_TRUE(pdfImage);
  store.storeSharedElementGraphicObject(std::make_shared<const pf::Image>(*pdfImage), "page [NSImage]");
  auto bitmap = pf::Bitmap::create(2, 2);
  store.storeSharedElementGraphicObject(std::make_shared<const pf::Image>(pf::Image::fromBitmap(*bitmap)), "pixels");

  const auto data = store.sharedElementVectorDataNamed("page [NSImage]");
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(*data, pdf);
  EXPECT_EQ(log.count("Created vector NSData from saved image 'page [NSImage]'"), 1);

  EXPECT_EQ(store.sharedElementVectorDataNamed("pixels"), nullptr);
  EXPECT_EQ(log.count("ERROR, could not create vector NSData from shared image 'pixels'"), 1);
}

TEST(MVSharedGraphicsStore, StoredImagesAreHandedOutAsStoredAndSurviveRemoval)
{
  rendertest::QuietLog log;
  MVSharedGraphicsStore store;
  auto bitmap = pf::Bitmap::create(3, 3);
  const auto image = std::make_shared<const pf::Image>(pf::Image::fromBitmap(*bitmap));
  store.storeSharedElementGraphicObject(image, "name");
  store.removeSharedElementGraphicObjectNamed("name");
  EXPECT_EQ(log.count("removeSharedElementGraphicObjectNamed: name"), 1);
  EXPECT_EQ(store.sharedElementImageNamed("name"), image);

  // Replacing or clearing the store leaves a reader's object intact.
  const auto held = store.sharedElementImageNamed("name");
  store.storeSharedElementGraphicObject(svgText(), "name");
  store.removeAllObjects();
  EXPECT_TRUE(store.dictionaryExists());
  EXPECT_EQ(held->pixelSize(), std::make_pair(3, 3));
  EXPECT_EQ(store.sharedElementImageNamed("name"), nullptr);
}

// Rendering threads read while the main thread stores and replaces: every answer is either
// nothing or a whole image (AddressSanitizer catches a freed one).
TEST(MVSharedGraphicsStore, ReadersOnOtherThreadsSeeWholeObjects)
{
  rendertest::QuietLog log;
  MVSharedGraphicsStore store;
  std::atomic<bool> stop = false;
  std::vector<std::thread> readers;
  for (int i = 0; i < 4; ++i) {
    readers.emplace_back([&] {
      while (!stop) {
        if (const auto image = store.sharedElementImageNamed("shared")) {
          EXPECT_GE(image->pixelSize().first, 1);
        }
      }
    });
  }
  for (int round = 0; round < 300; ++round) {
    auto bitmap = pf::Bitmap::create(1 + round % 7, 2);
    store.storeSharedElementGraphicObject(std::make_shared<const pf::Image>(pf::Image::fromBitmap(*bitmap)), "shared");
    if (round % 50 == 0) {
      store.removeAllObjects();
    }
  }
  stop = true;
  for (std::thread& reader : readers) {
    reader.join();
  }
  EXPECT_NE(store.sharedElementImageNamed("shared"), nullptr);
}

}  // namespace
