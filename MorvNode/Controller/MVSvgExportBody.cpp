#include "MorvNode/Controller/MVSvgExportBody.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementImage.h"
#include "MorvNode/Elements/MVSharedGraphicsStore.h"
#include "MorvNode/Elements/MVSvgWriter.h"
#include "Platform/Base64.h"
#include "Platform/Image.h"
#include "Platform/ImageCodec.h"
#include "Platform/Unicode.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr std::string_view kStoredVectorImageSuffix = "[NSImage]";
constexpr std::size_t kBase64LineLength = 64;
constexpr std::string_view kBackgroundID = "Artboard background";

// The general entities declared in a document type's internal subset, <!ENTITY name "value">
// (or with single quotes); the first declaration of a name binds, as XML has it.
std::map<std::string, std::string, std::less<>> declaredEntities(std::string_view doctype)
{
  std::map<std::string, std::string, std::less<>> entities;
  constexpr std::string_view kDeclaration = "<!ENTITY";
  for (std::size_t at = doctype.find(kDeclaration); at != std::string::npos; at = doctype.find(kDeclaration, at + 1)) {
    const std::size_t nameStart = doctype.find_first_not_of(" \t\r\n", at + kDeclaration.size());
    if (nameStart == std::string::npos || doctype[nameStart] == '%') {
      continue;  // a parameter entity: only used inside the document type
    }
    const std::size_t nameEnd = doctype.find_first_of(" \t\r\n", nameStart);
    const std::size_t quote = nameEnd == std::string::npos ? nameEnd : doctype.find_first_not_of(" \t\r\n", nameEnd);
    if (quote == std::string::npos || (doctype[quote] != '"' && doctype[quote] != '\'')) {
      continue;  // an external entity (SYSTEM or PUBLIC): nothing to write out
    }
    const std::size_t valueEnd = doctype.find(doctype[quote], quote + 1);
    if (valueEnd == std::string::npos) {
      break;
    }
    entities.emplace(std::string(doctype.substr(nameStart, nameEnd - nameStart)),
                     std::string(doctype.substr(quote + 1, valueEnd - quote - 1)));
  }
  return entities;
}

// Replaces the references in text that the parser left as written: character references,
// the five predefined entities and the entities the document declares, which may refer to
// earlier ones. Every byte written and every reference followed counts against one budget for
// the whole file, so nested entities cannot blow a small file up into a huge one.
class EntityExpander {
public:
  EntityExpander(std::map<std::string, std::string, std::less<>> entities, std::size_t budget)
      : entities_(std::move(entities)), budget_(budget)
  {
  }

  // nullopt for a reference to an undeclared entity, a reference loop, or an exhausted budget
  // (then `error` says which).
  std::optional<std::string> expand(std::string_view text)
  {
    std::string out;
    if (!append(text, 0, out)) {
      return std::nullopt;
    }
    return out;
  }

  std::string error;

private:
  static constexpr int kMaxNesting = 16;

  bool spend(std::size_t amount)
  {
    if (amount > budget_) {
      error = "its entities expand beyond the size limit";
      return false;
    }
    budget_ -= amount;
    return true;
  }

  bool append(std::string_view text, int nesting, std::string& out)
  {
    if (nesting > kMaxNesting) {
      error = "its entities refer to each other too deeply";
      return false;
    }
    std::size_t start = 0;
    for (std::size_t amp = text.find('&'); amp != std::string_view::npos; amp = text.find('&', start)) {
      if (!spend(amp - start + 1)) {
        return false;
      }
      out.append(text, start, amp - start);
      const std::size_t semicolon = text.find(';', amp);
      if (semicolon == std::string_view::npos) {
        error = "a reference without its end";
        return false;
      }
      const std::string_view name = text.substr(amp + 1, semicolon - amp - 1);
      start = semicolon + 1;
      if (!name.empty() && name[0] == '#') {
        const bool hex = name.size() > 1 && name[1] == 'x';
        std::uint32_t codePoint = 0;
        const char* first = name.data() + (hex ? 2 : 1);
        const auto result = std::from_chars(first, name.data() + name.size(), codePoint, hex ? 16 : 10);
        if (result.ec != std::errc() || result.ptr != name.data() + name.size() || result.ptr == first) {
          error = "a malformed character reference";
          return false;
        }
        pf::appendCodePoint(out, pf::isXmlCharacter(codePoint) ? codePoint : pf::kReplacementCharacter);
        continue;
      }
      static const std::pair<std::string_view, char> predefined[] = {
          {"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"apos", '\''}, {"quot", '"'}};
      const auto known = std::find_if(std::begin(predefined), std::end(predefined),
                                      [&](const auto& entry) { return entry.first == name; });
      if (known != std::end(predefined)) {
        out += known->second;
        continue;
      }
      const auto declared = entities_.find(name);
      if (declared == entities_.end()) {
        error = "it refers to the undeclared entity '" + std::string(name) + "'";
        return false;
      }
      if (!append(declared->second, nesting + 1, out)) {
        return false;
      }
    }
    if (!spend(text.size() - start)) {
      return false;
    }
    out.append(text, start);
    return true;
  }

  std::map<std::string, std::string, std::less<>> entities_;
  std::size_t budget_;
};

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";
constexpr std::string_view kXlinkNamespace = "http://www.w3.org/1999/xlink";

// A name without a colon as SVG files use them: an ASCII letter or "_", then letters, digits,
// "_", "-" and ".". (XML allows more; nothing SVG draws needs it.)
bool isPlainName(std::string_view name)
{
  const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (name.empty() || !letter(name[0])) {
    return false;
  }
  return std::all_of(name.begin() + 1, name.end(), [&](char c) {
    return letter(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
  });
}

// The prefix (when there is one) and the local part of a qualified name; no local part for a
// name that is not one.
std::pair<std::optional<std::string_view>, std::optional<std::string_view>> qualifiedName(std::string_view name)
{
  const std::size_t colon = name.find(':');
  if (colon == std::string_view::npos) {
    return {std::nullopt, isPlainName(name) ? std::optional(name) : std::nullopt};
  }
  const std::string_view prefix = name.substr(0, colon);
  const std::string_view local = name.substr(colon + 1);
  if (!isPlainName(prefix) || !isPlainName(local)) {
    return {std::nullopt, std::nullopt};
  }
  return {prefix, local};
}

// Stored SVG text takes at most this many bytes more once its entities are expanded.
constexpr std::size_t kMaxEntityExpansion = std::size_t{1} << 20;

// Collects pugixml's output into a string.
struct StringWriter : pugi::xml_writer {
  void write(const void* data, std::size_t size) override { text.append(static_cast<const char*>(data), size); }
  std::string text;
};

// The stored SVG file as a symbol: the file is parsed, and its root element is written back as a
// <symbol> with the symbol's id, its own ids set aside as "id_original" so that they stay out of
// the way of the document's, every text and attribute value expanded and made fit for XML, a
// repeated attribute kept once, and what a namespace-aware reader refuses left out (names that
// are no qualified names, prefixes never declared, reserved namespaces declared again). nullopt when the object is no sound SVG text (`reason` then
// says why when it is worth a log line).
std::optional<std::string> svgTextSymbol(const MVSharedGraphicsStore& store, const std::string& baseName,
                                         const std::string& symbolName, std::string& reason)
{
  const std::optional<MVSharedGraphicObject> object = store.objectNamed(baseName);
  const auto* data = object ? std::get_if<std::shared_ptr<const std::vector<std::uint8_t>>>(&*object) : nullptr;
  if (data == nullptr || *data == nullptr) {
    return std::nullopt;
  }
  const std::string text((*data)->begin(), (*data)->end());
  if (!pf::isValidUTF8(text)) {
    return std::nullopt;
  }
  // References are left as written and expanded below, where the declared entities are known.
  pugi::xml_document document;
  const unsigned options = (pugi::parse_default & ~pugi::parse_escapes) | pugi::parse_doctype;
  if (!document.load_buffer(text.data(), text.size(), options, pugi::encoding_utf8)) {
    return std::nullopt;
  }
  pugi::xml_node root = document.document_element();
  if (!root || pf::lowercased(root.name()) != "svg") {
    return std::nullopt;
  }
  std::string_view doctype;
  for (const pugi::xml_node node : document.children()) {
    if (node.type() == pugi::node_doctype) {
      doctype = node.value();
    }
  }
  EntityExpander expander(declaredEntities(doctype), text.size() + kMaxEntityExpansion);

  // Namespace prefixes in scope; the export's own root binds xlink.
  using Scope = std::vector<std::pair<std::string, std::string>>;
  struct Pending {
    pugi::xml_node node;
    Scope scope;
  };
  std::vector<Pending> pending{{root, {{"xml", std::string(kXmlNamespace)}, {"xlink", std::string(kXlinkNamespace)}}}};
  while (!pending.empty()) {
    Pending item = std::move(pending.back());
    pending.pop_back();
    pugi::xml_node node = item.node;
    if (node.type() == pugi::node_pcdata || node.type() == pugi::node_cdata) {
      std::optional<std::string> value =
          node.type() == pugi::node_pcdata ? expander.expand(node.value()) : std::optional<std::string>(node.value());
      if (!value) {
        reason = expander.error;
        return std::nullopt;
      }
      node.set_value(MVSvgWriter::xmlText(*value).c_str());
      continue;
    }
    if (node.type() != pugi::node_element) {
      continue;
    }
    // Values first, and the element's own namespace declarations.
    struct Attribute {
      pugi::xml_attribute handle;
      std::string name;
      std::string value;
      bool kept = true;
    };
    std::vector<Attribute> attributes;
    Scope& scope = item.scope;
    for (pugi::xml_attribute attribute = node.first_attribute(); attribute; attribute = attribute.next_attribute()) {
      std::optional<std::string> value = expander.expand(attribute.value());
      if (!value) {
        reason = expander.error;
        return std::nullopt;
      }
      Attribute entry{attribute, attribute.name(), MVSvgWriter::xmlText(*value)};
      const auto [prefix, local] = qualifiedName(entry.name);
      if (!local) {
        entry.kept = false;  // no name a namespace-aware reader takes
      } else if (prefix == "xmlns" || (!prefix && *local == "xmlns")) {
        const bool reserved = entry.value == kXmlNamespace || entry.value == kXmlnsNamespace;
        entry.kept = !reserved && (!prefix || (!entry.value.empty() && *local != "xml" && *local != "xmlns"));
        if (entry.kept && prefix) {
          scope.emplace_back(*local, entry.value);
        }
      }
      attributes.push_back(std::move(entry));
    }
    const auto bound = [&scope](std::string_view prefix) -> const std::string* {
      for (auto binding = scope.rbegin(); binding != scope.rend(); ++binding) {
        if (binding->first == prefix) {
          return &binding->second;
        }
      }
      return nullptr;
    };
    const auto [elementPrefix, elementLocal] = qualifiedName(node.name());
    if (!elementLocal || (elementPrefix && (*elementPrefix == "xmlns" || !bound(*elementPrefix)))) {
      node.parent().remove_child(node);  // with what it holds
      continue;
    }
    // Each attribute once, by its name and by the namespace it stands for; the id set aside.
    std::vector<std::string> seen;
    std::optional<std::string> originalID;
    bool hasOriginalID = false;
    for (Attribute& attribute : attributes) {
      if (!attribute.kept) {
        continue;
      }
      const auto [prefix, local] = qualifiedName(attribute.name);
      std::string expanded = attribute.name;
      if (prefix && *prefix != "xmlns") {
        const std::string* uri = bound(*prefix);
        attribute.kept = uri != nullptr;
        expanded = uri ? *uri + "|" + std::string(*local) : expanded;
      }
      if (attribute.kept && std::find(seen.begin(), seen.end(), expanded) != seen.end()) {
        attribute.kept = false;
      }
      if (attribute.kept && attribute.name == "id") {
        originalID = attribute.value;
        attribute.kept = false;
      }
      if (attribute.kept) {
        seen.push_back(expanded);
        hasOriginalID = hasOriginalID || attribute.name == "id_original";
      }
    }
    for (Attribute& attribute : attributes) {
      if (attribute.kept) {
        attribute.handle.set_value(attribute.value.c_str());
      } else {
        node.remove_attribute(attribute.handle);
      }
    }
    if (originalID && !hasOriginalID) {
      node.append_attribute("id_original").set_value(originalID->c_str());
    }
    for (const pugi::xml_node child : node.children()) {
      pending.push_back({child, scope});
    }
  }
  root.set_name("symbol");
  root.prepend_attribute("id").set_value(MVSvgWriter::xmlText(symbolName).c_str());
  StringWriter writer;
  root.print(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
  return writer.text + "\n";
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
         "\" xlink:href=\"data:image/png;base64," + pf::base64Encoded(*png, kBase64LineLength) +
         "\"></image>\n</symbol>\n";
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
         "\" opacity=\"" + n(artboard_.backgroundOpacity) + "\" id=\"" + std::string(kBackgroundID) + "\"/>\n";
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
  std::set<std::string> written;
  for (const std::string& name : names) {
    const std::string symbolName = MVElementImage::svgSymbolNameForImageName(name);
    // Names that differ only in characters a symbol name leaves out, or in bytes that are no
    // text and are written as one replacement character, share one symbol: a second one would
    // repeat its id.
    if (!written.insert(MVSvgWriter::xmlText(symbolName)).second) {
      continue;
    }
    // An image made from stored vector data: the stored file itself when it is SVG text.
    if (name.size() >= kStoredVectorImageSuffix.size() && name.ends_with(kStoredVectorImageSuffix)) {
      const std::string baseName = name.substr(0, name.size() - kStoredVectorImageSuffix.size());
      std::string reason;
      if (std::optional<std::string> symbol = svgTextSymbol(*store_, baseName, symbolName, reason)) {
        definitions += *symbol;
        continue;
      }
      if (!reason.empty()) {
        FeedbackManager::log("Warning, svgSymbolDefinitionsString could not write stored SVG '%@' as SVG: %@",
                             baseName, reason);
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
  // The tree's ids keep clear of the background's and the symbols' ids.
  std::vector<std::string> reserved;
  if (!artboardBackgroundString().empty()) {
    reserved.emplace_back(kBackgroundID);
  }
  if (store_ != nullptr && store_->dictionaryExists() && dynamic_cast<const MVElementGroup*>(output_.get()) != nullptr) {
    for (const std::string& name : output_->namesOfSharedGraphicObjects()) {
      reserved.push_back(MVSvgWriter::escaped(MVElementImage::svgSymbolNameForImageName(name)));
    }
  }
  return MVSvgWriter::svgElementString(*output_, artboard_.renderingScale, reserved);
}
