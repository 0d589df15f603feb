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

std::vector<std::string> QtPasteboard::types() const
{
  const QClipboard* clipboard = QGuiApplication::clipboard();
  const QMimeData* data = clipboard != nullptr ? clipboard->mimeData() : nullptr;
  std::vector<std::string> types;
  if (data != nullptr) {
    for (const QString& format : data->formats()) {
      types.push_back(format.toStdString());
    }
  }
  return types;
}

std::optional<std::vector<std::uint8_t>> QtPasteboard::dataForType(const std::string& mimeType) const
{
  const QClipboard* clipboard = QGuiApplication::clipboard();
  const QMimeData* data = clipboard != nullptr ? clipboard->mimeData() : nullptr;
  const QString format = QString::fromStdString(mimeType);
  if (data == nullptr || !data->hasFormat(format)) {
    return std::nullopt;
  }
  const QByteArray bytes = data->data(format);
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}
