#include "Platform/Base64.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<std::uint8_t> bytesOf(const std::string& text)
{
  return {text.begin(), text.end()};
}

TEST(Base64, EncodesTheStandardVectorsWithPadding)
{
  const std::pair<const char*, const char*> cases[] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},
                                                       {"foo", "Zm9v"},  {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
                                                       {"foobar", "Zm9vYmFy"}};
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(pf::base64Encoded(bytesOf(text)), expected);
  }
  EXPECT_EQ(pf::base64Encoded(std::vector<std::uint8_t>{0xfb, 0xff, 0x00}), "+/8A");
}

TEST(Base64, CutsLinesWithTheirPrefix)
{
  EXPECT_EQ(pf::base64Encoded(bytesOf("foobar"), 4, "\t"), "\tZm9v\n\tYmFy\n");
  EXPECT_EQ(pf::base64Encoded(bytesOf("foob"), 4), "Zm9v\nYg==\n");
  EXPECT_EQ(pf::base64Encoded(bytesOf(""), 4, "\t"), "");
}

}  // namespace
