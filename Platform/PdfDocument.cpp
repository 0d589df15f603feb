#include "Platform/PdfDocument.h"

#include <poppler.h>

#include "Platform/Log.h"

namespace pf {

namespace {

struct BytesDeleter {
  void operator()(GBytes* bytes) const { g_bytes_unref(bytes); }
};
struct ErrorDeleter {
  void operator()(GError* error) const { g_error_free(error); }
};
struct PageDeleter {
  void operator()(PopplerPage* page) const { g_object_unref(page); }
};

}  // namespace

void PdfDocument::DocumentDeleter::operator()(PopplerDocument* document) const
{
  g_object_unref(document);
}

struct PdfDocument::Key {};

PdfDocument::PdfDocument(const Key&) {}

PdfDocument::~PdfDocument() = default;

std::shared_ptr<const PdfDocument> PdfDocument::fromData(std::span<const std::uint8_t> bytes)
{
  if (bytes.empty()) {
    log("Error, PDF data empty");
    return nullptr;
  }
  auto result = std::make_shared<PdfDocument>(Key{});
  result->data_.assign(bytes.begin(), bytes.end());
  // poppler keeps the GBytes; it refers to data_ without copying, and data_ outlives it.
  std::unique_ptr<GBytes, BytesDeleter> wrapped(g_bytes_new_static(result->data_.data(), result->data_.size()));
  GError* rawError = nullptr;
  result->document_.reset(poppler_document_new_from_bytes(wrapped.get(), nullptr, &rawError));
  std::unique_ptr<GError, ErrorDeleter> error(rawError);
  if (!result->document_) {
    log("Error, PDF data unreadable: %@", error && error->message ? error->message : "unknown error");
    return nullptr;
  }
  const int pages = poppler_document_get_n_pages(result->document_.get());
  for (int i = 0; i < pages; ++i) {
    std::unique_ptr<PopplerPage, PageDeleter> page(poppler_document_get_page(result->document_.get(), i));
    double width = 0.0;
    double height = 0.0;
    if (page) {
      poppler_page_get_size(page.get(), &width, &height);
    }
    result->pageSizes_.emplace_back(width, height);
  }
  if (result->pageSizes_.empty()) {
    log("Error, PDF data has no pages");
    return nullptr;
  }
  return result;
}

std::optional<Size> PdfDocument::pageSize(int pageIndex) const
{
  if (pageIndex < 0 || pageIndex >= pageCount()) {
    return std::nullopt;
  }
  return pageSizes_[static_cast<std::size_t>(pageIndex)];
}

bool PdfDocument::renderPage(int pageIndex, cairo_t* context) const
{
  if (pageIndex < 0 || pageIndex >= pageCount()) {
    return false;
  }
  std::lock_guard lock(mutex_);
  std::unique_ptr<PopplerPage, PageDeleter> page(poppler_document_get_page(document_.get(), pageIndex));
  if (!page) {
    return false;
  }
  poppler_page_render(page.get(), context);
  return true;
}

}  // namespace pf
