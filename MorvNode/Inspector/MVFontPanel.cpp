#include "MorvNode/Inspector/MVFontPanel.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QListWidget>
#include <QPointer>
#include <QRawFont>
#include <QVBoxLayout>

namespace {

QPointer<MVFontPanel>& sharedPanel()
{
  // Never destroyed: the application's post routine may read it after static destructors ran.
  static auto* panel = new QPointer<MVFontPanel>();
  return *panel;
}

void deleteSharedPanel()
{
  delete sharedPanel().data();
}

quint16 bigEndian16(const QByteArray& data, qsizetype at)
{
  return static_cast<quint16>((static_cast<quint8>(data[at]) << 8) | static_cast<quint8>(data[at + 1]));
}

// Name 6 (the PostScript name) of an OpenType 'name' table: the Windows record (UTF-16BE)
// first, else the Macintosh one (Roman); "" when the table has none or is cut short.
std::string postScriptNameFromNameTable(const QByteArray& table)
{
  if (table.size() < 6) {
    return {};
  }
  const quint16 count = bigEndian16(table, 2);
  const quint16 storage = bigEndian16(table, 4);
  std::string macintosh;
  for (quint16 record = 0; record < count; ++record) {
    const qsizetype at = 6 + static_cast<qsizetype>(record) * 12;
    if (at + 12 > table.size()) {
      break;
    }
    const quint16 platform = bigEndian16(table, at);
    const quint16 nameId = bigEndian16(table, at + 6);
    const quint16 length = bigEndian16(table, at + 8);
    const quint16 offset = bigEndian16(table, at + 10);
    const qsizetype start = static_cast<qsizetype>(storage) + offset;
    if (nameId != 6 || start + length > table.size()) {
      continue;
    }
    if (platform == 3) {
      QString name;
      for (qsizetype index = start; index + 1 < start + length; index += 2) {
        name.append(QChar(bigEndian16(table, index)));
      }
      return name.toStdString();
    }
    if (platform == 1 && macintosh.empty()) {
      macintosh = table.mid(start, length).toStdString();
    }
  }
  return macintosh;
}

}  // namespace

MVFontPanel* MVFontPanel::sharedFontPanel()
{
  QPointer<MVFontPanel>& panel = sharedPanel();
  if (panel.isNull()) {
    qAddPostRoutine(deleteSharedPanel);
    panel = new MVFontPanel;
  }
  return panel.data();
}

MVFontPanel* MVFontPanel::existingFontPanel()
{
  return sharedPanel().data();
}

MVFontPanel::MVFontPanel()
{
  setWindowTitle(tr("Fonts"));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  familyBox_ = new QFontComboBox(this);
  faceList_ = new QListWidget(this);
  layout->addWidget(familyBox_);
  layout->addWidget(faceList_);
  resize(260, 320);
  connect(familyBox_, &QFontComboBox::currentFontChanged, this, [this](const QFont& font) { fillFaces(font.family()); });
  connect(faceList_, &QListWidget::currentTextChanged, this, [this](const QString& style) {
    if (!filling_ && !style.isEmpty()) {
      chooseFace(familyBox_->currentFont().family(), style);
    }
  });
}

void MVFontPanel::fillFaces(const QString& family)
{
  filling_ = true;
  faceList_->clear();
  faceList_->addItems(QFontDatabase::styles(family));
  filling_ = false;
}

std::string MVFontPanel::postScriptNameOfFace(const QString& family, const QString& style)
{
  QFont font(family);
  font.setStyleName(style);
  const QRawFont raw = QRawFont::fromFont(font);
  if (!raw.isValid()) {
    return {};
  }
  return postScriptNameFromNameTable(raw.fontTable("name"));
}

void MVFontPanel::chooseFace(const QString& family, const QString& style)
{
  if (!chosen_) {
    return;
  }
  const std::string name = postScriptNameOfFace(family, style);
  if (!name.empty()) {
    chosen_(name);
  }
}

void MVFontPanel::openFor(const void* owner, const std::string& familyName, const std::string& postScriptName,
                          FaceChosen chosen)
{
  owner_ = owner;
  chosen_ = std::move(chosen);
  const QString family = QString::fromStdString(familyName);
  {
    const QSignalBlocker quiet(familyBox_);
    familyBox_->setCurrentFont(QFont(family));
  }
  fillFaces(family);
  filling_ = true;
  for (int row = 0; row < faceList_->count(); ++row) {
    if (postScriptNameOfFace(family, faceList_->item(row)->text()) == postScriptName) {
      faceList_->setCurrentRow(row);
      break;
    }
  }
  filling_ = false;
  show();
  raise();
  activateWindow();
}

void MVFontPanel::release(const void* owner)
{
  if (owner_ == owner) {
    owner_ = nullptr;
    chosen_ = nullptr;
  }
}

bool MVFontPanel::event(QEvent* event)
{
  // Clicking elsewhere closes the panel.
  if (event->type() == QEvent::WindowDeactivate && isVisible()) {
    hide();
  }
  return QDialog::event(event);
}
