#pragma once

#include <memory>
#include <string>
#include <vector>

#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Nodes/Change/ChangeNode.h"
#include "MorvNode/Nodes/NodeTestSupport.h"
#include "Shared/RandomSource/RandomSource.h"

// A node whose "Graphics" output is a fixed element, to feed change nodes.
class FixedGraphicsNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo()
  {
    static const MVNodeClass nodeClass = [] {
      MVNodeClass info;
      info.className = "TestFixedGraphicsNode";
      info.displayName = "Fixed";
      info.create = [] { return std::make_unique<FixedGraphicsNode>(); };
      return info;
    }();
    return nodeClass;
  }
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  void setElement(std::shared_ptr<const MVElement> element)
  {
    element_ = std::move(element);
    graphics_.inputChanged();
  }
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter*, std::shared_ptr<const MVElement>) override
  {
    return element_;
  }

private:
  std::shared_ptr<const MVElement> element_;
  MVParameterGraphics& graphics_ = nodekit::graphics(*this, {.name = "Graphics", .inputSocket = false});
};

// A document with a fixed source to connect change and group nodes to.
class ChangeGraphTest : public NodeGraphTest {
protected:
  ChangeGraphTest()
  {
    MVClassRegistry::shared().registerNodeClass(FixedGraphicsNode::nodeClassInfo());
    document.setRandomSource(&randomTable());
  }

  // The application's random table, filled once for all tests.
  static const RandomSource& randomTable()
  {
    static const RandomSource table(RandomSource::kApplicationSeed);
    return table;
  }

  // A source of `element` connected to the "Graphics" input of `node`; the source.
  FixedGraphicsNode* feed(MVNode* node, std::shared_ptr<const MVElement> element)
  {
    auto* source = add<FixedGraphicsNode>("TestFixedGraphicsNode");
    source->setElement(std::move(element));
    controller().addConnectionFromSocket(source->graphicsParameterNamed("Graphics")->outputSocket(),
                                         node->graphicsParameterNamed("Graphics")->inputSocket());
    return source;
  }
  // The node's output on the named row, pulled afresh.
  static std::shared_ptr<const MVElement> pull(MVNode* node, const std::string& name = "Graphics")
  {
    MVParameterGraphics* parameter = node->graphicsParameterNamed(name);
    parameter->inputChanged();
    return parameter->element();
  }
  // A leaf at (x, y), named "m<index>".
  static std::shared_ptr<MVElement> leaf(int index, double x = 0, double y = 0)
  {
    auto element = std::make_shared<MVElement>();
    element->setPositionX(x, y);
    std::string name = "m";  // appended: GCC 12 warns wrongly on "literal" + string at -O2
    name += std::to_string(index);
    element->setElementName(name);
    return element;
  }
  // A group of `n` leaves m0 ... m(n-1), leaf k at (10k, 0).
  static std::shared_ptr<MVElementGroup> row(int n)
  {
    auto group = std::make_shared<MVElementGroup>();
    group->setElementName("row");
    for (int k = 0; k < n; ++k) {
      group->addElementWithoutRecalculatingPivot(leaf(k, 10.0 * k, 0));
    }
    group->recalculateArrayPivot();
    return group;
  }
  static std::vector<std::string> names(const MVElement* element)
  {
    std::vector<std::string> result;
    if (const auto* group = dynamic_cast<const MVElementGroup*>(element)) {
      for (const auto& member : group->elementArray()) {
        result.push_back(member->elementName().value_or("?"));
      }
    } else if (element != nullptr) {
      result.push_back(element->elementName().value_or("?"));
    }
    return result;
  }
};
