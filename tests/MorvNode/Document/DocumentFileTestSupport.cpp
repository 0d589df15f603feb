#include "MorvNode/Document/DocumentFileTestSupport.h"

#include <fstream>
#include <sstream>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "Platform/PropertyList.h"
#include "Platform/RunLoop.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

RecordingAlerts::RecordingAlerts()
{
  FeedbackManager::setAlertPresenter(this);
}

RecordingAlerts::~RecordingAlerts()
{
  FeedbackManager::setAlertPresenter(nullptr);
}

void FakeDocumentWindow::storeViewState(MVDocumentViewState& state) const
{
  state.windowFrame = frame;
  state.splitViewPart = 412.5;
  state.scrollOffset = pf::Point(12.0, -30.0);
  state.mainSplitView = pf::PlistValue::Dictionary{{"Collapsed", false}, {"Divider", 412.5}};
  state.bottomSplitView = pf::PlistValue::Dictionary{{"Collapsed", true}};
  state.displaySettings = pf::PlistValue::Dictionary{{"Zoom", 1.5}, {"Show repetitions", true}};
  state.previewPanelRect = pf::Rect({5.0, 6.0}, {320.0, 240.0});
  state.previewPanelOpen = true;
}

std::vector<std::uint8_t> FakeDocumentWindow::previewImageJPEGData(float compressionFactor)
{
  jpegCompression = compressionFactor;
  return jpeg;
}

DocumentFileTest::DocumentFileTest()
    : defaults(std::make_shared<pf::UserDefaults>(::testing::TempDir() + "document-file-defaults.plist")),
      folder_(std::filesystem::path(::testing::TempDir()) /
              ("document-files-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())))
{
  pf::RunLoop::setCurrent(&runLoop);
  defaults->registerDefaults(PreferenceDefaults::table());
  pf::UserDefaults::setStandard(defaults);
  registerNodeClasses();
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
}

DocumentFileTest::~DocumentFileTest()
{
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
  pf::UserDefaults::setStandard(
      std::make_shared<pf::UserDefaults>(::testing::TempDir() + "document-file-defaults-empty.plist"));
}

std::unique_ptr<MVDocument> DocumentFileTest::newDocument()
{
  return std::make_unique<MVDocument>();
}

std::unique_ptr<MVDocument> DocumentFileTest::setUpDocument()
{
  auto document = newDocument();
  document->windowControllerDidLoadNib();
  return document;
}

std::unique_ptr<MVDocument> DocumentFileTest::openDocument(const std::filesystem::path& path)
{
  auto document = newDocument();
  if (!document->readFromURL(path)) {
    return nullptr;
  }
  document->windowControllerDidLoadNib();
  return document;
}

void DocumentFileTest::buildSampleGraph(MVDocument& document)
{
  MVNodeController& controller = document.nodeController();
  auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {520.0, 120.0}, false));
  ASSERT_NE(artboard, nullptr);
  MVNode* circle = controller.addNodeOfClass("ElementShapeNode", {120.0, 80.0}, false);
  MVNode* square = controller.addNodeOfClass("ElementShapeNode", {120.0, 360.0}, false);
  ASSERT_NE(circle, nullptr);
  ASSERT_NE(square, nullptr);
  circle->value2DParameterNamed("Size")->setValueX(120.0, 80.0);
  circle->colorParameterNamed("Fill Color")->setColor(pf::Color::rgb(0.95, 0.55, 0.2, 0.75));
  square->indexParameterNamed("Type")->setIndex(1);
  square->value2DParameterNamed("Position")->setValueX(0.1, 1e-7);
  controller.addConnectionFromSocket(circle->graphicsParameterNamed("Graphics")->outputSocket(),
                                     artboard->layers().at(1)->inputSocket());
  controller.addConnectionFromSocket(square->graphicsParameterNamed("Graphics")->outputSocket(),
                                     artboard->layers().at(2)->inputSocket());
  controller.loadNodeIndexes(pf::PlistValue::Dictionary{{"2 * Index", -1}});
  controller.setAutoRegenerate(false);
}

std::string DocumentFileTest::fileText(const std::filesystem::path& path)
{
  std::ifstream stream(path, std::ios::binary);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

void DocumentFileTest::writeText(const std::filesystem::path& path, const std::string& text)
{
  std::ofstream stream(path, std::ios::binary | std::ios::trunc);
  stream << text;
}

std::filesystem::path DocumentFileTest::writeFile(const std::string& name, const pf::PlistValue::Dictionary& file)
{
  const std::filesystem::path path = pathFor(name);
  EXPECT_TRUE(pf::writePropertyListFile(pf::PlistValue(file), path));
  return path;
}
