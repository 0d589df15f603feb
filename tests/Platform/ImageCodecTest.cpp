#include "Platform/ImageCodec.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "Support/LogCapture.h"

#include "Platform/GifWriter.h"
#include "Platform/Log.h"

namespace {

using testsupport::QuietLog;

// 32 x 24: a colour ramp in x and y, a transparent left quarter, a half-transparent band.
pf::Bitmap testBitmap()
{
  auto bitmap = pf::Bitmap::create(32, 24);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 32; ++x) {
      const std::uint8_t alpha = x < 8 ? 0 : (y < 6 ? 128 : 255);
      bitmap->setPixel(x, y, {static_cast<std::uint8_t>(x * 8), static_cast<std::uint8_t>(y * 10), 200, alpha});
    }
  }
  return std::move(*bitmap);
}

// Largest difference of any straight component over the pixels whose source alpha is at least
// `minimumAlpha` (colours of transparent pixels carry no information).
int largestDifference(const pf::Bitmap& a, const pf::Bitmap& b, int minimumAlpha, bool compareAlpha)
{
  int worst = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const auto p = a.pixel(x, y);
      const auto q = b.pixel(x, y);
      if (p.alpha < minimumAlpha) {
        continue;
      }
      worst = std::max({worst, std::abs(p.red - q.red), std::abs(p.green - q.green), std::abs(p.blue - q.blue)});
      if (compareAlpha) {
        worst = std::max(worst, std::abs(p.alpha - q.alpha));
      }
    }
  }
  return worst;
}

std::uint32_t crc32(const std::uint8_t* data, std::size_t length)
{
  std::uint32_t crc = 0xffffffffu;
  for (std::size_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) {
      crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
  }
  return ~crc;
}

void putBigEndian32(std::uint8_t* p, std::uint32_t value)
{
  p[0] = static_cast<std::uint8_t>(value >> 24);
  p[1] = static_cast<std::uint8_t>(value >> 16);
  p[2] = static_cast<std::uint8_t>(value >> 8);
  p[3] = static_cast<std::uint8_t>(value);
}

TEST(ImageCodec, SniffsFormatsFromTheirBytes)
{
  const struct {
    std::string bytes;
    pf::ImageFormat format;
  } cases[] = {
      {std::string("\x89PNG\r\n\x1a\n rest", 13), pf::ImageFormat::Png},
      {std::string("\xff\xd8\xff\xe0", 4), pf::ImageFormat::Jpeg},
      {std::string("II*\0", 4), pf::ImageFormat::Tiff},
      {std::string("MM\0*", 4), pf::ImageFormat::Tiff},
      {"GIF89a", pf::ImageFormat::Gif},
      {"%!PS-Adobe-3.0 EPSF-3.0\n", pf::ImageFormat::Eps},
      {"junk before %PDF-1.4\n", pf::ImageFormat::Pdf},
      {"", pf::ImageFormat::Unknown},
      {"\x89PN", pf::ImageFormat::Unknown},
      {"hello world", pf::ImageFormat::Unknown},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    const auto* data = reinterpret_cast<const std::uint8_t*>(c.bytes.data());
    EXPECT_EQ(pf::sniffImageFormat({data, c.bytes.size()}), c.format);
  }
}

TEST(ImageCodec, RoundTripsEveryFormat)
{
  const pf::Bitmap source = testBitmap();
  const struct {
    const char* name;
    std::function<std::optional<std::vector<std::uint8_t>>(const pf::Bitmap&)> encode;
    pf::ImageFormat format;
    int minimumAlpha;  // pixels compared
    bool compareAlpha;
    int tolerance;
  } cases[] = {
      {"png", [](const pf::Bitmap& b) { return pf::encodePng(b, 144.0); }, pf::ImageFormat::Png, 128, true, 1},
      {"tiff", [](const pf::Bitmap& b) { return pf::encodeTiff(b, 144.0); }, pf::ImageFormat::Tiff, 128, true, 2},
      {"jpeg", [](const pf::Bitmap& b) { return pf::encodeJpeg(b, 1.0, {0, 0, 0, 255}, 144.0); },
       pf::ImageFormat::Jpeg, 255, false, 12},
      {"gif", [](const pf::Bitmap& b) { return pf::encodeGif(b); }, pf::ImageFormat::Gif, 255, true, 24},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto bytes = c.encode(source);
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(pf::sniffImageFormat(*bytes), c.format);
    const auto decoded = pf::decodeBitmap(*bytes);
    ASSERT_TRUE(decoded.has_value());
    ASSERT_EQ(decoded->bitmap.width(), 32);
    ASSERT_EQ(decoded->bitmap.height(), 24);
    EXPECT_LE(largestDifference(source, decoded->bitmap, c.minimumAlpha, c.compareAlpha), c.tolerance);
    if (c.format != pf::ImageFormat::Gif) {
      EXPECT_NEAR(decoded->dpiX, 144.0, 0.5);
      EXPECT_NEAR(decoded->dpiY, 144.0, 0.5);
    }
    if (c.format == pf::ImageFormat::Gif || c.format == pf::ImageFormat::Png) {
      EXPECT_EQ(decoded->bitmap.pixel(2, 12).alpha, 0);  // transparency survives
    }
  }
}

TEST(ImageCodec, PngHasAnAlphaChannelOnlyWhenAPixelIsNotOpaque)
{
  // The colour type is the IHDR byte after the signature, the chunk header, the size and the
  // bit depth: 2 RGB, 6 RGBA.
  constexpr std::size_t kColorTypeOffset = 8 + 8 + 8 + 1;
  pf::Bitmap opaque = testBitmap();
  for (int y = 0; y < opaque.height(); ++y) {
    for (int x = 0; x < opaque.width(); ++x) {
      auto pixel = opaque.pixel(x, y);
      pixel.alpha = 255;
      opaque.setPixel(x, y, pixel);
    }
  }
  pf::Bitmap oneTranslucent = opaque;
  oneTranslucent.setPixel(31, 23, {10, 20, 30, 254});
  const struct {
    const char* name;
    const pf::Bitmap* bitmap;
    std::uint8_t colorType;
  } cases[] = {{"opaque", &opaque, 2}, {"one translucent pixel", &oneTranslucent, 6}, {"ramp", nullptr, 6}};
  const pf::Bitmap ramp = testBitmap();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const pf::Bitmap& source = c.bitmap != nullptr ? *c.bitmap : ramp;
    const auto bytes = pf::encodePng(source);
    ASSERT_TRUE(bytes.has_value());
    ASSERT_GT(bytes->size(), kColorTypeOffset);
    EXPECT_EQ((*bytes)[kColorTypeOffset], c.colorType);
    const auto decoded = pf::decodeBitmap(*bytes);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_LE(largestDifference(source, decoded->bitmap, 1, true), 1);
  }
}

TEST(ImageCodec, JpegFlattensOntoTheBackground)
{
  const pf::Bitmap source = testBitmap();
  const auto bytes = pf::encodeJpeg(source, 0.99, {255, 0, 0, 255});
  ASSERT_TRUE(bytes.has_value());
  const auto decoded = pf::decodeJpeg(*bytes);
  ASSERT_TRUE(decoded.has_value());
  const auto transparent = decoded->bitmap.pixel(2, 12);
  EXPECT_GT(transparent.red, 235);
  EXPECT_LT(transparent.green, 20);
  EXPECT_EQ(transparent.alpha, 255);
  EXPECT_DOUBLE_EQ(decoded->dpiX, 72.0);
}

TEST(ImageCodec, AnimatedGifKeepsEveryFrame)
{
  auto red = pf::Bitmap::create(4, 4);
  auto blue = pf::Bitmap::create(4, 4);
  red->fill({255, 0, 0, 255});
  blue->fill({0, 0, 255, 255});
  pf::GifWriter writer(4, 4, 0);
  ASSERT_TRUE(writer.addFrame(*red, 0.25));
  ASSERT_TRUE(writer.addFrame(*blue, 0.25));
  const auto bytes = writer.finish();
  ASSERT_TRUE(bytes.has_value());
  const std::string text(bytes->begin(), bytes->end());
  EXPECT_NE(text.find("NETSCAPE2.0"), std::string::npos);
  // Two graphic control blocks with a delay of 25 hundredths.
  const std::string control("\x21\xf9\x04", 3);
  const auto first = text.find(control);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(text.find(control, first + 1), std::string::npos);
  EXPECT_EQ(static_cast<std::uint8_t>(text[first + 4]), 25);
  // The decoder shows the first frame.
  const auto decoded = pf::decodeGif(*bytes);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->bitmap.pixel(1, 1), (pf::Bitmap::Rgba8{255, 0, 0, 255}));
}

TEST(ImageCodec, GifWriterRefusesMismatchedFrames)
{
  QuietLog quiet;
  auto frame = pf::Bitmap::create(3, 3);
  pf::GifWriter writer(4, 4, std::nullopt);
  EXPECT_FALSE(writer.addFrame(*frame, 0.1));
  EXPECT_FALSE(writer.finish().has_value());  // no frame was written
  frame = pf::Bitmap::create(4, 4);
  EXPECT_FALSE(writer.addFrame(*frame, 0.1));  // after finish
}

TEST(ImageCodec, HostileInputGivesNothing)
{
  QuietLog quiet;
  const pf::Bitmap source = testBitmap();
  const auto png = pf::encodePng(source);
  const auto jpeg = pf::encodeJpeg(source, 0.9, {255, 255, 255, 255});
  const auto tiff = pf::encodeTiff(source);
  const auto gif = pf::encodeGif(source);
  ASSERT_TRUE(png && jpeg && tiff && gif);
  // A JPEG large enough that a cut falls inside its scan data (libjpeg itself would pad it).
  auto large = pf::Bitmap::create(256, 256);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      large->setPixel(x, y, {static_cast<std::uint8_t>(x ^ y), static_cast<std::uint8_t>(x * y), 90, 255});
    }
  }
  const auto largeJpeg = pf::encodeJpeg(*large, 0.9, {0, 0, 0, 255});
  ASSERT_TRUE(largeJpeg && largeJpeg->size() > 4000);

  const auto cut = [](const std::vector<std::uint8_t>& bytes, std::size_t keep) {
    return std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(keep));
  };
  // A PNG declaring 100000 x 100000 pixels (valid CRC), and one just over the pixel cap.
  auto hugePng = *png;
  putBigEndian32(&hugePng[16], 100000);
  putBigEndian32(&hugePng[20], 100000);
  putBigEndian32(&hugePng[29], crc32(&hugePng[12], 17));
  auto overCapPng = *png;
  putBigEndian32(&overCapPng[16], 20000);
  putBigEndian32(&overCapPng[20], 20000);
  putBigEndian32(&overCapPng[29], crc32(&overCapPng[12], 17));
  // A JPEG whose frame header declares 65000 x 65000.
  auto hugeJpeg = *jpeg;
  for (std::size_t i = 2; i + 8 < hugeJpeg.size(); ++i) {
    if (hugeJpeg[i] == 0xff && hugeJpeg[i + 1] == 0xc0) {
      hugeJpeg[i + 5] = 0xfd, hugeJpeg[i + 6] = 0xe8, hugeJpeg[i + 7] = 0xfd, hugeJpeg[i + 8] = 0xe8;
      break;
    }
  }
  // A TIFF whose directory declares 60000 x 60000 pixels (little-endian, as we write it).
  auto hugeTiff = *tiff;
  const auto read16 = [&](std::size_t at) { return hugeTiff[at] | (hugeTiff[at + 1] << 8); };
  const std::size_t directory = read16(4) | (read16(6) << 16);
  for (int entry = 0; entry < read16(directory); ++entry) {
    const std::size_t at = directory + 2 + 12 * static_cast<std::size_t>(entry);
    if (read16(at) == 256 || read16(at) == 257) {  // image width, image length
      hugeTiff[at + 8] = 0x60, hugeTiff[at + 9] = 0xea, hugeTiff[at + 10] = 0, hugeTiff[at + 11] = 0;
    }
  }
  // A GIF whose screen is 65535 x 65535.
  auto hugeGif = *gif;
  hugeGif[6] = hugeGif[7] = hugeGif[8] = hugeGif[9] = 0xff;
  // Corrupt PNG pixel data (the CRC no longer matches).
  auto corruptPng = *png;
  corruptPng[corruptPng.size() / 2] ^= 0x55;
  const std::vector<std::uint8_t> garbage(300, 0xab);
  std::vector<std::uint8_t> pngSignatureOnly(png->begin(), png->begin() + 8);

  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"truncated png", cut(*png, png->size() / 2)},
      {"png signature only", pngSignatureOnly},
      {"corrupt png", corruptPng},
      {"huge png", hugePng},
      {"over-cap png", overCapPng},
      {"truncated jpeg", cut(*jpeg, jpeg->size() / 2)},
      {"jpeg header only", cut(*jpeg, 20)},
      {"jpeg cut in its scan", cut(*largeJpeg, largeJpeg->size() * 3 / 4)},
      {"huge jpeg", hugeJpeg},
      {"truncated tiff", cut(*tiff, tiff->size() / 2)},
      {"tiff header only", cut(*tiff, 8)},
      {"huge tiff", hugeTiff},
      {"truncated gif", cut(*gif, gif->size() / 2)},
      {"huge gif", hugeGif},
      {"garbage", garbage},
      {"empty", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(pf::decodeBitmap(c.bytes).has_value());
  }
  // Each decoder on bytes of another format.
  EXPECT_FALSE(pf::decodePng(*jpeg).has_value());
  EXPECT_FALSE(pf::decodeJpeg(*png).has_value());
  EXPECT_FALSE(pf::decodeTiff(*gif).has_value());
  EXPECT_FALSE(pf::decodeGif(*tiff).has_value());
}

// Randomly damaged and cut copies of valid files of every format: each decoder must refuse them
// or give a picture of the size it states, never read or write out of bounds (run under ASan).
TEST(ImageCodec, SurvivesDamagedFiles)
{
  QuietLog quiet;
  const pf::Bitmap source = testBitmap();
  const struct {
    const char* name;
    std::optional<std::vector<std::uint8_t>> bytes;
  } files[] = {
      {"png", pf::encodePng(source, 144.0)},
      {"jpeg", pf::encodeJpeg(source, 0.8, {255, 255, 255, 255})},
      {"tiff", pf::encodeTiff(source, 144.0)},
      {"gif", pf::encodeGif(source)},
  };
  std::mt19937 generator(7);
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    ASSERT_TRUE(file.bytes);
    for (int round = 0; round < 300; ++round) {
      auto damaged = *file.bytes;
      const int changes = 1 + static_cast<int>(generator() % 4);
      for (int i = 0; i < changes; ++i) {
        const std::size_t at = generator() % damaged.size();
        switch (generator() % 6) {
        case 0:
          damaged.resize(at + 1);
          break;
        case 1:
          damaged[at] = 0xff;
          break;
        case 2:
          damaged[at] = 0;
          break;
        default:
          damaged[at] = static_cast<std::uint8_t>(generator());
          break;
        }
      }
      const auto decoded = pf::decodeBitmap(damaged);
      if (decoded) {
        EXPECT_TRUE(pf::Bitmap::isAllowedSize(decoded->bitmap.width(), decoded->bitmap.height()));
        EXPECT_TRUE(std::isfinite(decoded->dpiX) && decoded->dpiX > 0);
        EXPECT_TRUE(std::isfinite(decoded->dpiY) && decoded->dpiY > 0);
      }
    }
  }
}

TEST(Bitmap, RefusesSizesOutsideTheCaps)
{
  QuietLog quiet;
  EXPECT_FALSE(pf::Bitmap::create(0, 10).has_value());
  EXPECT_FALSE(pf::Bitmap::create(10, -1).has_value());
  EXPECT_FALSE(pf::Bitmap::create(pf::Bitmap::kMaxSide + 1, 1).has_value());
  EXPECT_FALSE(pf::Bitmap::create(20000, 20000).has_value());  // over the pixel cap
  EXPECT_TRUE(pf::Bitmap::create(1, 1).has_value());
}

TEST(Bitmap, StoresPremultipliedAndReadsStraight)
{
  auto bitmap = pf::Bitmap::create(2, 1);
  bitmap->setPixel(0, 0, {255, 128, 0, 128});
  EXPECT_EQ(bitmap->data()[0], 0x80804000u);  // premultiplied 0xAARRGGBB
  const auto back = bitmap->pixel(0, 0);
  EXPECT_EQ(back.red, 255);
  EXPECT_NEAR(back.green, 128, 1);
  EXPECT_EQ(back.alpha, 128);
  EXPECT_EQ(bitmap->pixel(5, 0), pf::Bitmap::Rgba8{});  // outside

  const pf::Bitmap flat = bitmap->flattenedOnto({0, 0, 255, 255});
  const auto p = flat.pixel(0, 0);
  EXPECT_EQ(p.alpha, 255);
  EXPECT_NEAR(p.red, 128, 1);
  EXPECT_NEAR(p.blue, 127, 1);
  EXPECT_EQ(flat.pixel(1, 0), (pf::Bitmap::Rgba8{0, 0, 255, 255}));
}

}  // namespace
