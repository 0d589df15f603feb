#include "MorvNode/Interface/ExportPanelFields.h"

#include <QColorDialog>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include "Platform/Numbers.h"

namespace {

QColor qColor(const pf::Color& color)
{
  return QColor::fromRgbF(static_cast<float>(color.red()), static_cast<float>(color.green()),
                          static_cast<float>(color.blue()), static_cast<float>(color.alpha()));
}

}  // namespace

QString ExportPanelFields::sizeText(double value)
{
  return QString::fromStdString(pf::formatG(value, 10));
}

void ExportPanelFields::showMatteColor(QWidget& well, const std::optional<pf::Color>& color)
{
  if (color) {
    well.setStyleSheet(QStringLiteral("background-color: %1;").arg(qColor(*color).name()));
  }
}

std::optional<pf::Color> ExportPanelFields::askForMatteColor(QWidget* parent, const std::optional<pf::Color>& current)
{
  const QColor initial = current ? qColor(*current) : QColor(Qt::white);
  const QColor chosen = QColorDialog::getColor(initial, parent, QObject::tr("Matte color"));
  if (!chosen.isValid()) {
    return std::nullopt;
  }
  float red = 0;
  float green = 0;
  float blue = 0;
  float alpha = 0;
  chosen.getRgbF(&red, &green, &blue, &alpha);
  return pf::Color::rgb(red, green, blue, alpha);
}

QString ExportPanelFields::pathWithExtension(const QString& path, const QString& format)
{
  if (path.isEmpty()) {
    return path;
  }
  const QFileInfo info(path);
  const QString base = info.completeSuffix().isEmpty() ? info.fileName() : info.completeBaseName();
  return QDir(info.path()).filePath(base + QStringLiteral(".") + format);
}

bool ExportPanelFields::confirmReplacing(QWidget* parent, const QString& title, const QString& path)
{
  if (!QFileInfo::exists(path)) {
    return true;
  }
  QMessageBox question(QMessageBox::Question, title,
                       QObject::tr("\"%1\" already exists. Do you want to replace it?").arg(QFileInfo(path).fileName()),
                       QMessageBox::Cancel, parent);
  QPushButton* replace = question.addButton(QObject::tr("Replace"), QMessageBox::AcceptRole);
  question.setDefaultButton(QMessageBox::Cancel);
  question.exec();
  return question.clickedButton() == replace;
}
