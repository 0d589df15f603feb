#include "MorvNode/Model/MVInterfaceFactories.h"

#include <algorithm>

#include "MorvNode/Model/MVParameter.h"

MVInterfaceFactories& MVInterfaceFactories::shared()
{
  static MVInterfaceFactories factories;
  return factories;
}

void MVInterfaceFactories::registerNodeView(const std::string& viewClass, NodeViewFactory factory)
{
  nodeViews_[viewClass] = std::move(factory);
}

void MVInterfaceFactories::registerParameterView(std::type_index kind, std::function<bool(const MVParameter&)> accepts,
                                                 ParameterViewFactory factory)
{
  std::erase_if(parameterViews_, [kind](const ParameterRow& row) { return row.kind == kind; });
  parameterViews_.push_back({kind, std::move(accepts), std::move(factory)});
}

void MVInterfaceFactories::setSocketViewFactory(SocketViewFactory factory)
{
  socketViews_ = std::move(factory);
}

void MVInterfaceFactories::setConnectionViewFactory(ConnectionViewFactory factory)
{
  connectionViews_ = std::move(factory);
}

void MVInterfaceFactories::clear()
{
  nodeViews_.clear();
  parameterViews_.clear();
  socketViews_ = nullptr;
  connectionViews_ = nullptr;
}

std::unique_ptr<MVNodeInterfaceDelegate> MVInterfaceFactories::makeNodeView(std::string_view viewClass,
                                                                            MVNode& node) const
{
  const auto found = nodeViews_.find(viewClass);
  return found != nodeViews_.end() && found->second ? found->second(node) : nullptr;
}

std::unique_ptr<MVParameterInterfaceDelegate> MVInterfaceFactories::makeParameterView(MVParameter& parameter) const
{
  const std::type_index own(typeid(parameter));
  const auto exact = std::find_if(parameterViews_.begin(), parameterViews_.end(),
                                  [own](const ParameterRow& row) { return row.kind == own; });
  if (exact != parameterViews_.end()) {
    return exact->factory ? exact->factory(parameter) : nullptr;
  }
  const auto base = std::find_if(parameterViews_.rbegin(), parameterViews_.rend(),
                                 [&parameter](const ParameterRow& row) { return row.accepts(parameter); });
  return base != parameterViews_.rend() && base->factory ? base->factory(parameter) : nullptr;
}

std::unique_ptr<MVParameterSocketInterfaceDelegate> MVInterfaceFactories::makeSocketView(MVParameterSocket& socket) const
{
  return socketViews_ ? socketViews_(socket) : nullptr;
}

std::unique_ptr<MVConnectionInterfaceDelegate> MVInterfaceFactories::makeConnectionView(MVConnection& connection) const
{
  return connectionViews_ ? connectionViews_(connection) : nullptr;
}
