#include "Platform/ColorArchive.h"

#include <optional>
#include <string_view>

#include "Platform/Numbers.h"
#include "Platform/PlistValue.h"
#include "Platform/PropertyList.h"
#include "Platform/TypedStreamReader.h"

namespace pf {

namespace {

// Colour-space numbers of the archived forms.
constexpr std::int64_t kCalibratedRgb = 1;
constexpr std::int64_t kDeviceRgb = 2;
constexpr std::int64_t kCalibratedWhite = 3;
constexpr std::int64_t kDeviceWhite = 4;
constexpr std::int64_t kDeviceCmyk = 5;
constexpr std::int64_t kNamed = 6;

// A named colour carries its resolved colour, which could in turn be named.
constexpr int kMaxNamedDepth = 4;

constexpr std::string_view kColorClass = "NSColor";

UnarchivedColor unreadable(std::string reason)
{
  UnarchivedColor result;
  result.error = std::move(reason);
  return result;
}

UnarchivedColor notAColor(std::string object)
{
  UnarchivedColor result;
  result.status = UnarchivedColor::Status::NotAColor;
  result.error = "the archive holds " + object + ", not a colour";
  result.object = std::move(object);
  return result;
}

UnarchivedColor found(Color color)
{
  UnarchivedColor result;
  result.status = UnarchivedColor::Status::Color;
  result.color = color;
  return result;
}

// "0.5 0.25 1\0" to {0.5, 0.25, 1}: blank-separated numbers up to the first NUL. Reading stops
// at the first word that is not a number, as a scanner would.
std::vector<double> componentNumbers(std::string_view text)
{
  if (const auto end = text.find('\0'); end != std::string_view::npos) {
    text = text.substr(0, end);
  }
  std::vector<double> numbers;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) {
      ++i;
    }
    std::size_t j = i;
    while (j < text.size() && text[j] != ' ' && text[j] != '\t' && text[j] != '\n' && text[j] != '\r') {
      ++j;
    }
    if (j == i) {
      break;
    }
    double number = 0.0;
    if (!parseDouble(text.substr(i, j - i), number)) {
      break;
    }
    numbers.push_back(number);
    i = j;
  }
  return numbers;
}

std::string componentText(std::initializer_list<double> components)
{
  std::string text;
  for (double component : components) {
    if (!text.empty()) {
      text += ' ';
    }
    text += formatShortest(component);
  }
  return text;
}

// Colour from a colour-space number and its components; nullopt when too few components.
std::optional<Color> colorFromComponents(std::int64_t space, const std::vector<double>& numbers)
{
  auto alphaAt = [&](std::size_t index) { return numbers.size() > index ? numbers[index] : 1.0; };
  switch (space) {
  case kCalibratedRgb:
  case kDeviceRgb:
    if (numbers.size() >= 3) {
      return Color::rgb(numbers[0], numbers[1], numbers[2], alphaAt(3));
    }
    break;
  case kCalibratedWhite:
  case kDeviceWhite:
    if (!numbers.empty()) {
      return Color::grey(numbers[0], alphaAt(1));
    }
    break;
  case kDeviceCmyk:
    if (numbers.size() >= 4) {
      return Color::cmyk(numbers[0], numbers[1], numbers[2], numbers[3], alphaAt(4));
    }
    break;
  default:
    break;
  }
  return std::nullopt;
}

// The objects of one keyed archive, with UID references resolved.
class KeyedObjects {
public:
  explicit KeyedObjects(const PlistValue::Array& objects) : objects_(objects) {}

  // The value itself, or the object a UID names; nullptr for a UID outside the table.
  const PlistValue* resolve(const PlistValue* value) const
  {
    if (!value) {
      return nullptr;
    }
    if (const auto uid = value->asUid()) {
      return *uid < objects_.size() ? &objects_[*uid] : nullptr;
    }
    return value;
  }

  const PlistValue* member(const PlistValue& object, std::string_view key) const
  {
    return resolve(object.find(key));
  }

  // The class and superclass names of an archived object; empty for inline values.
  std::vector<std::string> classes(const PlistValue& object) const
  {
    std::vector<std::string> names;
    const PlistValue* info = member(object, "$class");
    if (!info) {
      return names;
    }
    if (const auto* list = info->find("$classes"); list && list->asArray()) {
      for (const auto& name : *list->asArray()) {
        if (const auto* text = name.asString()) {
          names.push_back(*text);
        }
      }
    }
    if (names.empty()) {
      if (const auto* name = info->find("$classname"); name && name->asString()) {
        names.push_back(*name->asString());
      }
    }
    return names;
  }

  bool isColor(const PlistValue& object) const
  {
    for (const auto& name : classes(object)) {
      if (name == kColorClass) {
        return true;
      }
    }
    return false;
  }

  std::vector<double> numbers(const PlistValue& object, std::string_view key) const
  {
    const PlistValue* value = member(object, key);
    if (!value) {
      return {};
    }
    if (const auto* bytes = value->asData()) {
      return componentNumbers(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    }
    if (const auto* text = value->asString()) {
      return componentNumbers(*text);
    }
    return {};
  }

  std::string text(const PlistValue& object, std::string_view key) const
  {
    const PlistValue* value = member(object, key);
    return value ? value->stringOr("?") : "?";
  }

  std::optional<Color> color(const PlistValue& object, int depth, std::string& error) const
  {
    const PlistValue* spaceValue = member(object, "NSColorSpace");
    const std::int64_t space = spaceValue ? spaceValue->toInteger().value_or(0) : 0;

    if (space == kNamed) {
      const PlistValue* resolved = member(object, "NSColor");
      if (resolved && isColor(*resolved) && depth < kMaxNamedDepth) {
        return color(*resolved, depth + 1, error);
      }
      error = "named colour '" + text(object, "NSColorName") + "' of catalogue '" + text(object, "NSCatalogName") +
              "' carries no colour of its own";
      return std::nullopt;
    }
    // The form the colour space names first, then whatever form is present.
    const struct {
      std::int64_t space;
      const char* key;
    } forms[] = {{kCalibratedRgb, "NSRGB"}, {kCalibratedWhite, "NSWhite"}, {kDeviceCmyk, "NSCMYK"}};
    for (const auto& form : forms) {
      const bool named = form.space == space || (form.space == kCalibratedRgb && space == kDeviceRgb) ||
                         (form.space == kCalibratedWhite && space == kDeviceWhite);
      if (named) {
        if (auto result = colorFromComponents(form.space, numbers(object, form.key))) {
          return result;
        }
      }
    }
    for (const auto& form : forms) {
      if (auto result = colorFromComponents(form.space, numbers(object, form.key))) {
        return result;
      }
    }
    // Component-based colours of newer archives: the count tells the model.
    const auto components = numbers(object, "NSComponents");
    const std::int64_t model = components.size() <= 2 ? kCalibratedWhite
                               : components.size() == 5 ? kDeviceCmyk
                                                        : kCalibratedRgb;
    if (auto result = colorFromComponents(model, components)) {
      return result;
    }
    error = "colour space " + std::to_string(space) + " without readable components";
    return std::nullopt;
  }

private:
  const PlistValue::Array& objects_;
};

std::optional<Color> typedStreamColor(const TypedStreamReader::Object& object, int depth, std::string& error)
{
  std::vector<double> numbers;
  for (const auto& value : object.values) {
    if (value.isNumber()) {
      numbers.push_back(value.number());
    }
  }
  if (numbers.empty()) {
    error = "colour without a colour space";
    return std::nullopt;
  }
  // The space may arrive as any real (NaN, 1e30): converted with saturation, never undefined.
  const auto space = saturatingCast<std::int64_t>(numbers.front());
  if (space == kNamed) {
    // Catalogue and colour names are strings; the resolved colour is the nested colour object.
    for (const auto& value : object.values) {
      if (value.object && value.object->isKindOf(std::string(kColorClass)) && depth < kMaxNamedDepth) {
        return typedStreamColor(*value.object, depth + 1, error);
      }
    }
    error = "named colour that carries no colour of its own";
    return std::nullopt;
  }
  numbers.erase(numbers.begin());
  if (auto color = colorFromComponents(space, numbers)) {
    return color;
  }
  error = "colour space " + std::to_string(space) + " without readable components";
  return std::nullopt;
}

}  // namespace

std::vector<std::uint8_t> archivedColorData(const Color& color)
{
  std::string rgb = color.alpha() == 1.0 ? componentText({color.red(), color.green(), color.blue()})
                                         : componentText({color.red(), color.green(), color.blue(), color.alpha()});
  rgb.push_back('\0');

  PlistValue colorObject;
  colorObject.set("NSColorSpace", static_cast<int>(kCalibratedRgb));
  colorObject.set("NSRGB", PlistValue::data(std::string_view(rgb)));
  colorObject.set("$class", PlistValue::uid(2));

  PlistValue classObject;
  classObject.set("$classname", std::string(kColorClass));
  classObject.set("$classes", PlistValue(PlistValue::Array{std::string(kColorClass), "NSObject"}));

  PlistValue top;
  top.set("root", PlistValue::uid(1));

  PlistValue archive;
  archive.set("$version", 100000);
  archive.set("$archiver", "NSKeyedArchiver");
  archive.set("$top", top);
  archive.set("$objects", PlistValue(PlistValue::Array{"$null", colorObject, classObject}));
  // Every part is a plain value, so the writer cannot refuse it.
  return binaryPropertyList(archive).value_or(std::vector<std::uint8_t>{});
}

UnarchivedColor unarchiveColor(std::span<const std::uint8_t> data)
{
  std::string reason;
  const auto archive = readPropertyList(data, &reason);
  if (!archive) {
    return unreadable("not a keyed archive (" + reason + ")");
  }
  const PlistValue* archiver = archive->find("$archiver");
  const PlistValue* objects = archive->find("$objects");
  const PlistValue* top = archive->find("$top");
  if (!archiver || archiver->stringOr() != "NSKeyedArchiver" || !objects || !objects->asArray() || !top) {
    return unreadable("not a keyed archive");
  }
  const KeyedObjects table(*objects->asArray());
  const PlistValue* root = top->find("root");
  if (!root || !root->isUid()) {
    return unreadable("keyed archive without a root object");
  }
  const PlistValue* object = table.resolve(root);
  if (!object) {
    return unreadable("keyed archive whose root names a missing object");
  }
  if (*root->asUid() == 0 || object->stringOr() == "$null") {
    return notAColor("(null)");
  }
  if (!object->isDictionary()) {
    return notAColor(object->description());
  }
  if (!table.isColor(*object)) {
    const auto classes = table.classes(*object);
    return notAColor(classes.empty() ? object->description() : "an object of class " + classes.front());
  }
  std::string error;
  if (auto color = table.color(*object, 0, error)) {
    return found(*color);
  }
  return unreadable(error);
}

UnarchivedColor unarchiveTypedStreamColor(std::span<const std::uint8_t> data)
{
  std::string error;
  const auto root = TypedStreamReader::readRoot(data, error);
  if (!root) {
    return unreadable("not a readable archive (" + error + ")");
  }
  if (!root->object) {
    return notAColor("(null)");
  }
  if (!root->object->isKindOf(std::string(kColorClass))) {
    return notAColor("an object of class " + root->object->classes.front());
  }
  if (auto color = typedStreamColor(*root->object, 0, error)) {
    return found(*color);
  }
  return unreadable(error);
}

}  // namespace pf
