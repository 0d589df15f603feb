#include <QAction>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "MorvNode/Inspector/MVParameterFileView.h"
#include "MorvNode/Inspector/MVParameterGraphicsLayerView.h"
#include "MorvNode/Inspector/MVParameterGraphicsView.h"
#include "MorvNode/Model/MVParameterFile.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "ParameterRowTestSupport.h"
#include "Shared/ODDropView/ODDropView.h"

namespace {

class FileAndGraphicsRowsTest : public ParameterRowTest {
protected:
  // A file in the test's temporary folder.
  static QString temporaryFile(const QString& name) { return QDir(QString::fromStdString(::testing::TempDir())).filePath(name); }
};

TEST_F(FileAndGraphicsRowsTest, DroppedAndBrowsedFilesReachTheParameter)
{
  MVParameterFile* file = nullptr;
  auto* row = addRow<MVParameterFile, MVParameterFileView>(MVParameterFile::parameterWithName("Import file"), &file);
  ASSERT_NE(row, nullptr);
  showWindow();
  EXPECT_EQ(row->graphicSizeDescriptionString(), "Unknown size");

  const QString png = temporaryFile("row-test-picture.PNG");
  QImage picture(64, 48, QImage::Format_ARGB32);
  picture.fill(Qt::red);
  ASSERT_TRUE(picture.save(png, "PNG"));
  step([&] { row->dropView(row->dropViewControl(), QUrl::fromLocalFile(png)); });
  EXPECT_EQ(file->fileDisplayName(), std::optional<std::string>("row-test-picture.PNG"));
  EXPECT_EQ(row->graphicSizeDescriptionString(), "pixels 64 x 48 px");
  row->updateInterface();
  EXPECT_EQ(row->fileInfoLabel()->text(), "pixels 64 x 48 px");
  EXPECT_FALSE(row->filePreviewView()->pixmap().isNull());

  // A file that cannot be read keeps the previous one, with the alert.
  const QString broken = temporaryFile("row-test-broken.png");
  {
    QFile out(broken);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("not a picture at all");
  }
  testsupport::QuietLog quiet;
  step([&] { row->dropView(row->dropViewControl(), QUrl::fromLocalFile(broken)); });
  EXPECT_EQ(file->fileDisplayName(), std::optional<std::string>("row-test-picture.PNG"));
  ASSERT_EQ(alerts.alerts.size(), 1u);
  EXPECT_EQ(alerts.alerts[0].first, "Image import error");
  EXPECT_EQ(alerts.alerts[0].second,
            "Failed to import the file 'row-test-broken.png'. It may be corrupted or in an unsupported format.");

  // A click anywhere on the row opens the chooser, the button pressed meanwhile.
  bool pressedWhileOpen = false;
  row->setFileChooser([&](QWidget*, const QString&, const QString&) {
    pressedWhileOpen = row->browseButton()->isChecked();
    return png;
  });
  step([&] { QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(60, 10)); });
  EXPECT_TRUE(pressedWhileOpen);
  EXPECT_FALSE(row->browseButton()->isChecked());
  undo();
  EXPECT_EQ(file->fileDisplayName(), std::optional<std::string>("row-test-picture.PNG"));
}

TEST_F(FileAndGraphicsRowsTest, GraphicsRowShowsALabelOrARenderedPreview)
{
  MVParameterGraphics* plain = nullptr;
  auto input = MVParameterGraphics::parameterWithName("Input");
  input->setLayoutHasPreview(false);
  auto* labelRow = addRow<MVParameterGraphics, MVParameterGraphicsView>(std::move(input), &plain);
  ASSERT_NE(labelRow, nullptr);
  EXPECT_NE(labelRow->parameterFieldLabel(), nullptr);
  EXPECT_EQ(labelRow->previewImageView(), nullptr);
  EXPECT_EQ(labelRow->socketInterfaceLocationForSocket(0), labelRow->parameterFieldLabel()->y() + 2.0);

  auto parameter = MVParameterGraphics::parameterWithName("Preview");
  parameter->setLayoutHasPreview(true);
  MVParameterGraphics* preview = nullptr;
  auto* previewRow = addRow<MVParameterGraphics, MVParameterGraphicsView>(std::move(parameter), &preview);
  ASSERT_NE(previewRow, nullptr);
  ASSERT_NE(previewRow->previewImageView(), nullptr);
  EXPECT_EQ(previewRow->previewBackgroundBox()->height(), MVParameterGraphicsView::kPreviewHeight);
  const QRect box = previewRow->previewBackgroundBox()->geometry();
  EXPECT_EQ(previewRow->socketInterfaceLocationForSocket(0), box.y() + box.height() / 2.0 - 8.0);
  // The box fills itself in its background colour, and leaves Qt nothing opaque to cut
  // out of the repaints of the rows and boxes around it.
  QImage shot(box.size(), QImage::Format_ARGB32_Premultiplied);
  shot.fill(Qt::magenta);
  previewRow->previewBackgroundBox()->render(&shot);
  EXPECT_EQ(shot.pixelColor(box.width() / 2, box.height() / 2),
            previewRow->previewBackgroundBox()->palette().color(QPalette::Window));
  EXPECT_FALSE(previewRow->previewBackgroundBox()->autoFillBackground());
  // The render runs on the preview queue and reports through the run loop.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        runLoop.runPending();
        return !previewRow->isRendering() && !previewRow->previewImageView()->pixmap().isNull();
      },
      10000));
}

TEST_F(FileAndGraphicsRowsTest, LayerMenusOfferOnlyWhatTheLayerAllows)
{
  testsupport::QuietLog quiet;
  ArtboardNode artboard;
  artboard.initWithNodeID("90");
  ASSERT_GE(artboard.layers().size(), 2u);
  std::vector<MVParameterGraphicsLayerView*> rows;
  for (MVParameterGraphicsLayer* layer : artboard.layers()) {
    auto* row = new MVParameterGraphicsLayerView(&window);
    row->resize(140, 30);
    row->setParameter(layer);
    row->initInterface();
    row->updateInterface();
    rows.push_back(row);
  }
  const auto titles = [](QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions()) {
      texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    delete menu;
    return texts;
  };
  const QString firstName = QString::fromStdString(artboard.layers().front()->displayName());
  EXPECT_EQ(titles(rows.front()->layerContextMenu()),
            (QStringList{"Rename '" + firstName + "'", "-", "Move down", "-", "Delete", "Duplicate"}));
  EXPECT_FALSE(titles(rows.back()->layerContextMenu()).contains("Move down"));
  EXPECT_TRUE(titles(rows.back()->layerContextMenu()).contains("Move up"));

  // Renaming to an empty or the same name changes nothing and leaves rename mode.
  MVParameterGraphicsLayerView* row = rows.front();
  row->layerMenuRename();
  EXPECT_TRUE(row->isRenameMode());
  row->layerRenameField()->setText("");
  row->controlTextDidEndEditing();
  EXPECT_FALSE(row->isRenameMode());
  EXPECT_EQ(QString::fromStdString(artboard.layers().front()->displayName()), firstName);
  row->layerMenuRename();
  row->layerRenameField()->setText("Background");
  row->controlTextDidEndEditing();
  EXPECT_EQ(artboard.layers().front()->displayName(), "Background");

  // A hidden layer shows its eye without hover, and its name at half opacity; shown again, in
  // full.
  const QColor shownInk = row->parameterFieldLabel()->palette().color(QPalette::WindowText);
  artboard.layers().front()->setVisible(false);
  row->updateInterface();
  EXPECT_TRUE(row->layerVisibleButtonControl()->isVisibleTo(row));
  const QColor hiddenInk = row->parameterFieldLabel()->palette().color(QPalette::WindowText);
  EXPECT_EQ(hiddenInk.rgb(), shownInk.rgb());
  EXPECT_NEAR(hiddenInk.alphaF(), shownInk.alphaF() * 0.5, 0.01);
  artboard.layers().front()->setVisible(true);
  row->updateInterface();
  EXPECT_EQ(row->parameterFieldLabel()->palette().color(QPalette::WindowText), shownInk);
  for (MVParameterGraphicsLayerView* each : rows) {
    delete each;
  }
}

}  // namespace
