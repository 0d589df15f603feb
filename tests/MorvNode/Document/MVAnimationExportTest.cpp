#include "MorvNode/Document/MVAnimationExport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/DocumentFileTestSupport.h"
#include "MorvNode/Document/MVExportSettings.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/Format.h"
#include "Platform/ImageCodec.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/ODAnimator.h"
#include "Support/MovieProbe.h"

namespace {

namespace fs = std::filesystem;
using Outcome = MVAnimationExportProgress::Outcome;

std::vector<std::uint8_t> fileBytes(const fs::path& path)
{
  std::ifstream stream(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

class RecordingProgress : public MVAnimationExportProgress {
public:
  void animationExportProgress(const std::string& leftLabel, const std::string& rightLabel,
                               std::optional<double> fraction) override
  {
    leftLabels.push_back(leftLabel);
    rightLabels.push_back(rightLabel);
    fractions.push_back(fraction);
  }
  void animationExportFinished(Outcome result) override { outcome = result; }

  std::vector<std::string> leftLabels;
  std::vector<std::string> rightLabels;
  std::vector<std::optional<double>> fractions;
  std::optional<Outcome> outcome;
};

// A 100 x 50 artboard without background and a red 20 x 20 square whose x moves from 10 to 90
// over a 0.5 s animation at 10 frames per second (5 frames).
class AnimationExport : public DocumentFileTest {
protected:
  AnimationExport() : document(newDocument())
  {
    document->initExportParametes();
    MVNodeController& controller = document->nodeController();
    auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {400, 100}, false));
    square = controller.addNodeOfClass("ElementShapeNode", {100, 100}, false);
    artboard->sizeParameter()->setValueX(100.0, 50.0);
    artboard->colorParameterNamed("Background Color")->setEnabled(false);
    square->indexParameterNamed("Type")->setIndex(1);
    square->value2DParameterNamed("Size")->setValueX(20.0, 20.0);
    square->value2DParameterNamed("Position")->setValueX(10.0, 25.0);
    square->colorParameterNamed("Fill Color")->setColor(pf::Color::rgb(1, 0, 0));
    square->colorParameterNamed("Stroke Color")->setEnabled(false);
    controller.addConnectionFromSocket(square->graphicsParameterNamed("Graphics")->outputSocket(),
                                       artboard->layers().front()->inputSocket());
    controller.scheduleRegenerationForced();
    runLoop.advance(MVNodeController::kRegenerationDelay);
  }

  void animate()
  {
    ODAnimationManager& manager = document->animationManager();
    manager.setDuration(0.5);
    manager.setFramerate(10);
    ODAnimator* animator = manager.addAnimatorForTarget(square->value2DParameterNamed("Position"), "x");
    animator->addKeyframeWithValue(10.0, 0.0);
    animator->addKeyframeWithValue(90.0, 0.5);
    manager.setCurrentTime(0.25);
  }

  // The panel set to the format (and codec) and a width of 20 pixels (20 x 10).
  void choose(const std::string& format, const std::string& codec = "jpeg", double width = 20.0)
  {
    exportOf.exportAnimationPanelOpened();
    const auto& formats = MVExportSettings::animationFormats();
    exportOf.exportAnimationPanelControlChanged(
        MVAnimationExportPanelControl::FormatMenu,
        static_cast<double>(std::find(formats.begin(), formats.end(), format) - formats.begin()));
    const std::vector<std::string> codecs = MVAnimationExport::codecMenuCodecs();
    exportOf.exportAnimationPanelControlChanged(
        MVAnimationExportPanelControl::CodecMenu,
        static_cast<double>(std::find(codecs.begin(), codecs.end(), codec) - codecs.begin()));
    exportOf.exportAnimationPanelControlChanged(MVAnimationExportPanelControl::SizeXField, width);
  }

  // Runs the frame loop to its end.
  void runExport()
  {
    for (int i = 0; i < 1000 && exportOf.isRunning(); ++i) {
      runLoop.advance(0.01);
    }
  }

  std::vector<std::string> folderEntries() const
  {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(pathFor(""))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::unique_ptr<MVDocument> document;
  MVNode* square = nullptr;
  MVAnimationExport exportOf{*document};
  RecordingProgress progress;
};

// Five frames at 0, 0.1 ... 0.4 s in numbered files at the chosen size; the square moves right
// from frame to frame; the animation's time is back where it was.
TEST_F(AnimationExport, FrameFilesHoldEveryFrameAtItsTime)
{
  animate();
  choose("png");
  ASSERT_TRUE(exportOf.exportAnimation(pathFor("walk.png"), &progress));
  EXPECT_EQ(exportOf.totalExportFrames(), 5);
  runExport();
  ASSERT_EQ(progress.outcome, Outcome::Written);
  EXPECT_EQ(folderEntries(),
            (std::vector<std::string>{"walk_00.png", "walk_01.png", "walk_02.png", "walk_03.png", "walk_04.png"}));
  std::optional<int> previousLeftEdge;
  for (int i = 0; i < 5; ++i) {
    const auto decoded = pf::decodePng(fileBytes(pathFor(pf::format("walk_%02d.png", i))));
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->bitmap.width(), 20);
    ASSERT_EQ(decoded->bitmap.height(), 10);
    int leftEdge = 0;
    while (leftEdge < 20 && decoded->bitmap.pixel(leftEdge, 5).alpha < 128) {
      ++leftEdge;
    }
    if (previousLeftEdge) {
      EXPECT_GT(leftEdge, *previousLeftEdge) << "frame " << i;
    }
    previousLeftEdge = leftEdge;
  }
  EXPECT_DOUBLE_EQ(document->animationManager().currentTime(), 0.25);
  EXPECT_EQ(progress.leftLabels.front(), "Rendering frames");
  EXPECT_EQ(progress.leftLabels.back(), "Writing to file...");
  EXPECT_EQ(progress.fractions.back(), std::nullopt);
  EXPECT_EQ(progress.rightLabels[5].rfind("5 / 5 (", 0), 0u) << progress.rightLabels[5];
}

// H.264 codes pairs of pixels: an odd export size (21 x 11) is padded to 22 x 12.
TEST_F(AnimationExport, MovieDecodesBackWithItsFramesAndAnEvenSize)
{
  animate();
  choose("mp4", "avc1", 21.0);
  ASSERT_TRUE(exportOf.exportAnimation(pathFor("walk.mp4"), &progress));
  runExport();
  ASSERT_EQ(progress.outcome, Outcome::Written) << exportOf.failureReason();
  const auto probe = testsupport::probeMovie(pathFor("walk.mp4"));
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->codec, "h264");
  EXPECT_EQ(probe->width, 22);
  EXPECT_EQ(probe->height, 12);
  EXPECT_EQ(probe->decodedFrames, 5);
  ASSERT_EQ(probe->frameTimes.size(), 5u);
  for (std::size_t i = 0; i < probe->frameTimes.size(); ++i) {
    EXPECT_NEAR(probe->frameTimes[i], 0.1 * static_cast<double>(i), 1e-6);
  }
  EXPECT_EQ(folderEntries(), std::vector<std::string>{"walk.mp4"});
}

// The other animated formats through the same loop: a GIF of 5 frames, an SVG of 5 groups.
TEST_F(AnimationExport, GIFAndSVGHoldEveryFrame)
{
  animate();
  choose("gif");
  ASSERT_TRUE(exportOf.exportAnimation(pathFor("walk.gif"), &progress));
  runExport();
  ASSERT_EQ(progress.outcome, Outcome::Written);
  EXPECT_EQ(pf::sniffImageFormat(fileBytes(pathFor("walk.gif"))), pf::ImageFormat::Gif);

  choose("svg");
  ASSERT_TRUE(exportOf.exportAnimation(pathFor("walk.svg"), &progress));
  runExport();
  ASSERT_EQ(progress.outcome, Outcome::Written);
  const std::string svg = fileText(pathFor("walk.svg"));
  EXPECT_NE(svg.find("<g id=\"frame_4\" display=\"none\">"), std::string::npos);
  EXPECT_EQ(svg.find("frame_5"), std::string::npos);
  EXPECT_NE(svg.find("width=\"20px\" height=\"10px\""), std::string::npos);
}

// Cancel after two frames: the export stops at the next step, leaves no file (an earlier one
// keeps its content) and puts the animation's time back.
TEST_F(AnimationExport, CancelStopsAtTheNextStepAndLeavesNothing)
{
  animate();
  writeText(pathFor("walk.mov"), "earlier");
  for (const std::string format : {"mov", "png"}) {
    SCOPED_TRACE(format);
    choose(format);
    progress.outcome.reset();
    ASSERT_TRUE(exportOf.exportAnimation(pathFor("walk." + format), &progress));
    runLoop.advance(0.0);    // frame 0
    runLoop.advance(0.005);  // frame 1
    ASSERT_EQ(exportOf.currentExportFrame(), 2);
    exportOf.exportAbort();
    runExport();
    EXPECT_EQ(exportOf.currentExportFrame(), 2) << "no frame after the abort";
    EXPECT_EQ(progress.outcome, Outcome::Cancelled);
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"walk.mov"});
    EXPECT_EQ(fileText(pathFor("walk.mov")), "earlier");
    EXPECT_DOUBLE_EQ(document->animationManager().currentTime(), 0.25);
  }
}

// A folder that cannot be written is refused before any frame; one that goes away while frames
// are written fails the export with the system's reason, alerted, and nothing stays.
TEST_F(AnimationExport, FailuresAreAlertedWithTheirReason)
{
  animate();
  choose("png");
  EXPECT_FALSE(exportOf.exportAnimation(pathFor("missing/walk.png"), &progress));
  ASSERT_EQ(alerts.alerts.size(), 1u);
  EXPECT_EQ(alerts.alerts[0].first, "File system access denied");
  EXPECT_EQ(alerts.alerts[0].second,
            "Morvalis was not allowed by the system to write files to " + pathFor("missing").string());
  EXPECT_FALSE(progress.outcome.has_value());

  fs::create_directories(pathFor("gone"));
  ASSERT_TRUE(exportOf.exportAnimation(pathFor("gone/walk.png"), &progress));
  runLoop.advance(0.0);
  fs::remove_all(pathFor("gone"));
  runExport();
  EXPECT_EQ(progress.outcome, Outcome::Failed);
  ASSERT_EQ(alerts.alerts.size(), 2u);
  EXPECT_NE(alerts.alerts[1].second.find("No such file or directory"), std::string::npos) << alerts.alerts[1].second;
  EXPECT_FALSE(fs::exists(pathFor("gone")));
  EXPECT_DOUBLE_EQ(document->animationManager().currentTime(), 0.25);
}

TEST_F(AnimationExport, NeedsAnAnimationAndWarnsOfAnAnimatedArtboardSize)
{
  EXPECT_FALSE(MVAnimationExport::documentHasAnimation(*document));
  document->nodeController().addNodeOfClass("ValueTimeFunctionNode", {0, 0}, false);
  EXPECT_TRUE(MVAnimationExport::documentHasAnimation(*document));

  EXPECT_FALSE(MVAnimationExport::exportAnimationCheckWarnings(*document));
  MVNode* artboard = document->nodeController().artboardNode();
  document->animationManager().addAnimatorForTarget(artboard->parameterNamed("Size"), "x");
  const std::optional<std::string> warning = MVAnimationExport::exportAnimationCheckWarnings(*document);
  ASSERT_TRUE(warning);
  EXPECT_EQ(warning->rfind("The artboard size is animated or connected to dynamic parameters.", 0), 0u);
}

// The panel: frame-file formats name their files, movies offer codecs, the frame count is the
// rounded product while the export takes the truncated one (29.97 fps over 1 s: 30 shown, 29
// exported).
TEST_F(AnimationExport, PanelShowsWhatTheFormatNeeds)
{
  ODAnimationManager& manager = document->animationManager();
  manager.setDuration(1.0);
  manager.setFramerate(29.97);
  manager.setLoop(true);
  choose("png");
  MVAnimationExportPanelState state = exportOf.exportAnimationPanelUpdateInterface();
  EXPECT_EQ(state.frameFilesText, "Will output one file per frame, named like 'filename_001.png' or "
                                  "'filename_002.png'. Existing files are overwritten.");
  EXPECT_FALSE(state.showsCodecMenu);
  EXPECT_TRUE(state.showsPixelLabel);
  EXPECT_EQ(state.framesText, "1s loop @ 29.97fps (30 frames)");
  EXPECT_EQ(MVAnimationExport::totalFramesFor(29.97, 1.0), 29);
  EXPECT_EQ(MVAnimationExport::totalFramesFor(30, 5), 150);
  EXPECT_EQ(state.sizeX, 20);
  EXPECT_EQ(state.sizeY, 10);

  choose("mov", "avc1");
  state = exportOf.exportAnimationPanelUpdateInterface();
  EXPECT_TRUE(state.showsCodecMenu);
  EXPECT_EQ(state.codecIndex, 1);
  EXPECT_FALSE(state.frameFilesText);
  EXPECT_FALSE(state.showsMatteControls);

  choose("gif");
  state = exportOf.exportAnimationPanelUpdateInterface();
  EXPECT_TRUE(state.showsMatteControls);
  EXPECT_FALSE(state.frameFilesText);
  EXPECT_EQ(exportOf.proposedFileName(), "Untitled.gif");
}

}  // namespace
