#include "MorvNode/Inspector/MVParameterView.h"

#include <memory>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include "MorvNode/Inspector/MVParameterSocketView.h"
#include "MorvNode/Inspector/MVParameterViewContainer.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVInterfaceFactories.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Model/ModelTestSupport.h"
#include "Support/LogCapture.h"
#include "Support/OffscreenApplication.h"

namespace {

// "P1", "P2", ... appended piece by piece: GCC 12 warns wrongly on "literal" + string at -O2.
std::string numberedName(int index)
{
  std::string name = "P";
  name += std::to_string(index);
  return name;
}

// A node box stand-in that counts the rows' requests to stack again.
class CountingContainer : public QWidget, public MVParameterViewContainer {
public:
  void rowNeedsLayout() override { ++requests; }
  int requests = 0;
};

class ParameterViewTest : public testing::Test {
protected:
  ParameterViewTest()
  {
    MVInterfaceFactories::shared().clear();
    MVParameterView::registerBaseRows();
    node_.setNodeController(&controller_);
    node_.initWithNodeID("1");
    container_.resize(200, 400);
    container_.show();
  }
  ~ParameterViewTest() override { MVInterfaceFactories::shared().clear(); }

  template <class Kind>
  Kind* add(std::unique_ptr<Kind> parameter)
  {
    return node_.addParameter(std::move(parameter));
  }
  // Builds the parameter's row as the node view does: made by kind, placed, built, refreshed.
  MVParameterView* buildRow(MVParameter& parameter)
  {
    parameter.setParameterView(MVInterfaceFactories::shared().makeParameterView(parameter));
    MVParameterView* row = MVParameterView::rowOf(parameter);
    EXPECT_NE(row, nullptr);
    row->setParent(&container_);
    row->setGeometry(0, 0, container_.width(), 100);
    row->setParameter(&parameter);
    row->initInterface();
    row->updateInterface();
    row->setHidden(parameter.layoutHidden());
    return row;
  }

  testsupport::OffscreenApplication application_;
  FakeController controller_;  // records drag-edit selections
  MVNode node_;
  CountingContainer container_;
};

TEST_F(ParameterViewTest, HeaderIsALabelACheckboxOrNothing)
{
  struct Case {
    bool showLabel;
    bool toggle;
    bool label;
    bool checkbox;
  };
  const Case cases[] = {{true, false, true, false}, {false, true, false, true}, {true, true, false, true},
                        {false, false, false, false}};
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(index);
    auto* parameter = add(MVParameter::parameterWithName(numberedName(index++)));
    parameter->setLayoutShowHeaderLabel(c.showLabel);
    parameter->setLayoutHasEnableToggle(c.toggle);
    MVParameterView* row = buildRow(*parameter);
    EXPECT_EQ(row->headerLabel() != nullptr, c.label);
    EXPECT_EQ(row->headerButton() != nullptr, c.checkbox);
    if (c.label) {
      EXPECT_EQ(row->interfaceBuildingPositionY(), 14.0);
      EXPECT_EQ(row->headerLabel()->text().toStdString(), parameter->displayName());
      EXPECT_EQ(row->height(), 12);  // fitted to the label
    } else if (!c.checkbox) {
      EXPECT_EQ(row->interfaceBuildingPositionY(), 0.0);
      EXPECT_EQ(row->height(), 0);
    }
  }
}

TEST_F(ParameterViewTest, EnableCheckboxFollowsAndSetsTheParameter)
{
  auto* parameter = add(MVParameter::parameterWithName("Stroke"));
  parameter->setLayoutHasEnableToggle(true);
  parameter->setDisplayHeaderName("Outline");
  MVParameterView* row = buildRow(*parameter);
  ASSERT_NE(row->headerButton(), nullptr);
  EXPECT_EQ(row->headerButton()->text(), QString("Outline"));  // the header name wins
  EXPECT_TRUE(row->headerButton()->isChecked());
  row->headerButton()->click();
  EXPECT_FALSE(parameter->enabled());
  parameter->setEnabled(true);
  row->updateInterface();
  EXPECT_TRUE(row->headerButton()->isChecked());
}

TEST_F(ParameterViewTest, DragEditMarkerAndHighlight)
{
  struct Case {
    int transformType;
    bool twoAxis;
    const char* image;
  };
  const Case cases[] = {{1, false, "TransformOffset1D"}, {1, true, "TransformOffset2D"}, {2, false, "TransformScale"},
                        {4, false, "TransformSize"},     {5, false, "TransformRotation"}, {6, false, "TransformCount"}};
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image);
    const std::string name = numberedName(index++);
    MVParameterValue* parameter = c.twoAxis ? add(MVParameterValue2D::parameterWithName(name))
                                            : add(MVParameterValue::parameterWithName(name));
    parameter->setDragEditTransformType(c.transformType);
    parameter->setLayoutShowHeaderLabel(true);  // the marker sits in the header
    parameter->setLayoutSpaceAbove(4);
    parameter->setLayoutSpaceBelow(6);
    MVParameterView* row = buildRow(*parameter);
    ASSERT_NE(row->dragEditTransformMarker(), nullptr);
    EXPECT_EQ(row->dragEditTransformMarker()->objectName().toStdString(), c.image);
    EXPECT_TRUE(row->hasBackgroundBox());
    EXPECT_FALSE(row->isBackgroundBoxShown());
    parameter->setLayoutDragEditSelected(true);
    row->updateInterface();
    EXPECT_TRUE(row->isBackgroundBoxShown());
    EXPECT_EQ(row->headerColor(), MVInterfaceAssets::color("DragEditColor"));
    // The box covers the gaps the node view leaves above and below the row.
    EXPECT_EQ(row->backgroundBoxRect(), QRect(1, -4, row->width() - 2, row->height() + 10));
  }
}

TEST_F(ParameterViewTest, AClickSelectsOnlyAnEditableDragEditParameter)
{
  enum class Block { None, AlreadySelected, Disabled, Hidden, ReferenceMode, ReleaseOnly };
  const Block cases[] = {Block::None, Block::AlreadySelected, Block::Disabled, Block::Hidden, Block::ReferenceMode,
                         Block::ReleaseOnly};
  int index = 0;
  for (Block block : cases) {
    SCOPED_TRACE(index);
    auto* parameter = add(MVParameterValue::parameterWithName(numberedName(index++)));
    parameter->setDragEditTransformType(2);
    MVParameterView* row = buildRow(*parameter);
    row->show();
    controller_.dragEditSelections.clear();
    node_.setReferenceMode(block == Block::ReferenceMode);
    parameter->setLayoutDragEditSelected(block == Block::AlreadySelected);
    parameter->setEnabled(block != Block::Disabled);
    parameter->setLayoutHidden(block == Block::Hidden);
    if (block != Block::ReleaseOnly) {
      QTest::mousePress(row, Qt::LeftButton, {}, QPoint(20, 5));
    }
    QTest::mouseRelease(row, Qt::LeftButton, {}, QPoint(20, 5));
    if (block == Block::None) {
      EXPECT_EQ(controller_.dragEditSelections, std::vector<MVParameter*>{parameter});
    } else {
      EXPECT_TRUE(controller_.dragEditSelections.empty());
    }
    // A second release without a press selects nothing.
    controller_.dragEditSelections.clear();
    QTest::mouseRelease(row, Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_TRUE(controller_.dragEditSelections.empty());
  }
  node_.setReferenceMode(false);
}

TEST_F(ParameterViewTest, HeightFitsTheVisibleContentAndAsksForStackingOnlyOnChange)
{
  auto* parameter = add(MVParameter::parameterWithName("Plain"));
  MVParameterView* row = buildRow(*parameter);
  auto* control = new QLabel(row);
  control->setGeometry(5, 20, 50, 17);
  control->show();
  auto* overlay = new QLabel(row);
  overlay->setGeometry(0, 0, 50, 90);
  overlay->show();
  MVParameterView::setIgnoredByResizeToFit(overlay);
  container_.requests = 0;
  row->resizeToFit();
  EXPECT_EQ(row->height(), 37);
  EXPECT_EQ(container_.requests, 1);
  row->resizeToFit();
  EXPECT_EQ(container_.requests, 1);
  control->hide();
  row->resizeToFit();
  EXPECT_EQ(row->height(), 12);  // back to the header

  // Hiding asks for stacking once; hiding again does not.
  container_.requests = 0;
  row->setHidden(true);
  row->setHidden(true);
  EXPECT_EQ(container_.requests, 1);
  parameter->setLayoutHidden(false);
  parameter->parameterView()->setNeedsLayout();  // no run loop: laid out at once
  EXPECT_FALSE(row->isHidden());
  EXPECT_EQ(container_.requests, 2);
}

TEST_F(ParameterViewTest, SocketViewsSitOnTheEdgesAndFollowTheSockets)
{
  auto* parameter = add(MVParameterValue::parameterWithName("Width"));
  parameter->setHasInputSocket(true);
  parameter->setHasOutputSocket(true);
  parameter->setupSockets();
  MVParameterView* row = buildRow(*parameter);
  ASSERT_EQ(row->inputSocketViews().size(), 1U);
  ASSERT_EQ(row->outputSocketViews().size(), 1U);
  MVParameterSocketView* input = row->inputSocketViews()[0];
  MVParameterSocketView* output = row->outputSocketViews()[0];
  EXPECT_EQ(input->geometry(), QRect(-8, 0, 16, 16));
  EXPECT_EQ(output->geometry(), QRect(192, 0, 16, 16));
  EXPECT_EQ(input->socket(), parameter->inputSocket());
  row->resize(300, row->height());
  EXPECT_EQ(output->x(), 292);  // outputs follow the right edge
  EXPECT_EQ(input->x(), -8);

  parameter->inputSocket()->setEnabled(false);
  row->updateInterface();
  EXPECT_TRUE(input->isHidden());
  EXPECT_FALSE(output->isHidden());
}

TEST_F(ParameterViewTest, RowAndParameterForgetEachOtherWhicheverGoesFirst)
{
  auto* parameter = add(MVParameterValue::parameterWithName("Gone"));
  parameter->setHasInputSocket(true);
  parameter->setupSockets();
  MVParameterView* row = buildRow(*parameter);
  MVParameterSocketView* socketView = row->inputSocketViews()[0];
  QPointer<MVParameterView> guard(row);
  node_.removeParameter(parameter);  // destroys the parameter, its sockets and adapters
  ASSERT_FALSE(guard.isNull());      // the row belongs to its container
  EXPECT_EQ(row->parameter(), nullptr);
  EXPECT_EQ(socketView->socket(), nullptr);
  testsupport::LogCapture log;
  row->updateInterface();  // logged, not a crash
  EXPECT_EQ(log.count("Warning, MVParameterView updateInterface called with no parameter set"), 1);

  // The other way round: the row goes, and the parameter's adapter lets go of it.
  auto* kept = add(MVParameterValue::parameterWithName("Kept"));
  delete buildRow(*kept);
  EXPECT_EQ(MVParameterView::rowOf(*kept), nullptr);
  kept->parameterView()->setNeedsLayout();  // harmless without a row
}

TEST_F(ParameterViewTest, KindsWithoutARowOfTheirOwnGetThePlainRow)
{
  class NumberRow : public MVParameterView {};
  MVParameterView::registerRow<MVParameterValue, NumberRow>();
  auto* value = add(MVParameterValue::parameterWithName("Value"));
  auto* pair = add(MVParameterValue2D::parameterWithName("Pair"));
  auto* plain = add(MVParameter::parameterWithName("Heading"));
  EXPECT_NE(dynamic_cast<NumberRow*>(buildRow(*value)), nullptr);
  EXPECT_NE(dynamic_cast<NumberRow*>(buildRow(*pair)), nullptr);  // nearest registered base kind
  MVParameterView* plainRow = buildRow(*plain);
  EXPECT_EQ(dynamic_cast<NumberRow*>(plainRow), nullptr);
  EXPECT_NE(plainRow->description().find("MVParameterView for parameter"), std::string::npos);
}

}  // namespace
