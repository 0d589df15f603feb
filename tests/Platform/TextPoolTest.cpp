#include "Platform/TextPool.h"

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(TextPool, EqualTextsShareOneCopyAndKeepTheirContent)
{
  const std::string built = std::string("Position") + " X value input";
  const std::string& pooled = pf::TextPool::text(built);
  EXPECT_EQ(&pf::TextPool::text("Position X value input"), &pooled);
  EXPECT_EQ(pooled, "Position X value input");
  EXPECT_NE(&pf::TextPool::text("Position Y value input"), &pooled);
  EXPECT_EQ(&pf::TextPool::empty(), &pf::TextPool::text(""));
  // Texts with embedded NULs and non-ASCII are pooled by their whole content.
  const std::string withNul("a\0b", 3);
  EXPECT_EQ(pf::TextPool::text(withNul).size(), 3u);
  EXPECT_NE(&pf::TextPool::text(withNul), &pf::TextPool::text("a"));
}

TEST(TextPool, EqualListsShareOneCopy)
{
  const auto shapes = pf::TextPool::list({"Ellipse", "Rectangle"});
  EXPECT_EQ(pf::TextPool::list({"Ellipse", "Rectangle"}), shapes);
  EXPECT_EQ(*shapes, (std::vector<std::string>{"Ellipse", "Rectangle"}));
  EXPECT_NE(pf::TextPool::list({"Rectangle", "Ellipse"}), shapes);
  EXPECT_NE(pf::TextPool::list({"Ellipse"}), shapes);
  EXPECT_TRUE(pf::TextPool::list({})->empty());
}

TEST(TextPool, ThreadsPoolingTheSameTextsGetTheSameCopies)
{
  std::vector<const std::string*> seen(4);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < seen.size(); ++i) {
    threads.emplace_back([&seen, i] {
      for (int n = 0; n < 200; ++n) {
        pf::TextPool::text("shared tooltip " + std::to_string(n));
      }
      seen[i] = &pf::TextPool::text("shared tooltip 7");
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (const std::string* each : seen) {
    EXPECT_EQ(each, seen.front());
  }
}

}  // namespace
