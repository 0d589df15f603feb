#pragma once

#include <string>

#include <QWidget>

#include "Shared/FeedbackManager/TechnicalInformationReport.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The technical-information window: the report as it is gathered (a busy indicator and
// "loading" label until the last section is in), and buttons that copy it or hand it to the
// desktop's mail program as a `mailto:` link to the support address. Main thread only.
class FeedbackWindow : public QWidget {
  Q_OBJECT

public:
  explicit FeedbackWindow(QWidget* parent = nullptr);
  ~FeedbackWindow() override;

  // Where this machine's report comes from, with the open documents' section.
  static TechnicalInformationReport::Sources defaultSources(std::string customContent);
  // Empties the text, shows the window and starts gathering.
  void openFeedbackDialogue(const QString& title, TechnicalInformationReport::Sources sources);

  // The window's two buttons.
  void copyText();
  void sendEmail();

  QString text() const;
  bool isGathering() const { return report_.isGathering(); }
  QPlainTextEdit* textView() const { return textView_; }
  QLabel* loadingLabel() const { return loadingLabel_; }
  QPushButton* copyButton() const { return copyButton_; }
  QPushButton* emailButton() const { return emailButton_; }

signals:
  // The last section is in.
  void gatheringFinished();

private:
  void updateTextView(const std::string& text, bool finished);

  TechnicalInformationReport report_;
  QPlainTextEdit* textView_ = nullptr;     // child
  QLabel* loadingLabel_ = nullptr;         // child
  QProgressBar* spinner_ = nullptr;        // child
  QPushButton* copyButton_ = nullptr;      // child
  QPushButton* emailButton_ = nullptr;     // child
};
