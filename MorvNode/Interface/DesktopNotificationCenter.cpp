#include "MorvNode/Interface/DesktopNotificationCenter.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

std::function<void(const MVUserNotificationCenter::Notification&)>& activationHandler()
{
  static std::function<void(const MVUserNotificationCenter::Notification&)> handler;
  return handler;
}

constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kInterface = "org.freedesktop.Notifications";
constexpr int kSentTimeoutMilliseconds = 5000;

// Asks the file manager to show the file selected; false when none answered.
bool showInFileManager(const QString& path)
{
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                                     "org.freedesktop.FileManager1", "ShowItems");
  call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
  const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, kSentTimeoutMilliseconds);
  return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace

DesktopNotificationCenter::DesktopNotificationCenter(QObject* parent) : QObject(parent)
{
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    return;
  }
  listening_ = bus.connect(kService, kPath, kInterface, "ActionInvoked", this, SLOT(actionInvoked(uint, QString))) &&
               bus.connect(kService, kPath, kInterface, "NotificationClosed", this,
                           SLOT(notificationClosed(uint, uint)));
}

DesktopNotificationCenter::~DesktopNotificationCenter() = default;

void DesktopNotificationCenter::deliverNotification(const Notification& notification)
{
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    FeedbackManager::log("Warning, no desktop session bus for the notification '%@: %@'", notification.title,
                         notification.informativeText);
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, "Notify");
  const QVariantMap hints{{QStringLiteral("suppress-sound"), true},
                          {QStringLiteral("desktop-entry"), QStringLiteral("morvalis")}};
  call << QStringLiteral("Morvalis") << uint{0} << QString() << QString::fromStdString(notification.title)
       << QString::fromStdString(notification.informativeText)
       << QStringList{QStringLiteral("default"), tr("Show in Folder")} << hints << -1;
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kSentTimeoutMilliseconds), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, notification](QDBusPendingCallWatcher* finished) { notificationSent(finished, notification); });
}

void DesktopNotificationCenter::notificationSent(QDBusPendingCallWatcher* watcher, const Notification& notification)
{
  const QDBusPendingReply<uint> reply = *watcher;
  watcher->deleteLater();
  if (reply.isError()) {
    FeedbackManager::log("Warning, the desktop did not show the notification '%@': %@", notification.title,
                         reply.error().message().toStdString());
    return;
  }
  if (listening_) {
    shown_[reply.value()] = notification;
  }
}

void DesktopNotificationCenter::actionInvoked(uint identifier, const QString& actionKey)
{
  (void)actionKey;  // the default action and "Show in Folder" do the same
  const auto found = shown_.find(identifier);
  if (found == shown_.end()) {
    return;  // another program's notification
  }
  const Notification notification = found->second;
  shown_.erase(found);
  if (activationHandler()) {
    activationHandler()(notification);
  } else {
    notificationActivated(notification);
  }
}

void DesktopNotificationCenter::setActivationHandler(std::function<void(const Notification&)> handler)
{
  activationHandler() = std::move(handler);
}

void DesktopNotificationCenter::notificationClosed(uint identifier, uint reason)
{
  (void)reason;
  shown_.erase(identifier);
}

void DesktopNotificationCenter::notificationActivated(const Notification& notification)
{
  const pf::PlistValue* path = notification.userInfo.find("Path");
  if (path == nullptr || path->asString() == nullptr) {
    FeedbackManager::log("ERROR: Notification clicked: %@ no path", notification.title);
    return;
  }
  const QString file = QString::fromStdString(*path->asString());
  if (showInFileManager(file) || QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()))) {
    return;
  }
  FeedbackManager::log("ERROR: Notification clicked: %@ path:%@ but failed to open", notification.title,
                       *path->asString());
}
