#include "MorvNode/Interface/FeedbackWindow.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

#include "MorvNode/Document/MVApplicationResources.h"
#include "MorvNode/Interface/ApplicationPanels.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// "mailto:" to the support address with the subject and, when given, the body; every field
// percent-encoded.
QUrl mailLink(const QString& subject, const QString& body)
{
  QByteArray link = QByteArray("mailto:") + TechnicalInformationReport::kSupportAddress;
  link += "?subject=" + QUrl::toPercentEncoding(subject);
  link += "&body=" + QUrl::toPercentEncoding(body);
  return QUrl::fromEncoded(link, QUrl::StrictMode);
}

}  // namespace

FeedbackWindow::FeedbackWindow(QWidget* parent)
  : QWidget(parent, Qt::Window)
{
  resize(640, 520);
  auto* layout = new QVBoxLayout(this);
  auto* status = new QHBoxLayout;
  spinner_ = new QProgressBar;
  spinner_->setRange(0, 0);
  spinner_->setMaximumWidth(120);
  loadingLabel_ = new QLabel(tr("Gathering technical information..."));
  status->addWidget(spinner_);
  status->addWidget(loadingLabel_, 1);
  layout->addLayout(status);
  textView_ = new QPlainTextEdit;
  textView_->setReadOnly(true);
  textView_->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(textView_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  copyButton_ = new QPushButton(tr("Copy"));
  emailButton_ = new QPushButton(tr("Send e-mail"));
  buttons->addWidget(copyButton_);
  buttons->addWidget(emailButton_);
  layout->addLayout(buttons);
  connect(copyButton_, &QPushButton::clicked, this, [this] { copyText(); });
  connect(emailButton_, &QPushButton::clicked, this, [this] { sendEmail(); });
}

FeedbackWindow::~FeedbackWindow() = default;

TechnicalInformationReport::Sources FeedbackWindow::defaultSources(std::string customContent)
{
  TechnicalInformationReport::Sources sources;
  sources.appName = "Morvalis";
  sources.appVersion = MVApplicationResources::applicationVersion();
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen == nullptr) {
      sources.screens += " [unknown screen]";
      continue;
    }
    const QSize size = screen->size();
    const double ratio = screen->devicePixelRatio();
    sources.screens += ratio != 1.0 ? QStringLiteral(" [%1x%2 X%3]").arg(size.width()).arg(size.height()).arg(ratio).toStdString()
                                    : QStringLiteral(" [%1x%2]").arg(size.width()).arg(size.height()).toStdString();
  }
  sources.customContent = std::move(customContent);
  sources.installationFolder = MVApplicationResources::applicationFolder();
  sources.resourcesFound = MVApplicationResources::pathForResource("Default.mvdx").has_value();
  const pf::PlistValue log = pf::UserDefaults::standard().objectForKey(FeedbackManager::kLogArrayKey);
  if (const pf::PlistValue::Array* entries = log.asArray()) {
    sources.logEntries = *entries;
  }
  return sources;
}

void FeedbackWindow::openFeedbackDialogue(const QString& title, TechnicalInformationReport::Sources sources)
{
  setWindowTitle(title);
  textView_->clear();
  loadingLabel_->show();
  spinner_->show();
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  show();
  raise();
  activateWindow();
  report_.start(std::move(sources), [this](const std::string& text, bool finished) { updateTextView(text, finished); });
}

void FeedbackWindow::updateTextView(const std::string& text, bool finished)
{
  textView_->setPlainText(QString::fromStdString(text));
  if (finished) {
    loadingLabel_->hide();
    spinner_->hide();
    emit gatheringFinished();
  }
}

QString FeedbackWindow::text() const
{
  return textView_->toPlainText();
}

void FeedbackWindow::copyText()
{
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText(text());
  if (clipboard->text() != text()) {
    FeedbackManager::showNSAlert("Error",
                                 "Could not put the text on the pasteboard for some reason. Try selecting and copying "
                                 "it instead.");
  }
}

void FeedbackWindow::sendEmail()
{
  const QString body = QString::fromStdString(TechnicalInformationReport::mailBody(text().toStdString()));
  if (ApplicationPanels::openUrl(mailLink(windowTitle(), body))) {
    return;
  }
  ApplicationPanels::openUrl(mailLink(windowTitle(), QStringLiteral("[paste in the technical information here]")));
}
