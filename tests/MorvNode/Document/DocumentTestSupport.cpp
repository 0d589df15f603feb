#include "MorvNode/Document/DocumentTestSupport.h"

#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValue.h"

// ---- EditTestShapeNode ----

const MVNodeClass& EditTestShapeNode::nodeClassInfo()
{
  static const MVNodeClass nodeClass = [] {
    MVNodeClass info;
    info.className = "EditTestShapeNode";
    info.displayName = "Shape";
    info.displayTypeName = "Element";
    info.create = [] { return std::make_unique<EditTestShapeNode>(); };
    return info;
  }();
  return nodeClass;
}

void EditTestShapeNode::initNodeParameters()
{
  MVNode::initNodeParameters();
  addParameter(MVParameterValue::parameterWithName("Size"));
  auto graphics = TestGraphicsParameter::parameterWithName("Graphics");
  graphics->setHasInputSocket(false);
  graphics->setGraphicsSource(this);
  addParameter(std::move(graphics));
}

std::shared_ptr<const MVElement> EditTestShapeNode::graphicsElementForParameter(MVParameter*, std::shared_ptr<const MVElement>)
{
  return makeTestElement(nodeId() + " shape");
}

// ---- ScopedNodeClass ----

ScopedNodeClass::ScopedNodeClass(const MVNodeClass& nodeClass) : className_(nodeClass.className)
{
  if (const MVNodeClass* previous = MVClassRegistry::shared().nodeClass(className_)) {
    previous_ = *previous;
  }
  MVClassRegistry::shared().registerNodeClass(nodeClass);
}

ScopedNodeClass::~ScopedNodeClass()
{
  if (previous_) {
    MVClassRegistry::shared().registerNodeClass(*previous_);
  } else {
    MVClassRegistry::shared().unregisterNodeClass(className_);
  }
}

// ---- DocumentFixture ----

DocumentFixture::DocumentFixture()
    : defaults(std::make_shared<pf::UserDefaults>(::testing::TempDir() + "graph-editing-defaults.plist"))
{
  pf::RunLoop::setCurrent(&runLoop);
  defaults->registerDefaults(PreferenceDefaults::table());
  pf::UserDefaults::setStandard(defaults);
  registerControllerTestClasses();
}

DocumentFixture::~DocumentFixture()
{
  pf::UserDefaults::setStandard(
      std::make_shared<pf::UserDefaults>(::testing::TempDir() + "graph-editing-defaults-empty.plist"));
}

pf::PlistValue DocumentFixture::graphRecord() const
{
  pf::PlistValue::Array nodes;
  for (const auto& node : controller.nodeArray()) {
    nodes.emplace_back(node->descriptionDictionary());
  }
  pf::PlistValue::Dictionary record;
  record.set("Nodes", pf::PlistValue(std::move(nodes)));
  record.set("Connections", pf::PlistValue(controller.connectionDescriptionsArray()));
  return pf::PlistValue(std::move(record));
}

std::vector<std::string> DocumentFixture::nodeIds() const
{
  std::vector<std::string> ids;
  for (const auto& node : controller.nodeArray()) {
    ids.push_back(node->nodeId());
  }
  return ids;
}

std::vector<std::string> DocumentFixture::connectionList() const
{
  std::vector<std::string> list;
  for (const auto& connection : controller.connectionArray()) {
    const MVParameterSocket* from = connection->fromSocket();
    const MVParameterSocket* to = connection->toSocket();
    list.push_back((from != nullptr ? from->parameter()->nodeId() + "." + from->parameter()->name() : std::string("?")) +
                   " -> " +
                   (to != nullptr ? to->parameter()->nodeId() + "." + to->parameter()->name() : std::string("?")));
  }
  return list;
}

MVNode* DocumentFixture::add(const std::string& className, pf::Point location, bool autoConnect)
{
  return step([&] { return controller.addNodeOfClass(className, location, autoConnect); });
}

MVConnection* DocumentFixture::connect(MVNode* from, const std::string& output, MVNode* to, const std::string& input)
{
  return step([&]() -> MVConnection* {
    document.storeCurrentConnectionsUndoState("adding connection");
    return controller.addConnectionFromSocket(from->parameterNamed(output)->outputSocket(),
                                              to->parameterNamed(input)->inputSocket());
  });
}
