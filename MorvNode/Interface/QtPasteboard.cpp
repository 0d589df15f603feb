#include "MorvNode/Interface/QtPasteboard.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QString>

#include "Shared/FeedbackManager/FeedbackManager.h"

bool QtPasteboard::setContents(const std::vector<Item>& items)
{
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr || items.empty()) {
    FeedbackManager::log("Error, no clipboard to copy to");
    return false;
  }
  auto* data = new QMimeData;  // the clipboard takes it over
  for (const Item& item : items) {
    data->setData(QString::fromStdString(item.mimeType),
                  QByteArray(reinterpret_cast<const char*>(item.data.data()), static_cast<qsizetype>(item.data.size())));
  }
  clipboard->setMimeData(data);
  return true;
}
