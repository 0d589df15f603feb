#include "MorvNode/Interface/ExportPanelControls.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>

#include "MorvNode/Document/MVDocument.h"
#include "Platform/Numbers.h"

ExportPanelControls::ExportPanelControls(QWidget* panel)
    : pathField(new QLineEdit(panel)), chooseButton(new QPushButton(QObject::tr("Choose..."), panel)),
      pathRow(new QHBoxLayout), scaleToDisplayButton(new QCheckBox(QObject::tr("Scale to display"), panel)),
      sizeXField(new QLineEdit(panel)), sizeYField(new QLineEdit(panel)),
      pixelLabel(new QLabel(QStringLiteral("px"), panel)), sizeRow(new QHBoxLayout),
      matteButton(new QCheckBox(QObject::tr("Matte"), panel)),
      matteLabel(new QLabel(QObject::tr("Background for transparent parts:"), panel)), matteWell(new QPushButton(panel)),
      matteRow(new QHBoxLayout)
{
  pathRow->addWidget(pathField, 1);
  pathRow->addWidget(chooseButton);

  scaleToDisplayButton->setToolTip(QObject::tr("Export at the size the preview shows the artwork"));
  sizeXField->setAccessibleName(QObject::tr("Width"));
  sizeYField->setAccessibleName(QObject::tr("Height"));
  sizeRow->addWidget(sizeXField);
  sizeRow->addWidget(new QLabel(QStringLiteral("x"), panel));
  sizeRow->addWidget(sizeYField);
  sizeRow->addWidget(pixelLabel);

  matteWell->setAccessibleName(QObject::tr("Matte color"));
  matteWell->setFixedWidth(48);
  matteRow->addWidget(matteButton);
  matteRow->addWidget(matteLabel);
  matteRow->addWidget(matteWell);
  matteRow->addStretch(1);

  // A name typed by hand was not asked about.
  QObject::connect(pathField, &QLineEdit::textEdited, panel, [this] { overwriteAsked = false; });
}

QString ExportPanelControls::initialFolder(const MVDocument& document, QStandardPaths::StandardLocation fallback)
{
  QString folder;
  if (const auto& path = document.exportPath()) {
    folder = QString::fromStdString(path->parent_path().string());
  } else if (const auto& file = document.fileURL()) {
    folder = QString::fromStdString(file->parent_path().string());
  }
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
    folder = QStandardPaths::writableLocation(fallback);
  }
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
    folder = QDir::homePath();
  }
  return folder;
}

std::optional<double> ExportPanelControls::typedSize(const QLineEdit& field)
{
  double value = 0.0;
  if (!pf::parseDouble(field.text().toStdString(), value)) {
    return std::nullopt;
  }
  return value;
}

void ExportPanelControls::setFilePath(const QString& path)
{
  pathField->setText(path);
  overwriteAsked = false;
}

void ExportPanelControls::applyFormatExtension(const QString& format)
{
  const QString path = pathField->text();
  const QString wanted = ExportPanelFields::pathWithExtension(path, format);
  if (wanted != path) {
    setFilePath(wanted);
  }
}

std::optional<QString> ExportPanelControls::pathToExport() const
{
  const QString path = filePath().trimmed();
  if (path.isEmpty() || QFileInfo(path).fileName().isEmpty()) {
    return std::nullopt;
  }
  return path;
}
