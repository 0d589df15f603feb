#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/NodeTestSupport.h"

class MVParameterNodeIndex;

// A shape whose "IndexParameter" watches a published node index: each element it generates is
// as wide as the index's current value, and it records every value it read.
class IndexedShapeNode : public ElementShapeNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  IndexedShapeNode();
  std::shared_ptr<MVElement> generateElement() override;
  // Watches `key` ("<node ID> * <name>") of the controller's node indexes.
  void watch(const std::string& key);

  std::vector<double> seen;

private:
  MVParameterNodeIndex* index_ = nullptr;  // owned by the parameter list
};

// What a test reads of one member of a repeater's output.
struct Member {
  double x = 0;
  double y = 0;
  std::string name;
  long long elementID = 0;
};

// A document with a 30 x 30 rectangle at the origin feeding the repeater under test, whose
// output goes to the artboard.
class RepeaterTest : public NodeGraphTest {
protected:
  RepeaterTest();

  template <class Node>
  Node* addRepeater(const std::string& className)
  {
    auto* node = add<Node>(className);
    connect(shape, node);
    connectToLayer(node);
    return node;
  }
  // `from`'s "Graphics" output to `to`'s "Graphics" input.
  void connect(MVNode* from, MVNode* to);
  // The node's output as the artboard pulls it.
  static std::shared_ptr<const MVElement> output(MVNode* node);
  static std::shared_ptr<const MVElementGroup> group(MVNode* node);
  static std::vector<Member> members(const MVElementGroup& group);
  // The degrees of the element's rotate entries, in push order.
  static std::vector<double> rotations(const MVElement& element);

  ElementShapeNode* shape = nullptr;  // owned by the controller
};
