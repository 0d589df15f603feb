#include "RepeaterTestSupport.h"

#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "Shared/RandomSource/RandomSource.h"

const MVNodeClass& IndexedShapeNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info = ElementShapeNode::nodeClassInfo();
    info.className = "IndexedShapeTestNode";
    info.create = [] { return std::make_unique<IndexedShapeNode>(); };
    return info;
  }();
  return nodeClass;
}

IndexedShapeNode::IndexedShapeNode()
{
  index_ = addParameter(MVParameterNodeIndex::parameterWithName("IndexParameter"));
}

std::shared_ptr<MVElement> IndexedShapeNode::generateElement()
{
  std::shared_ptr<MVElement> element = ElementShapeNode::generateElement();
  const double value = index_->value();
  seen.push_back(value);
  element->setWidth(value);
  return element;
}

void IndexedShapeNode::watch(const std::string& key)
{
  index_->setNodeIndexManager(nodeController()->nodeIndexManager());
  index_->updateElementIndexes();
  const auto& names = index_->indexNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == key) {
      index_->setIndex(static_cast<long long>(i));
    }
  }
}

RepeaterTest::RepeaterTest()
{
  // The application's table, made once for every test (3 million draws).
  static const RandomSource table(RandomSource::kApplicationSeed);
  document.setRandomSource(&table);
  MVClassRegistry::shared().registerNodeClass(IndexedShapeNode::nodeClassInfo());
  shape = add<ElementShapeNode>("ElementShapeNode");
}

void RepeaterTest::connect(MVNode* from, MVNode* to)
{
  ASSERT_NE(controller().addConnectionFromSocket(from->graphicsParameterNamed("Graphics")->outputSocket(),
                                                 to->graphicsParameterNamed("Graphics")->inputSockets().front().get()),
            nullptr);
}

std::shared_ptr<const MVElement> RepeaterTest::output(MVNode* node)
{
  return node->graphicsParameterNamed("Graphics")->element();
}

std::shared_ptr<const MVElementGroup> RepeaterTest::group(MVNode* node)
{
  return std::dynamic_pointer_cast<const MVElementGroup>(output(node));
}

std::vector<Member> RepeaterTest::members(const MVElementGroup& group)
{
  std::vector<Member> result;
  for (const auto& child : group.elementArray()) {
    result.push_back({child->positionX(), child->positionY(), child->elementName().value_or(""), child->elementID()});
  }
  return result;
}

std::vector<double> RepeaterTest::rotations(const MVElement& element)
{
  std::vector<double> result;
  if (element.transformStack()) {
    for (const MVTransformEntry& entry : *element.transformStack()) {
      if (entry.kind == MVTransformKind::Rotate) {
        result.push_back(entry.a);
      }
    }
  }
  return result;
}
