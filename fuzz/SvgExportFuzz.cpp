// Element trees written as SVG: names of any bytes, every stroke join and cap, nested and
// clipped groups, images whose stored data is SVG text of any content. The input is read as a
// small program: one byte picks what comes next, a length byte and that many bytes give a name
// or the stored file. Whatever is built, the export must be well-formed for a strict reader and
// hold each id once.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <expat.h>

#include "FuzzCheck.h"
#include "MorvNode/Controller/MVSvgExportBody.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementImage.h"
#include "MorvNode/Elements/MVElementPath.h"
#include "MorvNode/Elements/MVSharedGraphicsStore.h"
#include "Platform/Log.h"
#include "Support/StrictXml.h"

namespace {

class Reader {
public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool atEnd() const { return at_ >= size_; }
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::string text()
  {
    std::size_t length = byte();
    if (length == 255) {
      length = std::size_t{byte()} << 8 | byte();  // long texts: stored files
    }
    length = std::min(length, size_ - std::min(at_, size_));
    std::string result(reinterpret_cast<const char*>(data_ + at_), length);
    at_ += length;
    return result;
  }

private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

std::shared_ptr<MVElementPath> square(const std::string& name, Reader& input)
{
  auto element = std::make_shared<MVElementPath>();
  element->setElementName(name);
  element->setCgPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForSquareWithSide(1 + input.byte())));
  element->setFillColor(pf::Color::rgb(1, 0, 0));
  element->setStrokeColor(pf::Color::black());
  element->setStrokeWidth(input.byte() % 4);
  element->setStrokeJoints(input.byte() % 4);
  element->setStrokeEndCap(input.byte() % 4);
  return element;
}

// Collects every id attribute of the document.
void collectIDs(void* userData, const XML_Char*, const XML_Char** attributes)
{
  auto& ids = *static_cast<std::vector<std::string>*>(userData);
  for (const XML_Char** attribute = attributes; *attribute; attribute += 2) {
    if (std::string_view(attribute[0]) == "id") {
      ids.emplace_back(attribute[1]);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  pf::setLogEcho(false);
  Reader input(data, size);
  auto store = std::make_shared<MVSharedGraphicsStore>();
  auto root = std::make_shared<MVElementGroup>();
  root->setElementName("Artboard layers");
  std::vector<std::shared_ptr<MVElementGroup>> groups{root};
  int steps = 0;
  while (!input.atEnd() && ++steps < 200) {
    const std::uint8_t choice = input.byte();
    MVElementGroup& parent = *groups[choice % groups.size()];
    switch ((choice >> 4) % 5) {
    case 0:
      parent.addElementWithoutRecalculatingPivot(square(input.text(), input));
      break;
    case 1: {
      auto group = std::make_shared<MVElementGroup>();
      group->setElementName(input.text());
      if (input.byte() % 2 == 1) {
        group->setClipPath(std::make_shared<const pf::Path>(MVElementPath::cgPathForSquareWithSide(5)));
      }
      parent.addElementWithoutRecalculatingPivot(group);
      groups.push_back(group);
      break;
    }
    case 2: {
      // An image of stored data: SVG text of any content under an "[NSImage]" name.
      const std::string name = input.text();
      store->storeSharedElementGraphicObject(std::make_shared<const std::vector<std::uint8_t>>(
                                                 [&] {
                                                   const std::string file = input.text();
                                                   return std::vector<std::uint8_t>(file.begin(), file.end());
                                                 }()),
                                             name.empty() ? std::string("stored") : name);
      auto image = std::make_shared<MVElementImage>();
      image->setElementName(input.text());
      image->setImageName((name.empty() ? std::string("stored") : name) + "[NSImage]");
      image->setWidth(8);
      image->setHeight(4);
      parent.addElementWithoutRecalculatingPivot(image);
      break;
    }
    case 3: {
      auto base = std::make_shared<MVElement>();
      base->setElementName(input.text());
      parent.addElementWithoutRecalculatingPivot(base);
      break;
    }
    default:
      parent.addElementWithoutRecalculatingPivot(square(input.text(), input));
      break;
    }
  }
  const MVSvgExportBody body(root, store.get(), MVSvgExportBody::Artboard{{200, 100}, 1.0});
  const std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">\n" +
                          body.artboardBackgroundString() + body.symbolDefinitionsString() +
                          body.outputElementString() + "</svg>\n";
  FUZZ_CHECK(testsupport::xmlWellFormednessError(svg).empty());

  // Ids of the export's own elements are unique (the stored files' ids are set aside).
  std::vector<std::string> ids;
  const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreate("UTF-8"),
                                                                            &XML_ParserFree);
  XML_SetUserData(parser.get(), &ids);
  XML_SetStartElementHandler(parser.get(), collectIDs);
  FUZZ_CHECK(XML_Parse(parser.get(), svg.data(), static_cast<int>(svg.size()), XML_TRUE) == XML_STATUS_OK);
  const std::set<std::string> distinct(ids.begin(), ids.end());
  FUZZ_CHECK(distinct.size() == ids.size());
  return 0;
}
