#include "MorvNode/Controller/MVNodeSelection.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/ModelTestSupport.h"

namespace {

// Three nodes "a", "b", "c" that can be disabled, and one source node "s" that cannot.
class NodeSelectionTest : public ::testing::Test {
protected:
  NodeSelectionTest()
  {
    registerTestNodeClasses();
    for (const char* nodeId : {"a", "b", "c", "s"}) {
      owned_.push_back(MVClassRegistry::shared().createNode(nodeId[0] == 's' ? "TestSourceNode" : "TestProcessNode"));
      owned_.back()->initWithNodeID(nodeId);
    }
  }
  MVNode* node(char nodeId) const
  {
    for (const auto& each : owned_) {
      if (each->nodeId()[0] == nodeId) {
        return each.get();
      }
    }
    return nullptr;
  }
  // The selection as node IDs, checked against the nodes' flags.
  std::string selected() const
  {
    std::string ids;
    for (MVNode* each : selection.nodes()) {
      ids += each->nodeId();
    }
    for (const auto& each : owned_) {
      EXPECT_EQ(each->selected(), ids.find(each->nodeId()) != std::string::npos) << each->nodeId();
    }
    return ids;
  }

  MVNodeSelection selection;

private:
  std::vector<std::unique_ptr<MVNode>> owned_;
};

TEST_F(NodeSelectionTest, SelectFollowsAdditionAndToggle)
{
  struct Step {
    char node;  // '-' for nullptr
    bool addition;
    bool toggle;
    bool newlySelected;
    const char* after;
  };
  const std::vector<Step> steps = {
      {'a', false, false, true, "a"},  {'b', true, false, true, "ab"},  {'c', true, true, true, "abc"},
      {'a', true, false, false, "abc"}, {'b', true, true, false, "ac"},  {'c', false, true, true, "c"},
      {'a', false, false, true, "a"},  {'-', true, false, false, "a"},  {'-', false, false, false, ""},
  };
  for (std::size_t index = 0; index < steps.size(); ++index) {
    const Step& step = steps[index];
    SCOPED_TRACE(index);
    EXPECT_EQ(selection.select(step.node == '-' ? nullptr : node(step.node), step.addition, step.toggle),
              step.newlySelected);
    EXPECT_EQ(selected(), step.after);
  }
  EXPECT_TRUE(selection.isEmpty());
}

TEST_F(NodeSelectionTest, RemoveLeavesTheFlagAndToggleEnabledSkipsFixedNodes)
{
  selection.select(node('a'), false, false);
  selection.select(node('b'), true, false);
  selection.select(node('s'), true, false);
  node('b')->setEnabled(false);

  selection.toggleEnabled();
  EXPECT_FALSE(node('a')->enabled());
  EXPECT_TRUE(node('b')->enabled());
  EXPECT_TRUE(node('s')->enabled());
  EXPECT_TRUE(node('c')->enabled());

  EXPECT_TRUE(selection.remove(node('a')));
  EXPECT_FALSE(selection.remove(node('c')));
  EXPECT_TRUE(node('a')->selected());  // going away: nobody reads it again
  ASSERT_EQ(selection.nodes().size(), 2u);
  EXPECT_EQ(selection.nodes().front(), node('b'));
}

}  // namespace
