#include "Platform/PdfDocument.h"

#include <poppler.h>

#include "Platform/Log.h"
#include "Platform/SharedLibrary.h"

#ifndef MORV_POPPLER_GLIB_LIBRARY
#define MORV_POPPLER_GLIB_LIBRARY "libpoppler-glib.so"
#endif

namespace pf {

namespace {

// poppler is loaded when the first PDF is opened, not at start (see SharedLibrary). Each
// function this file calls is a pointer of the function's own name in this namespace: it hides
// the library's declaration here, so the code below calls poppler as usual, through the pointer.
// They are set once by bindPoppler() and only read after it returned true. (GLib's own
// functions are bound at start: the text layout needs GLib anyway.)
#define MORV_POPPLER_FUNCTIONS(X)                                                                                     \
  X(poppler_document_new_from_bytes) X(poppler_document_get_n_pages) X(poppler_document_get_page)                  \
  X(poppler_page_get_size) X(poppler_page_render)

#define MORV_DECLARE_FUNCTION(name) decltype(&::name) name = nullptr;
MORV_POPPLER_FUNCTIONS(MORV_DECLARE_FUNCTION)
#undef MORV_DECLARE_FUNCTION

// The poppler this was built with, by the name it is installed under (its SONAME), else by the
// development link; once per process, false (logged) when it is missing.
bool bindPoppler()
{
  static const bool bound = [] {
    static SharedLibrary poppler({MORV_POPPLER_GLIB_LIBRARY, "libpoppler-glib.so"}, "PDF import (poppler)");
    if (!poppler.isLoaded()) {
      return false;
    }
    bool complete = true;
#define MORV_BIND_FUNCTION(name) complete = poppler.bind(name, #name) && complete;
    MORV_POPPLER_FUNCTIONS(MORV_BIND_FUNCTION)
#undef MORV_BIND_FUNCTION
    return complete;
  }();
  return bound;
}

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
  if (!bindPoppler()) {
    log("Error, PDF data unreadable: poppler cannot be loaded");
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
