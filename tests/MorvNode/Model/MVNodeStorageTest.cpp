#include "MorvNode/Model/MVNodeStorage.h"

#include <cstdint>
#include <memory>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"

namespace {

std::uintptr_t address(const void* object)
{
  return reinterpret_cast<std::uintptr_t>(object);
}

// The first shape node teaches the storage its class's size (its block is too small, and what
// does not fit comes from the heap); the next one lies in one block with every parameter it
// declares, each after the node.
TEST(NodeStorage, NodeAndItsDeclaredParametersLieInOneBlock)
{
  registerNodeClasses();
  std::unique_ptr<MVNode> first = MVClassRegistry::shared().createNode("ElementShapeNode");
  std::unique_ptr<MVNode> second = MVClassRegistry::shared().createNode("ElementShapeNode");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  ASSERT_GT(second->parameters().size(), 15u);
  const std::uintptr_t node = address(second.get());
  for (const auto& parameter : second->parameters()) {
    SCOPED_TRACE(parameter->name());
    EXPECT_GT(address(parameter.get()), node);
    EXPECT_LT(address(parameter.get()), node + 16 * 1024);
  }
  // Freed in another order than made, the first node's heap part included.
  first.reset();
  second.reset();
}

// A parameter taken out of its node keeps its memory after the node is gone, whichever of the
// two is freed first, inside or outside a block (AddressSanitizer sees a block freed early).
TEST(NodeStorage, ObjectsOutliveTheirNeighbours)
{
  registerNodeClasses();
  for (const bool nodeFirst : {true, false}) {
    SCOPED_TRACE(nodeFirst ? "node freed first" : "parameter freed first");
    std::unique_ptr<MVNode> node = MVClassRegistry::shared().createNode("ElementShapeNode");
    ASSERT_NE(node, nullptr);
    std::unique_ptr<MVParameter> taken = node->removeParameter(node->parameterNamed("Rotation"));
    ASSERT_NE(taken, nullptr);
    if (nodeFirst) {
      node.reset();
    } else {
      taken.reset();
    }
    if (taken != nullptr) {
      taken->setDisplayName("Kept");
      EXPECT_EQ(taken->displayName(), "Kept");
      EXPECT_EQ(taken->node(), nullptr);
    } else {
      EXPECT_EQ(node->parameterNamed("Rotation"), nullptr);
      EXPECT_NE(node->parameterNamed("Position"), nullptr);
    }
  }
}

// A block opened inside another one changes nothing: what is made inside both goes to the outer
// block while it has room (one shape node's worth) and to the heap after, and each frees as usual.
TEST(NodeStorage, InnerBlocksLeaveTheOuterOneOpen)
{
  registerNodeClasses();
  const MVNodeClass* shape = MVClassRegistry::shared().nodeClass("ElementShapeNode");
  ASSERT_NE(shape, nullptr);
  std::unique_ptr<MVNode> outer;
  std::unique_ptr<MVNode> inner;
  {
    const MVNodeStorage::Block block(*shape);
    outer = MVClassRegistry::shared().createNode("ElementShapeNode");
    inner = MVClassRegistry::shared().createNode("ElementShapeNode");
  }
  ASSERT_NE(outer, nullptr);
  ASSERT_NE(inner, nullptr);
  EXPECT_NE(outer->parameterNamed("Size"), inner->parameterNamed("Size"));
  inner.reset();
  outer.reset();
}

}  // namespace
