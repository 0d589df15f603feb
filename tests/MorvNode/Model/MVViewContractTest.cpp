#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVCoalescedLayout.h"
#include "MorvNode/Model/MVInterfaceFactories.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "Platform/ManualRunLoop.h"

namespace {

class CountingView : public MVCoalescedLayout {
public:
  int layouts = 0;
  std::function<void()> duringLayout;

protected:
  void layoutNow() override
  {
    ++layouts;
    if (duringLayout) {
      duringLayout();
    }
  }
};

class LayoutQueueTest : public testing::Test {
protected:
  LayoutQueueTest() { pf::RunLoop::setCurrent(&runLoop); }
  ~LayoutQueueTest() override { pf::RunLoop::setCurrent(nullptr); }
  void endPass() { runLoop.endPass(); }

  pf::ManualRunLoop runLoop;
};

TEST_F(LayoutQueueTest, ManyMarksInOnePassLayOutOnce)
{
  CountingView a;
  CountingView b;
  for (int i = 0; i < 1000; ++i) {
    a.markNeedsLayout();
    b.markNeedsLayout();
  }
  EXPECT_EQ(a.layouts, 0);
  EXPECT_TRUE(a.isLayoutPending());
  endPass();
  EXPECT_EQ(a.layouts, 1);
  EXPECT_EQ(b.layouts, 1);
  EXPECT_FALSE(a.isLayoutPending());
  endPass();
  EXPECT_EQ(a.layouts, 1);  // nothing marked, nothing laid out
}

TEST_F(LayoutQueueTest, ViewsThatGoAwayLeaveTheQueue)
{
  auto doomed = std::make_unique<CountingView>();
  auto killer = std::make_unique<CountingView>();
  CountingView survivor;
  doomed->markNeedsLayout();
  doomed.reset();
  // A layout that destroys a view queued after it in the same pass.
  auto victim = std::make_unique<CountingView>();
  killer->duringLayout = [&victim] { victim.reset(); };
  killer->markNeedsLayout();
  victim->markNeedsLayout();
  survivor.markNeedsLayout();
  endPass();
  EXPECT_EQ(killer->layouts, 1);
  EXPECT_EQ(victim, nullptr);
  EXPECT_EQ(survivor.layouts, 1);
}

TEST_F(LayoutQueueTest, AMarkDuringLayoutWaitsForTheNextPass)
{
  CountingView view;
  view.duringLayout = [&view] {
    if (view.layouts == 1) {
      view.markNeedsLayout();
    }
  };
  view.markNeedsLayout();
  endPass();
  EXPECT_EQ(view.layouts, 1);
  endPass();
  EXPECT_EQ(view.layouts, 2);
}

TEST(LayoutQueueWithoutRunLoop, LaysOutAtOnce)
{
  pf::RunLoop::setCurrent(nullptr);
  CountingView view;
  view.markNeedsLayout();
  view.markNeedsLayout();
  EXPECT_EQ(view.layouts, 2);
}

class NamedRow : public MVParameterInterfaceDelegate {
public:
  explicit NamedRow(std::string name) : name(std::move(name)) {}
  void setNeedsLayout() override {}
  void makeFirstResponder() override {}
  void setHidden(bool) override {}
  std::string name;
};

std::string rowFor(MVParameter& parameter)
{
  auto row = MVInterfaceFactories::shared().makeParameterView(parameter);
  return row ? static_cast<NamedRow&>(*row).name : "none";
}

TEST(RowFactories, RowsAreChosenByTheParameterKind)
{
  MVInterfaceFactories& factories = MVInterfaceFactories::shared();
  factories.clear();
  auto value = MVParameterValue::parameterWithName("Value");
  EXPECT_EQ(rowFor(*value), "none");  // headless

  factories.registerParameterView<MVParameter>([](MVParameter&) { return std::make_unique<NamedRow>("plain"); });
  factories.registerParameterView<MVParameterValue>([](MVParameter&) { return std::make_unique<NamedRow>("value"); });
  factories.registerParameterView<MVParameterIndex>([](MVParameter& p) {
    // One kind, variants by the parameter's own layout.
    return std::make_unique<NamedRow>(p.layoutInterfaceType() == 1 ? "segments" : "pop-up");
  });
  auto index = MVParameterIndex::parameterWithName("Index");
  auto segments = MVParameterIndex::parameterWithName("Segments");
  segments->setLayoutInterfaceType(1);
  auto pair = MVParameterValue2D::parameterWithName("Pair");
  auto toggle = MVParameterBool::parameterWithName("Toggle");
  EXPECT_EQ(rowFor(*value), "value");
  EXPECT_EQ(rowFor(*index), "pop-up");
  EXPECT_EQ(rowFor(*segments), "segments");
  EXPECT_EQ(rowFor(*toggle), "plain");  // nearest registered base kind
  EXPECT_EQ(rowFor(*pair), "value");  // a two-axis value is a value

  // A later registration of a kind replaces it.
  factories.registerParameterView<MVParameterValue>([](MVParameter&) { return std::make_unique<NamedRow>("slider"); });
  EXPECT_EQ(rowFor(*value), "slider");
  factories.clear();
}

}  // namespace
