#pragma once

#include <memory>

#include <QDialog>
#include <QImage>

class QCheckBox;
class QLabel;
class QPushButton;

namespace pf {
class PdfDocument;
}

// The getting-started tips: one page of the tips document at a time (drawn through poppler and
// Cairo into an image), "Page %ld / %ld", previous and next buttons that wrap around, and a check
// box that mirrors "Quick Tips Show At Startup 3". The current page is kept in "Quick Tips
// Current Page 3" (zero-based). The document is loaded on first use and kept. Main thread only.
class GettingStartedPanel : public QDialog {
  Q_OBJECT

public:
  explicit GettingStartedPanel(QWidget* parent = nullptr);
  ~GettingStartedPanel() override;

  // Loads the document when needed, clamps the stored page (out of range: the first page) and
  // shows it; logs and shows nothing when the document cannot be loaded.
  void gettingStartedUpdateImage();
  // The previous page for the previous button, the next for any other sender, wrapping.
  void gettingStartedNext(bool previous);
  void gettingStartedChangeShowSetting();
  // Centres the panel, shows the current page and brings it to the front.
  void openQuickHelp();

  int pageCount() const;
  const QImage& pageImage() const { return pageImage_; }
  QLabel* pageLabel() const { return pageLabel_; }
  QPushButton* nextButton() const { return nextButton_; }
  QPushButton* previousButton() const { return previousButton_; }
  QCheckBox* showAtStartupButton() const { return showAtStartupButton_; }

  static constexpr const char* kShowAtStartupKey = "Quick Tips Show At Startup 3";
  static constexpr const char* kCurrentPageKey = "Quick Tips Current Page 3";
  static constexpr const char* kDocumentName = "Getting started Morvalis 3.pdf";

private:
  QImage renderPage(int pageIndex) const;

  std::shared_ptr<const pf::PdfDocument> document_;
  QImage pageImage_;
  QLabel* imageView_ = nullptr;    // child
  QLabel* pageLabel_ = nullptr;    // child
  QPushButton* nextButton_ = nullptr;      // child
  QPushButton* previousButton_ = nullptr;  // child
  QCheckBox* showAtStartupButton_ = nullptr;  // child
};
