#include "Shared/SVG/ODSVGCache.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Shared/SVG/ODSVG.h"
#include "Shared/SVG/ODSVGGroupLayer.h"
#include "Shared/SVG/ODSVGText.h"
#include "SvgTestDocuments.h"

namespace {

class ODSVGFileTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    ODSVGCache::setEnabled(true);
    ODSVGCache::setEvictItemsAfter(ODSVGCache::kDefaultMaximumItemCount);
    ODSVGCache::flushCache();
    directory_ = std::filesystem::temp_directory_path() /
                 ("odsvg-cache-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(directory_);
  }
  void TearDown() override
  {
    ODSVGCache::setEnabled(true);
    ODSVGCache::setEvictItemsAfter(ODSVGCache::kDefaultMaximumItemCount);
    ODSVGCache::flushCache();
    ODSVG::setResourceDirectory("");
    std::filesystem::remove_all(directory_);
  }
  std::string write(const std::string& name, const std::string& text)
  {
    const std::filesystem::path path = directory_ / name;
    std::ofstream(path) << text;
    return path.string();
  }
  std::filesystem::path directory_;
};

TEST_F(ODSVGFileTest, TheCacheHandsOutOneDocumentPerFile)
{
  const std::string path = write("a.svg", svgtest::document("<rect width=\"10\" height=\"10\"/>"));
  const std::shared_ptr<ODSVG> first = ODSVG::initWithFile(path);
  ASSERT_TRUE(first);
  EXPECT_EQ(ODSVG::initWithFile(path), first);
  // A URL is its own key.
  const std::shared_ptr<ODSVG> byURL = ODSVG::initWithFilePathURL("file://" + path);
  ASSERT_TRUE(byURL);
  EXPECT_EQ(ODSVG::initWithFilePathURL("file://" + path), byURL);
  EXPECT_NE(ODSVG::initWithFile(path, false), first);

  ODSVGCache::setEnabled(false);
  const std::shared_ptr<ODSVG> uncached = ODSVG::initWithFile(path);
  ASSERT_TRUE(uncached);
  EXPECT_NE(uncached, first);
  EXPECT_NE(ODSVG::initWithFile(path), uncached);  // nothing was stored
  ODSVGCache::setEnabled(true);
  EXPECT_FALSE(ODSVGCache::cachedSVGForFileURL(path));  // disabling emptied it

  const std::shared_ptr<ODSVG> again = ODSVG::initWithFile(path);
  ODSVGCache::purgeCachedSVGForFileURL(path);
  EXPECT_NE(ODSVG::initWithFile(path), again);
}

TEST_F(ODSVGFileTest, TheLeastRecentlyUsedGoFirst)
{
  ODSVGCache::setEvictItemsAfter(2);
  std::vector<std::shared_ptr<ODSVG>> documents;
  for (int i = 0; i < 3; ++i) {
    documents.push_back(std::make_shared<ODSVG>());
  }
  ODSVGCache::cacheSVG(documents[0], "0");
  ODSVGCache::cacheSVG(documents[1], "1");
  EXPECT_EQ(ODSVGCache::cachedSVGForFileURL("0"), documents[0]);  // 0 is now the most recent
  ODSVGCache::cacheSVG(documents[2], "2");
  EXPECT_EQ(ODSVGCache::cachedSVGForFileURL("0"), documents[0]);
  EXPECT_FALSE(ODSVGCache::cachedSVGForFileURL("1"));
  EXPECT_EQ(ODSVGCache::cachedSVGForFileURL("2"), documents[2]);
  ODSVGCache::setEvictItemsAfter(0);
  EXPECT_FALSE(ODSVGCache::cachedSVGForFileURL("2"));

  // Several threads store and look up at once.
  ODSVGCache::setEvictItemsAfter(8);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) {
        const std::string key = std::to_string((t * 7 + i) % 16);
        ODSVGCache::cacheSVG(std::make_shared<ODSVG>(), key);
        ODSVGCache::cachedSVGForFileURL(key);
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  int kept = 0;
  for (int key = 0; key < 16; ++key) {
    kept += ODSVGCache::cachedSVGForFileURL(std::to_string(key)) ? 1 : 0;
  }
  EXPECT_EQ(kept, 8);
}

TEST_F(ODSVGFileTest, InitialisersFromFilesResourcesAndLayers)
{
  ODSVGError error;
  error.code = -1;
  EXPECT_FALSE(ODSVG::initWithFile((directory_ / "missing.svg").string(), true, &error));
  EXPECT_EQ(error.code, ODSVGError::kUnreadableFile);
  EXPECT_FALSE(ODSVG::initWithFile(write("broken.svg", "<svg"), true, &error));
  EXPECT_EQ(error.code, ODSVGError::kXMLError);

  // A reference to another file is not followed: only the given file is read.
  write("secret.svg", svgtest::document("<rect width=\"100\" height=\"100\" fill=\"red\"/>"));
  const std::string outer = write("outer.svg", svgtest::document("<use xlink:href=\"secret.svg#r\"/>"
                                                                 "<image width=\"100\" height=\"100\" xlink:href=\"secret.svg\"/>"));
  const std::shared_ptr<ODSVG> svg = ODSVG::initWithFile(outer);
  ASSERT_TRUE(svg);
  const std::optional<pf::Image> image = svg->imageWithSize(pf::Size(100, 100));
  ASSERT_TRUE(image && image->bitmap());
  EXPECT_EQ(image->bitmap()->pixel(50, 50).alpha, 0);

  // Resources: the name's extension, or svg.
  write("icon.svg", svgtest::document("<rect width=\"10\" height=\"10\"/>"));
  write("page.pdf", "%PDF-1.4");
  EXPECT_FALSE(ODSVG::svgNamed("icon"));  // no resource directory yet
  ODSVG::setResourceDirectory(directory_.string());
  EXPECT_TRUE(ODSVG::svgNamed("icon"));
  EXPECT_TRUE(ODSVG::svgNamed("icon.svg"));
  error.code = -1;
  EXPECT_FALSE(ODSVG::svgNamed("page", true, &error));
  EXPECT_EQ(error.code, -1);  // no page.svg: nothing, and no error
  EXPECT_FALSE(ODSVG::svgNamed("page.pdf", true, &error));
  EXPECT_EQ(error.code, ODSVGError::kXMLError);  // found, but no SVG

  EXPECT_FALSE(ODSVG::initWithSVGLayer(nullptr, pf::Rect(0, 0, 1, 1)));
  const auto layer = std::make_shared<ODSVGGroupLayer>();
  const std::shared_ptr<ODSVG> fromLayer = ODSVG::initWithSVGLayer(layer, pf::Rect(1, 2, 30, 40));
  ASSERT_TRUE(fromLayer);
  EXPECT_EQ(fromLayer->layer(), layer);
  EXPECT_EQ(fromLayer->proposedViewSize(), pf::Size(30, 40));
  EXPECT_FALSE(fromLayer->rootNode());
}

TEST(ODSVGText, CopiesCarryTheText)
{
  ODSVGText text;
  text.setText("hello");
  text.addChild(std::make_shared<ODSVGText>());
  const auto copy = std::dynamic_pointer_cast<ODSVGText>(text.copy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->text(), "hello");
  EXPECT_EQ(copy->children().size(), 1u);
}

}  // namespace
