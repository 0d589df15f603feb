#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DocumentFileTestSupport.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVApplicationResources.h"
#include "MorvNode/Document/MVArtworkRenderer.h"
#include "MorvNode/Document/MVDocumentFileReader.h"
#include "MorvNode/Document/MVDocumentViewState.h"
#include "MorvNode/Document/MVSampleFileCatalogue.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "Platform/Bitmap.h"
#include "Shared/RandomSource/RandomSource.h"

namespace {

// The sample documents the build made into the application's resources.
class SampleFilesTest : public DocumentFileTest {
protected:
  const RandomSource random_{123456789};

  static std::vector<std::filesystem::path> sampleFiles()
  {
    std::vector<std::filesystem::path> files;
    const std::optional<std::filesystem::path> folder =
        MVApplicationResources::pathForResourceFolder("Application folder files/Sample files");
    if (folder) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(*folder)) {
        if (entry.path().extension() == ".mvdx") {
          files.push_back(entry.path());
        }
      }
    }
    return files;
  }
};

TEST_F(SampleFilesTest, EverySampleOpensAndGeneratesWithoutAWarning)
{
  const std::vector<std::filesystem::path> files = sampleFiles();
  ASSERT_GE(files.size(), 6u);
  for (const std::filesystem::path& path : files) {
    SCOPED_TRACE(path.filename().string());
    log.clear();
    // Opened as the application opens a document: with the shared random table.
    auto document = std::make_unique<MVDocument>();
    document->setRandomSource(&random_);
    ASSERT_TRUE(document->readFromURL(path));
    document->windowControllerDidLoadNib();
    MVNodeController& controller = document->nodeController();
    controller.scheduleRegenerationForced();
    runLoop.advance(MVNodeController::kRegenerationDelay * 2);
    controller.checkWarnings();
    EXPECT_NE(controller.outputElement(), nullptr);
    EXPECT_GE(controller.nodeArray().size(), 2u);
    EXPECT_EQ(controller.fileLoadingWarnings(), std::vector<std::string>{});
    for (const auto& node : controller.nodeArray()) {
      EXPECT_EQ(node->warningMessages(), std::vector<std::string>{}) << node->className();
    }
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Loading v3.0.0 file '" + path.filename().string() + "'"});
  }
  EXPECT_TRUE(alerts.alerts.empty());
}

// A user opening a sample sees its whole artwork: every element lies inside the artboard, and
// what the core renders covers a fair part of it. The samples keep the preview's start settings.
TEST_F(SampleFilesTest, EverySampleDrawsItsArtworkInsideItsArtboard)
{
  const std::vector<std::filesystem::path> files = sampleFiles();
  ASSERT_GE(files.size(), 6u);
  for (const std::filesystem::path& path : files) {
    SCOPED_TRACE(path.filename().string());
    const std::optional<pf::PlistValue::Dictionary> file = MVDocumentFileReader::readFileDictionary(path);
    ASSERT_TRUE(file);
    ASSERT_NE(file->find("Display Settings"), nullptr);
    EXPECT_EQ(*file->find("Display Settings"), pf::PlistValue(MVDocumentViewState::freshDisplaySettings()));

    auto document = std::make_unique<MVDocument>();
    document->setRandomSource(&random_);
    ASSERT_TRUE(document->readFromURL(path));
    document->windowControllerDidLoadNib();
    MVNodeController& controller = document->nodeController();
    // Without its background the artboard renders transparent where nothing is drawn.
    ASSERT_NE(controller.artboardNode(), nullptr);
    controller.artboardNode()->colorParameterNamed("Background Color")->setEnabled(false);
    controller.getArtboardSettings();
    MVArtworkRenderer renderer(controller);
    renderer.bringOutputUpToDate();
    const pf::Size artboard = controller.artboardSize();
    const std::shared_ptr<const MVElement> output = controller.outputElement();
    ASSERT_NE(output, nullptr);
    const std::optional<pf::Rect> bounds = output->transformedBoundingBoxNested();
    ASSERT_TRUE(bounds);
    constexpr double kTolerance = 0.5;  // artboard units: stroke antialiasing, rounding
    EXPECT_GE(bounds->minX(), -kTolerance) << bounds->description();
    EXPECT_GE(bounds->minY(), -kTolerance) << bounds->description();
    EXPECT_LE(bounds->maxX(), artboard.width + kTolerance) << bounds->description();
    EXPECT_LE(bounds->maxY(), artboard.height + kTolerance) << bounds->description();

    // The rendered artwork: the box of the pixels it covers.
    const std::shared_ptr<const pf::Bitmap> bitmap = renderer.renderBitmap(1.0);
    ASSERT_NE(bitmap, nullptr);
    int left = bitmap->width();
    int top = bitmap->height();
    int right = -1;
    int bottom = -1;
    for (int y = 0; y < bitmap->height(); ++y) {
      for (int x = 0; x < bitmap->width(); ++x) {
        if (bitmap->pixel(x, y).alpha != 0) {
          left = std::min(left, x);
          right = std::max(right, x);
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
      }
    }
    ASSERT_GE(right, left) << "nothing drawn";
    const double coveredWidth = (right - left + 1) / static_cast<double>(bitmap->width());
    const double coveredHeight = (bottom - top + 1) / static_cast<double>(bitmap->height());
    EXPECT_GE(coveredWidth, 0.5);
    EXPECT_GE(coveredHeight, 0.5);
    EXPECT_GE(coveredWidth * coveredHeight, 0.4);
  }
}

TEST_F(SampleFilesTest, EveryNodeFamilyHasASampleThatTheReferenceLinks)
{
  MVSampleFileCatalogue catalogue;
  catalogue.recursiveBuildSampleFileDictionaryWithPath(
      MVApplicationResources::pathForResourceFolder("Application folder files/Sample files").value_or("missing"));
  std::set<std::string> families;
  for (const MVSampleFileCatalogue::Record& record : catalogue.records()) {
    EXPECT_FALSE(record.nodeTypes.empty()) << record.filename;
    for (const std::string& className : record.nodeTypes) {
      if (const MVNodeClass* nodeClass = MVClassRegistry::shared().nodeClass(className)) {
        families.insert(nodeClass->displayTypeName);
      }
    }
  }
  for (const char* family : {"Element", "Repeat", "Change", "Group", "Value", "Color"}) {
    EXPECT_TRUE(families.contains(family)) << family;
  }
  EXPECT_FALSE(catalogue.sampleFilesUsingNodeType("RepeatRadialNode").empty());
}

}  // namespace
