#pragma once

#include <functional>
#include <map>

#include <QObject>
#include <QString>

#include "MorvNode/Document/MVUserNotificationCenter.h"

class QDBusPendingCallWatcher;

// The core's notifications as desktop notifications through D-Bus
// (org.freedesktop.Notifications), each with a default action. Clicking one that names a file
// ("Path") shows the file selected in the file manager (org.freedesktop.FileManager1), or opens
// its folder when no file manager answers. Without a session bus or notification service the
// notification is only logged. Main thread only.
class DesktopNotificationCenter final : public QObject, public MVUserNotificationCenter {
  Q_OBJECT

public:
  explicit DesktopNotificationCenter(QObject* parent = nullptr);
  ~DesktopNotificationCenter() override;

  void deliverNotification(const Notification& notification) override;
  // What a click on a notification does with its user information.
  static void notificationActivated(const Notification& notification);
  // Who hears of a click instead (the application's panels, which pass notifications with user
  // information on to notificationActivated); empty: notificationActivated.
  static void setActivationHandler(std::function<void(const Notification&)> handler);

private Q_SLOTS:
  // The service's signals, for every notification on the desktop.
  void actionInvoked(uint identifier, const QString& actionKey);
  void notificationClosed(uint identifier, uint reason);

private:
  void notificationSent(QDBusPendingCallWatcher* watcher, const Notification& notification);

  std::map<uint, Notification> shown_;  // by the service's identifier, until closed
  bool listening_ = false;
};
