#include "MorvNode/Interface/ExportPanel.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Interface/QtPasteboard.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/ImageCodec.h"
#include "Platform/Log.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/UserDefaults.h"

namespace {

std::vector<std::uint8_t> fileBytes(const std::filesystem::path& path)
{
  std::ifstream stream(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

// An offscreen application and a document with a 100 x 50 artboard holding one red square.
class ExportPanelTest : public testing::Test {
protected:
  ExportPanelTest() : folder_(std::filesystem::path(testing::TempDir()) / ("export-panel-" + testName()))
  {
    pf::setLogEcho(false);
    pf::RunLoop::setCurrent(&runLoop_);
    auto defaults = std::make_shared<pf::UserDefaults>((folder_.parent_path() / (testName() + "-defaults.plist")).string());
    defaults->registerDefaults(PreferenceDefaults::table());
    pf::UserDefaults::setStandard(defaults);
    registerNodeClasses();
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);

    document_.initExportParametes();
    MVNodeController& controller = document_.nodeController();
    auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {400, 100}, false));
    MVNode* square = controller.addNodeOfClass("ElementShapeNode", {100, 100}, false);
    artboard->sizeParameter()->setValueX(100.0, 50.0);
    square->indexParameterNamed("Type")->setIndex(1);
    square->value2DParameterNamed("Size")->setValueX(50.0, 50.0);
    square->value2DParameterNamed("Position")->setValueX(25.0, 25.0);
    square->colorParameterNamed("Fill Color")->setColor(pf::Color::rgb(1, 0, 0));
    controller.addConnectionFromSocket(square->graphicsParameterNamed("Graphics")->outputSocket(),
                                       artboard->layers().front()->inputSocket());
    controller.scheduleRegenerationForced();
    runLoop_.advance(MVNodeController::kRegenerationDelay);
  }
  ~ExportPanelTest() override
  {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    pf::RunLoop::setCurrent(nullptr);
    pf::setLogEcho(true);
  }

  static void typeInto(QLineEdit* field, const QString& text)
  {
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
  }

  static std::string testName() { return testing::UnitTest::GetInstance()->current_test_info()->name(); }

  // The panel looks up the desktop's pictures folder, which wants a runtime folder of the user's.
  static bool setUpRuntimeFolder()
  {
    const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / ("export-panel-runtime-" + testName());
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
    return qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder.string()));
  }

  bool runtimeFolder_ = setUpRuntimeFolder();
  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[2] = {name_, nullptr};
  QApplication application_{argc_, argv_};
  pf::ManualRunLoop runLoop_;
  MVDocument document_;
  std::filesystem::path folder_;
};

TEST_F(ExportPanelTest, TheControlsEditTheSettingsAndExportWritesTheFile)
{
  ExportPanel panel(document_);
  // A new document: PDF at the artboard size, in millimetres, proposed as "Untitled.pdf".
  EXPECT_EQ(panel.formatMenu()->currentIndex(), 0);
  EXPECT_TRUE(panel.filePath().endsWith("/Untitled.pdf"));
  EXPECT_FALSE(panel.sizeUnitMenu()->isHidden());
  EXPECT_TRUE(panel.pixelLabel()->isHidden());
  EXPECT_EQ(panel.sizeXField()->text(), "100");
  EXPECT_EQ(panel.sizeYField()->text(), "50");

  panel.formatMenu()->setCurrentIndex(1);  // EPS
  EXPECT_FALSE(panel.epsWarning()->isHidden());
  panel.formatMenu()->setCurrentIndex(6);  // GIF
  EXPECT_TRUE(panel.epsWarning()->isHidden());
  EXPECT_FALSE(panel.matteButton()->isHidden());
  EXPECT_FALSE(panel.matteWell()->isHidden());
  QTest::mouseClick(panel.matteButton(), Qt::LeftButton);
  EXPECT_TRUE(panel.matteWell()->isHidden());

  panel.formatMenu()->setCurrentIndex(5);  // PNG
  EXPECT_TRUE(panel.sizeUnitMenu()->isHidden());
  EXPECT_FALSE(panel.pixelLabel()->isHidden());
  EXPECT_TRUE(panel.filePath().endsWith("/Untitled.png"));

  // The other side keeps the artboard's aspect; a size of 0 is refused and the field restored.
  typeInto(panel.sizeXField(), "200");
  EXPECT_EQ(panel.sizeYField()->text(), "100");
  typeInto(panel.sizeYField(), "0");
  EXPECT_EQ(panel.sizeYField()->text(), "100");
  EXPECT_TRUE(document_.isMarkedEdited());

  // Scale to display follows the preview's zoom (1 without a window) and locks the fields.
  QTest::mouseClick(panel.scaleToDisplayButton(), Qt::LeftButton);
  EXPECT_FALSE(panel.sizeXField()->isEnabled());
  EXPECT_EQ(panel.sizeXField()->text(), "100");
  QTest::mouseClick(panel.scaleToDisplayButton(), Qt::LeftButton);
  EXPECT_TRUE(panel.sizeXField()->isEnabled());
  typeInto(panel.sizeXField(), "200");

  const std::filesystem::path target = folder_ / "Squares.png";
  panel.setFilePath(QString::fromStdString(target.string()));
  QTest::mouseClick(panel.exportButton(), Qt::LeftButton);
  EXPECT_TRUE(panel.exported());
  EXPECT_EQ(panel.result(), QDialog::Accepted);
  const std::optional<pf::DecodedBitmap> decoded = pf::decodePng(fileBytes(target));
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->bitmap.width(), 200);
  EXPECT_EQ(decoded->bitmap.height(), 100);
  EXPECT_EQ(document_.exportPath(), target);

  // Opened again, the panel proposes the name and the folder of the last export.
  ExportPanel again(document_);
  EXPECT_EQ(again.filePath().toStdString(), target.string());
  EXPECT_EQ(again.formatMenu()->currentIndex(), 5);
  EXPECT_EQ(again.sizeXField()->text(), "200");
}

TEST_F(ExportPanelTest, CancellingChangesNothingOnDisk)
{
  ExportPanel panel(document_);
  panel.setFilePath(QString::fromStdString((folder_ / "never.pdf").string()));
  panel.reject();
  EXPECT_FALSE(panel.exported());
  EXPECT_FALSE(std::filesystem::exists(folder_ / "never.pdf"));
  EXPECT_FALSE(document_.exportPath().has_value());
}

TEST_F(ExportPanelTest, CopiesReachQtsClipboard)
{
  QtPasteboard pasteboard;
  MVPasteboard::setGeneral(&pasteboard);
  ASSERT_TRUE(document_.exportCopy(false));
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_TRUE(data->hasFormat("image/png"));
  EXPECT_TRUE(data->hasFormat("image/tiff"));
  const QByteArray png = data->data("image/png");
  const auto decoded =
      pf::decodePng(std::span(reinterpret_cast<const std::uint8_t*>(png.constData()), static_cast<std::size_t>(png.size())));
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->bitmap.width(), 100);

  ASSERT_TRUE(document_.exportCopy(true));
  EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat("application/pdf"));
  MVPasteboard::setGeneral(nullptr);
}

}  // namespace
