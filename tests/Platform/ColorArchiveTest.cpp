#include "Platform/ColorArchive.h"

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Support/LogCapture.h"

#include "Platform/Log.h"
#include "Platform/PlistValue.h"
#include "Platform/PropertyList.h"

namespace {

using pf::Color;
using pf::PlistValue;
using pf::UnarchivedColor;
using Bytes = std::vector<std::uint8_t>;

using testsupport::QuietLog;

Bytes bytesOf(std::string_view text)
{
  return Bytes(text.begin(), text.end());
}

void expectColor(const UnarchivedColor& result, const Color& expected)
{
  ASSERT_TRUE(result.isColor()) << result.error;
  EXPECT_NEAR(result.color.red(), expected.red(), 1e-7);
  EXPECT_NEAR(result.color.green(), expected.green(), 1e-7);
  EXPECT_NEAR(result.color.blue(), expected.blue(), 1e-7);
  EXPECT_NEAR(result.color.alpha(), expected.alpha(), 1e-7);
}

// ---- Keyed archives ----

// A keyed archive as the original writes one: $null, the colour, its class.
PlistValue keyedArchive(PlistValue colorObject, PlistValue::Array extraObjects = {})
{
  colorObject.set("$class", PlistValue::uid(2));
  PlistValue classObject;
  classObject.set("$classname", "NSColor");
  classObject.set("$classes", PlistValue(PlistValue::Array{"NSColor", "NSObject"}));
  PlistValue::Array objects{"$null", colorObject, classObject};
  objects.insert(objects.end(), extraObjects.begin(), extraObjects.end());
  PlistValue top;
  top.set("root", PlistValue::uid(1));
  PlistValue archive;
  archive.set("$version", 100000);
  archive.set("$archiver", "NSKeyedArchiver");
  archive.set("$top", top);
  archive.set("$objects", PlistValue(std::move(objects)));
  return archive;
}

PlistValue colorObject(int space, const char* key, std::string_view components)
{
  PlistValue object;
  object.set("NSColorSpace", space);
  std::string text(components);
  text.push_back('\0');
  object.set(key, PlistValue::data(std::string_view(text)));
  return object;
}

TEST(ColorArchive, RoundTripsThroughTheRgbForm)
{
  const Color colors[] = {
      Color::rgb(0, 0, 0),         Color::rgb(1, 1, 1),    Color::rgb(1.0 / 3, 0.1, 0.7),
      Color::rgb(0.2, 0.4, 0.6, 0.25), Color::rgb(1, 0, 0, 0), Color::hsb(0.6, 0.7, 0.95),
  };
  for (const auto& color : colors) {
    SCOPED_TRACE(color.description());
    const auto data = pf::archivedColorData(color);
    const auto back = pf::unarchiveColor(data);
    ASSERT_TRUE(back.isColor()) << back.error;
    EXPECT_EQ(back.color, color);
  }
}

TEST(ColorArchive, WritesTheKeyedArchiveOfTheOriginal)
{
  const auto data = pf::archivedColorData(Color::rgb(1, 0.5, 0, 0.25));
  ASSERT_GE(data.size(), 8u);
  EXPECT_EQ(std::string(data.begin(), data.begin() + 8), "bplist00");
  const auto archive = pf::readPropertyList(std::span<const std::uint8_t>(data));
  ASSERT_TRUE(archive);
  EXPECT_EQ(archive->find("$archiver")->stringOr(), "NSKeyedArchiver");
  EXPECT_EQ(archive->find("$version")->asInteger(), 100000);
  EXPECT_EQ(archive->find("$top")->find("root")->asUid(), 1u);
  const auto& objects = *archive->find("$objects");
  EXPECT_EQ(objects.at(0).stringOr(), "$null");
  EXPECT_EQ(objects.at(1).find("NSColorSpace")->asInteger(), 1);
  const auto* rgb = objects.at(1).find("NSRGB")->asData();
  ASSERT_NE(rgb, nullptr);
  EXPECT_EQ(std::string(rgb->begin(), rgb->end()), std::string("1 0.5 0 0.25\0", 13));
  EXPECT_EQ(objects.at(1).find("$class")->asUid(), 2u);
  EXPECT_EQ(objects.at(2).find("$classname")->stringOr(), "NSColor");

  // An opaque colour leaves alpha out.
  const auto opaque = pf::readPropertyList(std::span<const std::uint8_t>(pf::archivedColorData(Color::grey(1))));
  const auto* white = opaque->find("$objects")->at(1).find("NSRGB")->asData();
  EXPECT_EQ(std::string(white->begin(), white->end()), std::string("1 1 1\0", 6));
}

TEST(ColorArchive, ReadsEveryColourVariant)
{
  PlistValue fallback = colorObject(1, "NSRGB", "0 0.5 1");
  fallback.set("$class", PlistValue::uid(2));
  PlistValue named;
  named.set("NSColorSpace", 6);
  named.set("NSCatalogName", PlistValue::uid(3));
  named.set("NSColorName", PlistValue::uid(4));
  named.set("NSColor", PlistValue::uid(5));

  PlistValue components;
  components.set("NSColorSpace", 10);
  components.set("NSComponents", PlistValue::data(std::string_view("0.25 0.5 0.75 1")));

  PlistValue referenced;
  referenced.set("NSColorSpace", 2);
  referenced.set("NSRGB", PlistValue::uid(3));

  const struct {
    const char* name;
    PlistValue archive;
    Color expected;
  } cases[] = {
      {"calibrated RGB with alpha", keyedArchive(colorObject(1, "NSRGB", "0.37640449 0.51123595 0.64981276 0.63")),
       Color::rgb(0.37640449, 0.51123595, 0.64981276, 0.63)},
      {"device RGB", keyedArchive(colorObject(2, "NSRGB", "1 0 0")), Color::rgb(1, 0, 0)},
      {"calibrated white", keyedArchive(colorObject(3, "NSWhite", "0.5")), Color::grey(0.5)},
      {"device white with alpha", keyedArchive(colorObject(4, "NSWhite", "0 0.5")), Color::grey(0, 0.5)},
      {"CMYK", keyedArchive(colorObject(5, "NSCMYK", "0 1 1 0 1")), Color::rgb(1, 0, 0)},
      {"named with its colour", keyedArchive(named, {"System", "controlAccentColor", fallback}),
       Color::rgb(0, 0.5, 1)},
      {"component-based", keyedArchive(components), Color::rgb(0.25, 0.5, 0.75)},
      {"components by reference", keyedArchive(referenced, {PlistValue::data(std::string_view("0 1 0\0", 6))}),
       Color::rgb(0, 1, 0)},
      {"unknown space with RGB", keyedArchive(colorObject(7, "NSRGB", "0.1 0.2 0.3")), Color::rgb(0.1, 0.2, 0.3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    expectColor(pf::unarchiveColor(*pf::binaryPropertyList(c.archive)), c.expected);
    const std::string xml = *pf::xmlPropertyList(c.archive);
    expectColor(pf::unarchiveColor(bytesOf(xml)), c.expected);
  }
}

TEST(ColorArchive, ReadsTheXmlTheOriginalWrote)
{
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<plist version=\"1.0\"><dict>\n"
      "<key>$archiver</key><string>NSKeyedArchiver</string>\n"
      "<key>$objects</key><array><string>$null</string>\n"
      "<dict><key>$class</key><dict><key>CF$UID</key><integer>2</integer></dict>\n"
      "<key>NSColorSpace</key><integer>1</integer>\n"
      "<key>NSRGB</key><data>\nMC4zNzY0MDQ0OSAwLjUxMTIzNTk1IDAuNjQ5ODEyNzYgMC42MwA=\n</data></dict>\n"
      "<dict><key>$classes</key><array><string>NSColor</string><string>NSObject</string></array>\n"
      "<key>$classname</key><string>NSColor</string></dict></array>\n"
      "<key>$top</key><dict><key>root</key><dict><key>CF$UID</key><integer>1</integer></dict></dict>\n"
      "<key>$version</key><integer>100000</integer>\n"
      "</dict></plist>\n";
  expectColor(pf::unarchiveColor(bytesOf(xml)), Color::rgb(0.37640449, 0.51123595, 0.64981276, 0.63));
}

TEST(ColorArchive, TellsOtherObjectsFromColours)
{
  PlistValue top;
  top.set("root", PlistValue::uid(1));
  PlistValue stringRoot;
  stringRoot.set("$archiver", "NSKeyedArchiver");
  stringRoot.set("$top", top);
  stringRoot.set("$objects", PlistValue(PlistValue::Array{"$null", "a string"}));
  auto result = pf::unarchiveColor(*pf::binaryPropertyList(stringRoot));
  EXPECT_EQ(result.status, UnarchivedColor::Status::NotAColor);
  EXPECT_EQ(result.object, "\"a string\"");
  EXPECT_EQ(result.color, Color::white());

  PlistValue arrayObject;
  arrayObject.set("NS.objects", PlistValue::emptyArray());
  arrayObject.set("$class", PlistValue::uid(2));
  PlistValue arrayClass;
  arrayClass.set("$classname", "NSArray");
  arrayClass.set("$classes", PlistValue(PlistValue::Array{"NSArray", "NSObject"}));
  PlistValue arrayRoot = stringRoot;
  arrayRoot.set("$objects", PlistValue(PlistValue::Array{"$null", arrayObject, arrayClass}));
  result = pf::unarchiveColor(*pf::binaryPropertyList(arrayRoot));
  EXPECT_EQ(result.status, UnarchivedColor::Status::NotAColor);
  EXPECT_EQ(result.object, "an object of class NSArray");

  PlistValue nilRoot = stringRoot;
  PlistValue nilTop;
  nilTop.set("root", PlistValue::uid(0));
  nilRoot.set("$top", nilTop);
  result = pf::unarchiveColor(*pf::binaryPropertyList(nilRoot));
  EXPECT_EQ(result.status, UnarchivedColor::Status::NotAColor);
  EXPECT_EQ(result.object, "(null)");
}

TEST(ColorArchive, DamagedDataGivesWhite)
{
  QuietLog quiet;
  PlistValue noTop = keyedArchive(colorObject(1, "NSRGB", "1 0 0"));
  noTop.erase("$top");
  PlistValue badRoot = keyedArchive(colorObject(1, "NSRGB", "1 0 0"));
  PlistValue farTop;
  farTop.set("root", PlistValue::uid(99));
  badRoot.set("$top", farTop);
  PlistValue otherArchiver = keyedArchive(colorObject(1, "NSRGB", "1 0 0"));
  otherArchiver.set("$archiver", "SomethingElse");
  PlistValue namedWithout;
  namedWithout.set("NSColorSpace", 6);
  namedWithout.set("NSCatalogName", "System");
  namedWithout.set("NSColorName", "controlColor");

  const auto valid = pf::archivedColorData(Color::rgb(1, 0, 0));
  const struct {
    const char* name;
    Bytes data;
  } cases[] = {
      {"empty", {}},
      {"text", bytesOf("this is not an archive")},
      {"plain property list", *pf::binaryPropertyList(PlistValue(PlistValue::Array{1, 2}))},
      {"no top", *pf::binaryPropertyList(noTop)},
      {"root outside the objects", *pf::binaryPropertyList(badRoot)},
      {"other archiver", *pf::binaryPropertyList(otherArchiver)},
      {"garbage components", *pf::binaryPropertyList(keyedArchive(colorObject(1, "NSRGB", "red green blue")))},
      {"too few components", *pf::binaryPropertyList(keyedArchive(colorObject(5, "NSCMYK", "0 1")))},
      {"named without its colour", *pf::binaryPropertyList(keyedArchive(namedWithout))},
      {"truncated", Bytes(valid.begin(), valid.begin() + static_cast<long>(valid.size() / 2))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto result = pf::unarchiveColor(c.data);
    EXPECT_EQ(result.status, UnarchivedColor::Status::Unreadable);
    EXPECT_EQ(result.color, Color::white());
    EXPECT_FALSE(result.error.empty());
  }
  // No damage to a single byte may crash the reader.
  for (std::size_t at = 0; at < valid.size(); ++at) {
    for (std::uint8_t bits : {0x01, 0x80, 0xff}) {
      Bytes damaged = valid;
      damaged[at] ^= bits;
      (void)pf::unarchiveColor(damaged);
    }
  }
}

// ---- Older non-keyed archives (typedstream) ----

class TypedStream {
public:
  explicit TypedStream(bool littleEndian = true) : littleEndian_(littleEndian)
  {
    bytes_ = {0x04, 0x0b};
    append(littleEndian ? "streamtyped" : "typedstream");
    bytes_.insert(bytes_.end(), {0x81});
    word(1000, 2);
  }

  TypedStream& raw(std::initializer_list<std::uint8_t> bytes)
  {
    bytes_.insert(bytes_.end(), bytes);
    return *this;
  }
  TypedStream& newString(std::string_view text)
  {
    bytes_.push_back(0x84);
    bytes_.push_back(static_cast<std::uint8_t>(text.size()));
    append(text);
    return *this;
  }
  TypedStream& real(float value)
  {
    bytes_.push_back(0x83);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    word(bits, 4);
    return *this;
  }
  // Root "@" and a new NSColor object whose class chain is NSColor, NSObject.
  TypedStream& colorObjectStart()
  {
    newString("@");
    raw({0x84, 0x84});
    newString("NSColor");
    raw({0x00, 0x84});
    newString("NSObject");
    raw({0x00, 0x85});
    return *this;
  }
  const Bytes& bytes() const { return bytes_; }

private:
  void append(std::string_view text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
  void word(std::uint32_t value, int size)
  {
    for (int i = 0; i < size; ++i) {
      const int shift = littleEndian_ ? 8 * i : 8 * (size - 1 - i);
      bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
    }
  }

  bool littleEndian_;
  Bytes bytes_;
};

TEST(ColorTypedStream, ReadsTheOlderForms)
{
  // Strings of the table: 0 "@", 1 "NSColor", 2 "NSObject", then the types.
  auto rgb = TypedStream().colorObjectStart();
  rgb.newString("c").raw({0x01}).newString("ffff").real(0.25f).real(0.5f).raw({0x00, 0x01, 0x86});

  auto bigEndian = TypedStream(false).colorObjectStart();
  bigEndian.newString("c").raw({0x02}).newString("ffff").real(0.75f).raw({0x01, 0x00}).real(0.5f).raw({0x86});

  auto white = TypedStream().colorObjectStart();
  white.newString("c").raw({0x03}).newString("ff").real(0.5f).raw({0x01, 0x86});

  auto cmyk = TypedStream().colorObjectStart();
  cmyk.newString("c").raw({0x05}).newString("fffff").raw({0x00, 0x01, 0x01, 0x00, 0x01, 0x86});

  // A named colour: two NSString objects, then the colour it resolves to, which reuses the
  // NSColor class (object table entry 1) and the "c" type (string table entry 3).
  auto named = TypedStream().colorObjectStart();
  named.newString("c").raw({0x06}).newString("@@@");
  named.raw({0x84, 0x84}).newString("NSString").raw({0x01, 0x94}).newString("+").raw({0x06}).raw(
      {'S', 'y', 's', 't', 'e', 'm', 0x86});
  named.raw({0x84, 0x96, 0x98, 0x04, 'b', 'l', 'u', 'e', 0x86});
  named.raw({0x84, 0x93, 0x95, 0x01}).newString("ffff").raw({0x00, 0x00, 0x01, 0x01, 0x86});
  named.raw({0x86});

  const struct {
    const char* name;
    Bytes data;
    Color expected;
  } cases[] = {
      {"calibrated RGB", rgb.bytes(), Color::rgb(0.25, 0.5, 0)},
      {"device RGB, big-endian", bigEndian.bytes(), Color::rgb(0.75, 1, 0, 0.5)},
      {"white", white.bytes(), Color::grey(0.5)},
      {"CMYK", cmyk.bytes(), Color::rgb(1, 0, 0)},
      {"named", named.bytes(), Color::rgb(0, 0, 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    expectColor(pf::unarchiveTypedStreamColor(c.data), c.expected);
  }
}

TEST(ColorTypedStream, DamagedOrForeignDataGivesWhite)
{
  QuietLog quiet;
  auto valid = TypedStream().colorObjectStart();
  valid.newString("c").raw({0x01}).newString("ffff").real(0.25f).real(0.5f).raw({0x00, 0x01, 0x86});

  // Every truncation fails cleanly.
  for (std::size_t size = 0; size < valid.bytes().size(); ++size) {
    SCOPED_TRACE(size);
    const Bytes cut(valid.bytes().begin(), valid.bytes().begin() + static_cast<long>(size));
    const auto result = pf::unarchiveTypedStreamColor(cut);
    EXPECT_EQ(result.status, UnarchivedColor::Status::Unreadable);
    EXPECT_EQ(result.color, Color::white());
  }
  // Single damaged bytes never crash.
  for (std::size_t at = 0; at < valid.bytes().size(); ++at) {
    for (std::uint8_t bits : {0x01, 0x10, 0x80, 0xff}) {
      Bytes damaged = valid.bytes();
      damaged[at] ^= bits;
      (void)pf::unarchiveTypedStreamColor(damaged);
    }
  }

  auto text = TypedStream();
  text.newString("@").raw({0x84, 0x84}).newString("NSString").raw({0x01, 0x84}).newString("NSObject").raw({0x00, 0x85});
  text.newString("+").raw({0x02, 'h', 'i', 0x86});
  auto result = pf::unarchiveTypedStreamColor(text.bytes());
  EXPECT_EQ(result.status, UnarchivedColor::Status::NotAColor);
  EXPECT_EQ(result.object, "an object of class NSString");

  auto nil = TypedStream();
  nil.newString("@").raw({0x85});
  EXPECT_EQ(pf::unarchiveTypedStreamColor(nil.bytes()).status, UnarchivedColor::Status::NotAColor);

  // An object that refers to itself while it is being read.
  auto cycle = TypedStream().colorObjectStart();
  cycle.newString("@").raw({0x92, 0x86});
  EXPECT_EQ(pf::unarchiveTypedStreamColor(cycle.bytes()).status, UnarchivedColor::Status::Unreadable);

  // Type encodings nested beyond any real archive.
  auto deep = TypedStream().colorObjectStart();
  std::string type;
  for (int i = 0; i < 100; ++i) {
    type += "[1";
  }
  type += "i";
  for (int i = 0; i < 100; ++i) {
    type += "]";
  }
  deep.raw({0x84, 0x81}).raw({static_cast<std::uint8_t>(type.size()), static_cast<std::uint8_t>(type.size() >> 8)});
  Bytes deepBytes = deep.bytes();
  deepBytes.insert(deepBytes.end(), type.begin(), type.end());
  deepBytes.insert(deepBytes.end(), {0x01, 0x86});
  EXPECT_EQ(pf::unarchiveTypedStreamColor(deepBytes).status, UnarchivedColor::Status::Unreadable);

  // A colour space stored as a real outside any integer's range (undefined to convert plainly).
  for (float space : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -1e30f, 1e30f}) {
    SCOPED_TRACE(space);
    auto odd = TypedStream().colorObjectStart();
    odd.newString("ffff").real(space).real(0.5f).real(0.5f).real(0.5f).raw({0x86});
    EXPECT_EQ(pf::unarchiveTypedStreamColor(odd.bytes()).status, UnarchivedColor::Status::Unreadable);
  }

  // One string of 256 KiB referenced a thousand times: a few kilobytes of file that would expand
  // to 256 MiB of copies.
  auto expanding = TypedStream().colorObjectStart();
  expanding.newString("*").raw({0x84, 0x82});
  const std::uint32_t bigSize = 256 * 1024;
  expanding.raw({static_cast<std::uint8_t>(bigSize), static_cast<std::uint8_t>(bigSize >> 8),
                 static_cast<std::uint8_t>(bigSize >> 16), static_cast<std::uint8_t>(bigSize >> 24)});
  Bytes expandingBytes = expanding.bytes();
  expandingBytes.insert(expandingBytes.end(), bigSize, 'x');
  for (int i = 0; i < 1000; ++i) {
    expandingBytes.insert(expandingBytes.end(), {0x95, 0x96});  // type "*", then the big string again
  }
  expandingBytes.push_back(0x86);
  const auto expanded = pf::unarchiveTypedStreamColor(expandingBytes);
  EXPECT_EQ(expanded.status, UnarchivedColor::Status::Unreadable);
  EXPECT_NE(expanded.error.find("size limit"), std::string::npos) << expanded.error;

  // An array whose element is a long run of empty structures: little data, much type to scan
  // once per element.
  {
    auto costly = TypedStream().colorObjectStart();
    std::string type = "[60000";
    for (int i = 0; i < 20000; ++i) {
      type += "{}";
    }
    type += "c]";
    costly.raw({0x84, 0x82});
    for (int shift = 0; shift < 32; shift += 8) {
      costly.raw({static_cast<std::uint8_t>(type.size() >> shift)});
    }
    Bytes costlyBytes = costly.bytes();
    costlyBytes.insert(costlyBytes.end(), type.begin(), type.end());
    costlyBytes.insert(costlyBytes.end(), 60000, 0x01);
    costlyBytes.push_back(0x86);
    const auto result = pf::unarchiveTypedStreamColor(costlyBytes);
    EXPECT_EQ(result.status, UnarchivedColor::Status::Unreadable);
    EXPECT_NE(result.error.find("too much work"), std::string::npos) << result.error;
  }

  // References numbered at the ends of the 64-bit range, where the table index is computed.
  for (std::uint8_t top : {0x7f, 0x80, 0xff}) {
    SCOPED_TRACE(static_cast<int>(top));
    auto far = TypedStream();
    far.raw({0x87, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, top});
    EXPECT_EQ(pf::unarchiveTypedStreamColor(far.bytes()).status, UnarchivedColor::Status::Unreadable);
  }

  // Keyed data is not a typedstream, and the other way round.
  EXPECT_FALSE(pf::unarchiveTypedStreamColor(pf::archivedColorData(Color::black())).isColor());
  EXPECT_FALSE(pf::unarchiveColor(valid.bytes()).isColor());
}

}  // namespace
