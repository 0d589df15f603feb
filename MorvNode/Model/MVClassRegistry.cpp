#include "MorvNode/Model/MVClassRegistry.h"

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeStorage.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterFile.h"
#include "MorvNode/Model/MVParameterFont.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterString.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "MorvNode/Model/MVParameterValueFunction.h"

namespace {

template <class Kind>
MVClassRegistry::ParameterFactory parameterFactory()
{
  return [](const std::string& name) -> std::unique_ptr<MVParameter> { return Kind::parameterWithName(name); };
}

}  // namespace

MVClassRegistry::MVClassRegistry()
{
  registerNodeClass(MVNode::nodeClassInfo());
  registerParameterClass("MVParameter", parameterFactory<MVParameter>());
  registerParameterClass("MVParameterValue", parameterFactory<MVParameterValue>());
  registerParameterClass("MVParameterValue2D", parameterFactory<MVParameterValue2D>());
  registerParameterClass("MVParameterValueExpression", parameterFactory<MVParameterValueExpression>());
  registerParameterClass("MVParameterValueFunction", parameterFactory<MVParameterValueFunction>());
  registerParameterClass("MVParameterString", parameterFactory<MVParameterString>());
  registerParameterClass("MVParameterFont", parameterFactory<MVParameterFont>());
  registerParameterClass("MVParameterFile", parameterFactory<MVParameterFile>());
  registerParameterClass("MVParameterColor", parameterFactory<MVParameterColor>());
  registerParameterClass("MVParameterBool", parameterFactory<MVParameterBool>());
  registerParameterClass("MVParameterIndex", parameterFactory<MVParameterIndex>());
  registerParameterClass("MVParameterNodeIndex", parameterFactory<MVParameterNodeIndex>());
  registerParameterClass("MVParameterGraphics", parameterFactory<MVParameterGraphics>());
  registerParameterClass("MVParameterGraphicsLayer", parameterFactory<MVParameterGraphicsLayer>());
}

MVClassRegistry& MVClassRegistry::shared()
{
  static MVClassRegistry registry;
  return registry;
}

void MVClassRegistry::registerNodeClass(const MVNodeClass& nodeClass)
{
  nodeClasses_.insert_or_assign(nodeClass.className, nodeClass);
}

void MVClassRegistry::unregisterNodeClass(std::string_view className)
{
  const auto found = nodeClasses_.find(className);
  if (found != nodeClasses_.end()) {
    nodeClasses_.erase(found);
  }
}

void MVClassRegistry::registerParameterClass(const std::string& className, ParameterFactory factory)
{
  parameterClasses_.insert_or_assign(className, std::move(factory));
}

const MVNodeClass* MVClassRegistry::nodeClass(std::string_view className) const
{
  const auto found = nodeClasses_.find(className);
  return found != nodeClasses_.end() ? &found->second : nullptr;
}

bool MVClassRegistry::hasParameterClass(std::string_view className) const
{
  return parameterClasses_.find(className) != parameterClasses_.end();
}

std::unique_ptr<MVNode> MVClassRegistry::createNode(std::string_view className) const
{
  const MVNodeClass* found = nodeClass(className);
  if (found == nullptr || !found->create) {
    return nullptr;
  }
  // The node and the parameters its constructor declares, in one block of memory.
  const MVNodeStorage::Block block(*found);
  return found->create();
}

std::unique_ptr<MVParameter> MVClassRegistry::createParameter(std::string_view className, const std::string& name) const
{
  const auto found = parameterClasses_.find(className);
  return found != parameterClasses_.end() && found->second ? found->second(name) : nullptr;
}

std::vector<std::string> MVClassRegistry::nodeClassNames() const
{
  std::vector<std::string> names;
  names.reserve(nodeClasses_.size());
  for (const auto& entry : nodeClasses_) {
    names.push_back(entry.first);
  }
  return names;
}
