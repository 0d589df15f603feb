#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "Platform/Size.h"

typedef struct _cairo cairo_t;
typedef struct _PopplerDocument PopplerDocument;

namespace pf {

// A PDF file opened through poppler, whose pages are drawn as vectors into a drawing context
// (DrawingContext::drawPdfPage). Immutable once loaded and shared through
// std::shared_ptr<const PdfDocument>; drawing is serialised by an internal lock, so several
// rendering threads may draw the same document.
class PdfDocument {
public:
  // Copies the bytes; nullptr (logged) when poppler cannot open them or there is no page.
  static std::shared_ptr<const PdfDocument> fromData(std::span<const std::uint8_t> bytes);

  struct Key;  // only fromData makes documents
  explicit PdfDocument(const Key&);
  ~PdfDocument();
  PdfDocument(const PdfDocument&) = delete;
  PdfDocument& operator=(const PdfDocument&) = delete;

  int pageCount() const { return static_cast<int>(pageSizes_.size()); }
  // A page's size in points; nullopt for an index out of range (0-based).
  std::optional<Size> pageSize(int pageIndex) const;
  // The file's bytes, as loaded.
  const std::vector<std::uint8_t>& data() const { return data_; }

  // Draws the page into `context` in page space: points, y-down from the page's top-left, as
  // the context's transformation maps it. False for an index out of range.
  bool renderPage(int pageIndex, cairo_t* context) const;

private:
  struct DocumentDeleter {
    void operator()(PopplerDocument* document) const;
  };

  std::vector<std::uint8_t> data_;  // poppler reads these bytes in place
  std::vector<Size> pageSizes_;
  // Declared after data_: destroyed first.
  std::unique_ptr<PopplerDocument, DocumentDeleter> document_;
  mutable std::mutex mutex_;  // poppler documents are not safe for concurrent use
};

}  // namespace pf
