#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "DocumentFileTestSupport.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVApplicationResources.h"
#include "MorvNode/Document/MVSampleFileCatalogue.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVNode.h"
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
