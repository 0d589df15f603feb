#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "MorvNode/Model/MVNodeClass.h"

class MVNode;
class MVParameter;

// The one registry of model classes by the names saved in records ("Node class", "Parameter
// class"): it makes nodes and parameters by class name and answers each node class's
// constants. The parameter kinds of the model are registered from the start; node classes are
// registered at start-up by the code that defines them. An unknown name answers nullptr and
// the caller logs. Main thread only.
class MVClassRegistry {
public:
  using ParameterFactory = std::function<std::unique_ptr<MVParameter>(const std::string& name)>;

  static MVClassRegistry& shared();

  // A later registration under the same class name replaces the earlier one.
  void registerNodeClass(const MVNodeClass& nodeClass);
  // Forgets a node class (tests that stand in for a class restore the registry with it).
  void unregisterNodeClass(std::string_view className);
  void registerParameterClass(const std::string& className, ParameterFactory factory);

  // nullptr when no class of that name is registered.
  const MVNodeClass* nodeClass(std::string_view className) const;
  bool hasParameterClass(std::string_view className) const;
  // A new node, not yet initialised; nullptr for an unknown class.
  std::unique_ptr<MVNode> createNode(std::string_view className) const;
  // A new parameter named `name`; nullptr for an unknown class.
  std::unique_ptr<MVParameter> createParameter(std::string_view className, const std::string& name) const;
  // Registered node class names, sorted.
  std::vector<std::string> nodeClassNames() const;

private:
  MVClassRegistry();

  std::map<std::string, MVNodeClass, std::less<>> nodeClasses_;
  std::map<std::string, ParameterFactory, std::less<>> parameterClasses_;
};
