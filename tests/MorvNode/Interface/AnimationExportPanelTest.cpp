#include "MorvNode/Interface/AnimationExportPanel.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/MVExportSettings.h"
#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Interface/AnimationExportProgressPanel.h"
#include "MorvNode/Interface/QtRunLoop.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/Log.h"
#include "Platform/UserDefaults.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Support/UiTestSupport.h"

namespace {

namespace fs = std::filesystem;
using Outcome = MVAnimationExportProgress::Outcome;

// A document with a 100 x 50 artboard and a red square moving right over 0.5 s at 10 fps, on
// the application's run loop, so that the export's steps fire inside the modal progress panel.
class AnimationExportPanelTest : public testing::Test {
protected:
  AnimationExportPanelTest() : folder_(fs::path(testing::TempDir()) / ("animation-panel-" + testName()))
  {
    pf::setLogEcho(false);
    auto defaults = std::make_shared<pf::UserDefaults>((folder_.parent_path() / (testName() + "-defaults.plist")).string());
    defaults->registerDefaults(PreferenceDefaults::table());
    pf::UserDefaults::setStandard(defaults);
    registerNodeClasses();
    fs::remove_all(folder_);
    fs::create_directories(folder_);

    document_.initExportParametes();
    MVNodeController& controller = document_.nodeController();
    auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {400, 100}, false));
    MVNode* square = controller.addNodeOfClass("ElementShapeNode", {100, 100}, false);
    artboard->sizeParameter()->setValueX(100.0, 50.0);
    square->indexParameterNamed("Type")->setIndex(1);
    square->value2DParameterNamed("Size")->setValueX(20.0, 20.0);
    square->colorParameterNamed("Fill Color")->setColor(pf::Color::rgb(1, 0, 0));
    controller.addConnectionFromSocket(square->graphicsParameterNamed("Graphics")->outputSocket(),
                                       artboard->layers().front()->inputSocket());
    ODAnimationManager& manager = document_.animationManager();
    manager.setDuration(0.5);
    manager.setFramerate(10);
    ODAnimator* animator = manager.addAnimatorForTarget(square->value2DParameterNamed("Position"), "x");
    animator->addKeyframeWithValue(10.0, 0.0);
    animator->addKeyframeWithValue(90.0, 0.5);
    controller.regenerate();
  }
  ~AnimationExportPanelTest() override
  {
    qInstallMessageHandler(previousHandler_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    pf::RunLoop::setCurrent(nullptr);
    pf::setLogEcho(true);
  }

  static std::string testName() { return testing::UnitTest::GetInstance()->current_test_info()->name(); }

  // The panel looks up the desktop's movies folder, which wants a runtime folder of the user's.
  static bool setUpRuntimeFolder()
  {
    const fs::path folder = fs::path(testing::TempDir()) / ("animation-panel-runtime-" + testName());
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
    return qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(folder.string()));
  }

  void chooseFormat(AnimationExportPanel& panel, const std::string& format)
  {
    const auto& formats = MVExportSettings::animationFormats();
    panel.formatMenu()->setCurrentIndex(static_cast<int>(std::find(formats.begin(), formats.end(), format) -
                                                         formats.begin()));
  }

  std::vector<std::string> folderEntries() const
  {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  bool runtimeFolder_ = setUpRuntimeFolder();
  // The offscreen platform remarks on every dialog it shows; tests print nothing.
  QtMessageHandler previousHandler_ =
      qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[2] = {name_, nullptr};
  QApplication application_{argc_, argv_};
  QtRunLoop runLoop_;
  bool runLoopInstalled_ = (pf::RunLoop::setCurrent(&runLoop_), true);
  testsupport::RecordingAlerts alerts_;
  MVDocument document_;
  fs::path folder_;
};

// Each format shows what it needs; exporting runs the frames behind the progress panel and
// writes them.
TEST_F(AnimationExportPanelTest, ControlsFollowTheFormatAndExportWritesTheFrames)
{
  AnimationExportPanel panel(document_);
  EXPECT_TRUE(panel.filePath().endsWith("/Untitled.gif"));
  EXPECT_EQ(panel.framesLabel()->text(), "0.5s loop @ 10fps (5 frames)");
  EXPECT_FALSE(panel.matteButton()->isHidden());
  EXPECT_TRUE(panel.codecMenu()->isHidden());

  chooseFormat(panel, "mov");
  EXPECT_FALSE(panel.codecMenu()->isHidden());
  EXPECT_TRUE(panel.matteButton()->isHidden());
  EXPECT_TRUE(panel.frameFilesLabel()->isHidden());

  chooseFormat(panel, "png");
  EXPECT_TRUE(panel.codecMenu()->isHidden());
  EXPECT_FALSE(panel.frameFilesLabel()->isHidden());
  EXPECT_TRUE(panel.frameFilesLabel()->text().contains("'filename_001.png'"));
  EXPECT_TRUE(panel.filePath().endsWith("/Untitled.png"));
  panel.sizeXField()->selectAll();
  QTest::keyClicks(panel.sizeXField(), "20");
  QTest::keyClick(panel.sizeXField(), Qt::Key_Return);
  EXPECT_EQ(panel.sizeYField()->text(), "10");

  panel.setFilePath(QString::fromStdString((folder_ / "walk.png").string()));
  QTest::mouseClick(panel.exportButton(), Qt::LeftButton);
  EXPECT_EQ(panel.outcome(), Outcome::Written);
  EXPECT_EQ(folderEntries(),
            (std::vector<std::string>{"walk_00.png", "walk_01.png", "walk_02.png", "walk_03.png", "walk_04.png"}));
  EXPECT_TRUE(alerts_.alerts.empty());
}

// Cancel in the progress panel stops the export at its next step; nothing is written.
TEST_F(AnimationExportPanelTest, CancelInTheProgressPanelLeavesNothing)
{
  AnimationExportPanel panel(document_);
  chooseFormat(panel, "mp4");
  panel.setFilePath(QString::fromStdString((folder_ / "walk.mp4").string()));
  panel.setProgressPanelHook([](AnimationExportProgressPanel& progress) {
    QTimer::singleShot(0, &progress, [&progress] { QTest::mouseClick(progress.cancelButton(), Qt::LeftButton); });
  });
  QTest::mouseClick(panel.exportButton(), Qt::LeftButton);
  EXPECT_EQ(panel.outcome(), Outcome::Cancelled);
  EXPECT_TRUE(folderEntries().empty());
}

TEST_F(AnimationExportPanelTest, DocumentWithoutAnimationGetsTheAlertInstead)
{
  MVDocument empty;
  empty.initExportParametes();
  EXPECT_FALSE(AnimationExportPanel::exportAnimation(empty, nullptr));
  ASSERT_EQ(alerts_.alerts.size(), 1u);
  EXPECT_EQ(alerts_.alerts[0].first, "No parameter animations");
}

}  // namespace
