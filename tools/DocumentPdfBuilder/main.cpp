// Lays out one of the application's text documents (the getting-started tips, the manual) as PDF
// pages with Cairo and Pango. Run by the build; the text sources live beside the application's
// resources. Usage: morv_document_pdf INPUT.txt OUTPUT.pdf WIDTH HEIGHT (page size in points).
//
// The source format is line based:
//   "= text"      the document's title (large, centred)
//   "# text"      a heading
//   "## text"     a smaller heading
//   "* text"      a bullet item
//   "----"        starts a new page
//   other lines   paragraph text; lines that follow each other join into one paragraph, and an
//                 empty line ends it
// Text is plain (no markup). Each page gets a footer with its number.
#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr double kMargin = 42.0;  // points on every side
constexpr double kBlockGap = 9.0;  // points between blocks

enum class BlockKind { Title, Heading, Subheading, Bullet, Paragraph, PageBreak };

struct Block {
  BlockKind kind;
  std::string text;
};

std::vector<Block> readBlocks(std::ifstream& input)
{
  std::vector<Block> blocks;
  std::string paragraph;
  auto flush = [&] {
    if (!paragraph.empty()) {
      blocks.push_back({BlockKind::Paragraph, paragraph});
      paragraph.clear();
    }
  };
  std::string line;
  while (std::getline(input, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    if (line.empty()) {
      flush();
    } else if (line.rfind("----", 0) == 0) {
      flush();
      blocks.push_back({BlockKind::PageBreak, {}});
    } else if (line.rfind("= ", 0) == 0) {
      flush();
      blocks.push_back({BlockKind::Title, line.substr(2)});
    } else if (line.rfind("## ", 0) == 0) {
      flush();
      blocks.push_back({BlockKind::Subheading, line.substr(3)});
    } else if (line.rfind("# ", 0) == 0) {
      flush();
      blocks.push_back({BlockKind::Heading, line.substr(2)});
    } else if (line.rfind("* ", 0) == 0) {
      flush();
      blocks.push_back({BlockKind::Bullet, line.substr(2)});
    } else {
      paragraph += paragraph.empty() ? line : " " + line;
    }
  }
  flush();
  return blocks;
}

struct LayoutDeleter {
  void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};
struct FontDeleter {
  void operator()(PangoFontDescription* font) const { pango_font_description_free(font); }
};

class PageWriter {
public:
  PageWriter(cairo_t* context, double width, double height)
    : context_(context)
    , width_(width)
    , height_(height)
  {
  }

  void add(const Block& block)
  {
    if (block.kind == BlockKind::PageBreak) {
      newPage();
      return;
    }
    const bool bullet = block.kind == BlockKind::Bullet;
    const double indent = bullet ? 16.0 : 0.0;
    std::unique_ptr<PangoLayout, LayoutDeleter> layout(pango_cairo_create_layout(context_));
    std::unique_ptr<PangoFontDescription, FontDeleter> font(pango_font_description_from_string(fontFor(block.kind)));
    pango_layout_set_font_description(layout.get(), font.get());
    pango_layout_set_width(layout.get(), static_cast<int>((width_ - 2 * kMargin - indent) * PANGO_SCALE));
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
    if (block.kind == BlockKind::Title) {
      pango_layout_set_alignment(layout.get(), PANGO_ALIGN_CENTER);
    }
    pango_layout_set_text(layout.get(), block.text.c_str(), -1);
    int layoutWidth = 0;
    int layoutHeight = 0;
    pango_layout_get_size(layout.get(), &layoutWidth, &layoutHeight);
    const double blockHeight = static_cast<double>(layoutHeight) / PANGO_SCALE;
    const bool heading = block.kind == BlockKind::Heading || block.kind == BlockKind::Subheading;
    const double before = heading && y_ > kMargin ? kBlockGap : 0.0;
    // A heading keeps at least a line of what follows on its page.
    const double needed = before + blockHeight + (heading ? 40.0 : 0.0);
    if (y_ + needed > height_ - kMargin - 20.0 && y_ > kMargin) {
      newPage();
    } else {
      y_ += before;
    }
    if (heading) {
      cairo_set_source_rgb(context_, 0.16, 0.33, 0.55);
    } else {
      cairo_set_source_rgb(context_, 0.1, 0.1, 0.1);
    }
    cairo_new_path(context_);
    if (bullet) {
      cairo_arc(context_, kMargin + 5.0, y_ + 7.5, 2.5, 0.0, 6.283185307179586);
      cairo_fill(context_);
    }
    cairo_move_to(context_, kMargin + indent, y_);
    pango_cairo_show_layout(context_, layout.get());
    cairo_new_path(context_);
    y_ += blockHeight + (bullet ? kBlockGap / 2 : kBlockGap);
    pageUsed_ = true;
  }

  void finish()
  {
    if (pageUsed_ || page_ == 1) {
      footer();
      cairo_show_page(context_);
    }
  }

private:
  static const char* fontFor(BlockKind kind)
  {
    switch (kind) {
    case BlockKind::Title:
      return "DejaVu Sans Bold 22";
    case BlockKind::Heading:
      return "DejaVu Sans Bold 15";
    case BlockKind::Subheading:
      return "DejaVu Sans Bold 12";
    default:
      return "DejaVu Sans 10.5";
    }
  }

  void footer()
  {
    std::unique_ptr<PangoLayout, LayoutDeleter> layout(pango_cairo_create_layout(context_));
    std::unique_ptr<PangoFontDescription, FontDeleter> font(pango_font_description_from_string("DejaVu Sans 8"));
    pango_layout_set_font_description(layout.get(), font.get());
    pango_layout_set_width(layout.get(), static_cast<int>((width_ - 2 * kMargin) * PANGO_SCALE));
    pango_layout_set_alignment(layout.get(), PANGO_ALIGN_CENTER);
    const std::string text = std::to_string(page_);
    pango_layout_set_text(layout.get(), text.c_str(), -1);
    cairo_set_source_rgb(context_, 0.45, 0.45, 0.45);
    cairo_move_to(context_, kMargin, height_ - kMargin + 8.0);
    pango_cairo_show_layout(context_, layout.get());
  }

  void newPage()
  {
    if (!pageUsed_) {
      return;
    }
    footer();
    cairo_show_page(context_);
    ++page_;
    y_ = kMargin;
    pageUsed_ = false;
  }

  cairo_t* context_;
  double width_;
  double height_;
  double y_ = kMargin;
  int page_ = 1;
  bool pageUsed_ = false;
};

}  // namespace

int main(int argc, char* argv[])
{
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s INPUT.txt OUTPUT.pdf WIDTH HEIGHT\n", argv[0]);
    return 2;
  }
  std::ifstream input(argv[1]);
  if (!input) {
    std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
    return 1;
  }
  const double width = std::atof(argv[3]);
  const double height = std::atof(argv[4]);
  if (!(width > 2 * kMargin + 50.0) || !(height > 2 * kMargin + 50.0)) {
    std::fprintf(stderr, "%s: page size %s x %s is too small\n", argv[0], argv[3], argv[4]);
    return 2;
  }
  const std::vector<Block> blocks = readBlocks(input);
  cairo_surface_t* surface = cairo_pdf_surface_create(argv[2], width, height);
  cairo_t* context = cairo_create(surface);
  {
    PageWriter writer(context, width, height);
    for (const Block& block : blocks) {
      writer.add(block);
    }
    writer.finish();
  }
  cairo_destroy(context);
  cairo_surface_finish(surface);
  const cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "%s: writing %s failed: %s\n", argv[0], argv[2], cairo_status_to_string(status));
    return 1;
  }
  return 0;
}
