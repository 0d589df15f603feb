#include "MorvNode/Controller/MVSvgExportBody.h"

#include <cmath>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementImage.h"
#include "MorvNode/Elements/MVSharedGraphicsStore.h"
#include "MorvNode/Elements/MVSvgWriter.h"
#include "Platform/Image.h"
#include "Platform/ImageCodec.h"
#include "Platform/Unicode.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr std::string_view kStoredVectorImageSuffix = "[NSImage]";
constexpr std::size_t kBase64LineLength = 64;

void replaceAll(std::string& text, std::string_view from, std::string_view to)
{
  for (std::size_t found = text.find(from); found != std::string::npos; found = text.find(from, found + to.size())) {
    text.replace(found, from.size(), to);
  }
}

// Base64 in lines of 64 characters, each ended by a line feed.
std::string base64Lines(const std::vector<std::uint8_t>& bytes)
{
  static constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string encoded;
  encoded.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t left = bytes.size() - i;
    const std::uint32_t n = (std::uint32_t{bytes[i]} << 16) | (left > 1 ? std::uint32_t{bytes[i + 1]} << 8 : 0) |
                            (left > 2 ? std::uint32_t{bytes[i + 2]} : 0);
    encoded += alphabet[(n >> 18) & 63];
    encoded += alphabet[(n >> 12) & 63];
    encoded += left > 1 ? alphabet[(n >> 6) & 63] : '=';
    encoded += left > 2 ? alphabet[n & 63] : '=';
  }
  std::string lines;
  lines.reserve(encoded.size() + encoded.size() / kBase64LineLength + 1);
  for (std::size_t start = 0; start < encoded.size(); start += kBase64LineLength) {
    lines.append(encoded, start, kBase64LineLength);
    lines += '\n';
  }
  return lines;
}

// The first "<svg" at or after `from` that opens an svg element: followed by a blank, line
// break, tab, ">" or "/" (editors commonly break the line after "<svg").
std::size_t findSvgOpening(const std::string& text, std::size_t from)
{
  for (std::size_t found = text.find("<svg", from); found != std::string::npos; found = text.find("<svg", found + 4)) {
    const char next = found + 4 < text.size() ? text[found + 4] : '\0';
    if (next == ' ' || next == '\n' || next == '\r' || next == '\t' || next == '>' || next == '/') {
      return found;
    }
  }
  return std::string::npos;
}

// The general entities declared in a document type's internal subset, <!ENTITY name "value">
// (or with single quotes), in the order declared.
std::vector<std::pair<std::string, std::string>> declaredEntities(const std::string& prolog)
{
  std::vector<std::pair<std::string, std::string>> entities;
  constexpr std::string_view kDeclaration = "<!ENTITY";
  for (std::size_t at = prolog.find(kDeclaration); at != std::string::npos; at = prolog.find(kDeclaration, at + 1)) {
    const std::size_t nameStart = prolog.find_first_not_of(" \t\r\n", at + kDeclaration.size());
    if (nameStart == std::string::npos || prolog[nameStart] == '%') {
      continue;  // a parameter entity: only used inside the document type
    }
    const std::size_t nameEnd = prolog.find_first_of(" \t\r\n", nameStart);
    const std::size_t quote = nameEnd == std::string::npos ? nameEnd : prolog.find_first_not_of(" \t\r\n", nameEnd);
    if (quote == std::string::npos || (prolog[quote] != '"' && prolog[quote] != '\'')) {
      continue;  // an external entity (SYSTEM or PUBLIC): nothing to write out
    }
    const std::size_t valueEnd = prolog.find(prolog[quote], quote + 1);
    if (valueEnd == std::string::npos) {
      break;
    }
    entities.emplace_back(prolog.substr(nameStart, nameEnd - nameStart),
                          prolog.substr(quote + 1, valueEnd - quote - 1));
  }
  return entities;
}

// The stored SVG file as a symbol: its root element renamed, its own ids kept out of the way of
// the document's. nullopt when the object is no SVG text.
std::optional<std::string> svgTextSymbol(const MVSharedGraphicsStore& store, const std::string& baseName,
                                         const std::string& symbolName)
{
  const std::optional<MVSharedGraphicObject> object = store.objectNamed(baseName);
  const auto* data = object ? std::get_if<std::shared_ptr<const std::vector<std::uint8_t>>>(&*object) : nullptr;
  if (data == nullptr || *data == nullptr) {
    return std::nullopt;
  }
  std::string text((*data)->begin(), (*data)->end());
  if (!pf::isValidUTF8(text)) {
    return std::nullopt;
  }
  replaceAll(text, "<SVG", "<svg");
  replaceAll(text, "</SVG", "</svg");
  const std::size_t start = findSvgOpening(text, 0);
  if (start == std::string::npos || text.find("</svg>") == std::string::npos) {
    return std::nullopt;
  }
  const std::vector<std::pair<std::string, std::string>> entities = declaredEntities(text.substr(0, start));
  text.erase(0, start);
  // The document type is cut off with the prolog: its entities are written out in place, or
  // every strict reader would reject the export for an undefined entity.
  for (const auto& [name, value] : entities) {
    replaceAll(text, "&" + name + ";", value);
  }
  replaceAll(text, "id=\"", "id_original=\"");
  const std::string opening = "<symbol id=\"" + MVSvgWriter::escaped(symbolName) + "\" ";
  for (std::size_t found = findSvgOpening(text, 0); found != std::string::npos;
       found = findSvgOpening(text, found + opening.size())) {
    // "<svg " with its blank, or "<svg" before a line break, tab, ">" or "/".
    text.replace(found, text[found + 4] == ' ' ? 5 : 4, opening);
  }
  replaceAll(text, "</svg>", "</symbol>");
  return text;
}

// The image drawn at its own size, as PNG data inside a symbol; nullopt (logged by the codecs)
// when it cannot be drawn or encoded.
std::optional<std::string> pngSymbol(const pf::Image& image, const std::string& symbolName)
{
  const std::optional<pf::Bitmap> bitmap = image.renderedBitmap(1.0);
  if (!bitmap) {
    return std::nullopt;
  }
  const std::optional<std::vector<std::uint8_t>> png = pf::encodePng(*bitmap);
  if (!png) {
    return std::nullopt;
  }
  const auto n = MVSvgWriter::number;
  const pf::Size size = image.size();
  return "<symbol id='" + MVSvgWriter::escaped(symbolName) + "' viewBox='0 0 " + n(size.width) + " " + n(size.height) +
         "'>\n<image width=\"" + n(size.width) + "\" height=\"" + n(size.height) +
         "\" xlink:href=\"data:image/png;base64," + base64Lines(*png) + "\"></image>\n</symbol>\n";
}

}  // namespace

std::string MVSvgExportBody::artboardBackgroundString() const
{
  if (!(artboard_.backgroundOpacity > 0) || !artboard_.drawBackground) {
    return {};
  }
  const auto n = MVSvgWriter::number;
  return "<rect x=\"0\" y=\"0\" width=\"" + n(artboard_.size.width * artboard_.renderingScale) + "\" height=\"" +
         n(artboard_.size.height * artboard_.renderingScale) + "\" fill=\"" + MVSvgWriter::rgb(artboard_.backgroundColor) +
         "\" opacity=\"" + n(artboard_.backgroundOpacity) + "\" id=\"Artboard background\"/>\n";
}

std::string MVSvgExportBody::symbolDefinitionsString() const
{
  if (store_ == nullptr || !store_->dictionaryExists() || dynamic_cast<const MVElementGroup*>(output_.get()) == nullptr) {
    return {};
  }
  const std::vector<std::string> names = output_->namesOfSharedGraphicObjects();
  if (names.empty()) {
    return {};
  }
  std::string definitions = "<defs>\n";
  for (const std::string& name : names) {
    const std::string symbolName = MVElementImage::svgSymbolNameForImageName(name);
    // An image made from stored vector data: the stored file itself when it is SVG text.
    if (name.size() >= kStoredVectorImageSuffix.size() && name.ends_with(kStoredVectorImageSuffix)) {
      const std::string baseName = name.substr(0, name.size() - kStoredVectorImageSuffix.size());
      if (std::optional<std::string> symbol = svgTextSymbol(*store_, baseName, symbolName)) {
        definitions += *symbol;
        continue;
      }
    }
    // Pixel and PDF images, and stored data that is no SVG text, as the picture drawing shows.
    const std::shared_ptr<const pf::Image> image = store_->sharedElementImageNamed(name);
    if (image == nullptr) {
      continue;
    }
    if (std::optional<std::string> symbol = pngSymbol(*image, symbolName)) {
      definitions += *symbol;
    } else {
      FeedbackManager::log("Warning, svgSymbolDefinitionsString could not write image '%@' as PNG", name);
    }
  }
  definitions += "</defs>\n";
  return definitions;
}

std::string MVSvgExportBody::outputElementString() const
{
  if (output_ == nullptr) {
    return {};
  }
  return MVSvgWriter::svgElementString(*output_, artboard_.renderingScale);
}
