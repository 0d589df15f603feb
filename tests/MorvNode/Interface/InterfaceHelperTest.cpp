#include "MorvNode/Interface/InterfaceHelper.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVApplicationResources.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Nodes/Change/ChangePivotNode.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "Platform/Image.h"
#include "Platform/ManualRunLoop.h"
#include "Platform/UserDefaults.h"
#include "Support/LogCapture.h"
#include "Support/OffscreenApplication.h"

namespace {

class InterfaceHelperTest : public testing::Test {
protected:
  InterfaceHelper& helper = InterfaceHelper::shared();
  testsupport::OffscreenApplication application;
  testsupport::LogCapture log;
};

// Share of the pixels that are not fully transparent.
double coverage(const pf::Bitmap& bitmap)
{
  const QImage image(reinterpret_cast<const uchar*>(bitmap.data()), bitmap.width(), bitmap.height(),
                     static_cast<qsizetype>(bitmap.stride()), QImage::Format_ARGB32_Premultiplied);
  int drawn = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      drawn += qAlpha(image.pixel(x, y)) != 0 ? 1 : 0;
    }
  }
  return static_cast<double>(drawn) / (image.width() * image.height());
}

// The interface icons the node classes name for their choices, gathered from every registered
// class's parameters as declared, and the pivot marker the preview draws.
std::set<std::string> interfaceIconNamesOfTheNodes()
{
  pf::ManualRunLoop runLoop;
  pf::RunLoop::setCurrent(&runLoop);
  auto defaults = std::make_shared<pf::UserDefaults>(::testing::TempDir() + "interface-icons-defaults.plist");
  defaults->registerDefaults(PreferenceDefaults::table());
  pf::UserDefaults::setStandard(defaults);
  registerNodeClasses();
  std::set<std::string> names{ChangePivotNode::kMarkerImageName};
  {
    MVDocument document;
    for (const std::string& className : MVClassRegistry::shared().nodeClassNames()) {
      MVNode* node = document.nodeController().addNodeOfClass(className, {0.0, 0.0}, false);
      if (node == nullptr) {
        continue;
      }
      for (const auto& parameter : node->parameters()) {
        const auto* index = dynamic_cast<const MVParameterIndex*>(parameter.get());
        // A node index lists the document's nodes with their class icons, not choices.
        if (index != nullptr && dynamic_cast<const MVParameterNodeIndex*>(index) == nullptr) {
          for (const std::string& icon : index->indexIcons()) {
            if (!icon.empty() && icon != "-") {
              names.insert(icon);
            }
          }
        }
      }
    }
  }
  pf::UserDefaults::setStandard(std::make_shared<pf::UserDefaults>(::testing::TempDir() + "interface-icons-empty.plist"));
  pf::RunLoop::setCurrent(nullptr);
  return names;
}

TEST_F(InterfaceHelperTest, EveryInterfaceIconTheNodesNameIsDrawn)
{
  const std::set<std::string> names = interfaceIconNamesOfTheNodes();
  ASSERT_TRUE(names.contains("icon_line_cap_square.png"));
  log.clear();
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::shared_ptr<const pf::Image> icon = helper.interfaceIconImageNamed(name);
    ASSERT_NE(icon, nullptr);
    // 20 points, drawn with two pixels per point; something drawn, not all of it filled.
    EXPECT_EQ(icon->size(), pf::Size(20.0, 20.0));
    ASSERT_NE(icon->bitmap(), nullptr);
    EXPECT_EQ(icon->pixelSize(), std::make_pair(40, 40));
    const double drawn = coverage(*icon->bitmap());
    EXPECT_GT(drawn, 0.05);
    EXPECT_LT(drawn, 0.9);
    // The same icon for Qt measures 20 points on any screen.
    const QImage image = helper.interfaceIconNamed(name);
    EXPECT_EQ(image.deviceIndependentSize().toSize(), QSize(20, 20));
    EXPECT_EQ(helper.interfaceIconImageNamed(name), icon);  // cached
  }
  EXPECT_TRUE(log.lines().empty());
}

// Node class icons come from the node editor's drawings when no file or drawing has the name.
TEST_F(InterfaceHelperTest, EveryNodeClassHasAnIcon)
{
  registerNodeClasses();
  const MVClassRegistry& registry = MVClassRegistry::shared();
  for (const std::string& className : registry.nodeClassNames()) {
    const std::string& iconName = registry.nodeClass(className)->iconName;
    if (iconName.empty()) {
      continue;
    }
    SCOPED_TRACE(className);
    const std::shared_ptr<const pf::Image> icon = helper.interfaceIconImageNamed(iconName);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->size(), pf::Size(20.0, 20.0));
    ASSERT_NE(icon->bitmap(), nullptr);
    EXPECT_GT(coverage(*icon->bitmap()), 0.05);
  }
  EXPECT_TRUE(log.lines().empty());
}

TEST_F(InterfaceHelperTest, AMissingIconIsLoggedOnEveryRequest)
{
  EXPECT_EQ(helper.interfaceIconImageNamed("icon_no_such_icon.png"), nullptr);
  EXPECT_TRUE(helper.interfaceIconNamed("icon_no_such_icon.png").isNull());
  EXPECT_EQ(log.count("Warning, interfaceIconImageNamed could not find icon 'icon_no_such_icon.png' in bundle"), 2);
  EXPECT_TRUE(helper.menuIconImageNamed("icon_no_such_icon.png").isNull());
  EXPECT_EQ(log.count("Failed to get menu icon icon_no_such_icon.png"), 1);
  EXPECT_EQ(helper.interfaceIconImageNamed(""), nullptr);
  EXPECT_EQ(log.count("Warning, interfaceIconImageNamed called with no iconName"), 1);
}

// Icons in a resource folder of the test's own: picture files measure a point per pixel and
// win over drawings of the same name, "node icons" over "interface icons"; a broken drawing is
// an error, not a missing icon.
TEST_F(InterfaceHelperTest, PictureFilesComeFirstAndBrokenDrawingsAreErrors)
{
  const std::filesystem::path folder = std::filesystem::path(::testing::TempDir()) / "interface-helper-resources";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "node icons");
  std::filesystem::create_directories(folder / "interface icons");
  QImage tall(32, 64, QImage::Format_ARGB32);
  tall.fill(Qt::red);
  tall.setDotsPerMeterX(7874);  // 200 dpi, which a picture icon does not heed
  tall.setDotsPerMeterY(7874);
  ASSERT_TRUE(tall.save(QString::fromStdString((folder / "node icons" / "test_tall.png").string())));
  QImage wide(64, 32, QImage::Format_ARGB32);
  wide.fill(Qt::blue);
  ASSERT_TRUE(wide.save(QString::fromStdString((folder / "interface icons" / "test_tall.png").string())));
  const char* drawing = R"(<svg xmlns="http://www.w3.org/2000/svg" width="20" height="20" viewBox="0 0 20 20">)"
                        R"(<circle cx="10" cy="10" r="8"/></svg>)";
  std::ofstream(folder / "interface icons" / "test_tall.svg") << drawing;
  std::ofstream(folder / "interface icons" / "test_round.svg") << drawing;
  std::ofstream(folder / "interface icons" / "test_broken.svg") << "<svg";
  MVApplicationResources::setResourceFolderOverride(folder);

  const std::shared_ptr<const pf::Image> picture = helper.interfaceIconImageNamed("test_tall.png");
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->size(), pf::Size(32.0, 64.0));
  const QImage menu = helper.menuIconImageNamed("test_tall.png");
  EXPECT_EQ(menu.deviceIndependentSize().toSize(), QSize(8, 16));
  EXPECT_EQ(helper.interfaceIconNamed("test_tall.png").size(), QSize(32, 64));

  const std::shared_ptr<const pf::Image> drawn = helper.interfaceIconImageNamed("test_round.png");
  ASSERT_NE(drawn, nullptr);
  EXPECT_EQ(drawn->pixelSize(), std::make_pair(40, 40));
  EXPECT_EQ(helper.menuIconImageNamed("test_round.png").deviceIndependentSize().toSize(), QSize(16, 16));

  EXPECT_EQ(helper.interfaceIconImageNamed("test_broken.png"), nullptr);
  EXPECT_EQ(log.count("Error, interfaceIconImageNamed could not load icon 'test_broken.png'"), 1);
  MVApplicationResources::setResourceFolderOverride({});
  std::filesystem::remove_all(folder);
}

}  // namespace
