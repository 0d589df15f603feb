#include "MorvNode/Model/MVInterfaceFactories.h"

MVInterfaceFactories& MVInterfaceFactories::shared()
{
  static MVInterfaceFactories factories;
  return factories;
}

void MVInterfaceFactories::registerNodeView(const std::string& viewClass, NodeViewFactory factory)
{
  nodeViews_[viewClass] = std::move(factory);
}

void MVInterfaceFactories::registerParameterView(const std::string& viewClass, ParameterViewFactory factory)
{
  parameterViews_[viewClass] = std::move(factory);
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

std::unique_ptr<MVParameterInterfaceDelegate> MVInterfaceFactories::makeParameterView(std::string_view viewClass,
                                                                                      MVParameter& parameter) const
{
  const auto found = parameterViews_.find(viewClass);
  return found != parameterViews_.end() && found->second ? found->second(parameter) : nullptr;
}

std::unique_ptr<MVParameterSocketInterfaceDelegate> MVInterfaceFactories::makeSocketView(MVParameterSocket& socket) const
{
  return socketViews_ ? socketViews_(socket) : nullptr;
}

std::unique_ptr<MVConnectionInterfaceDelegate> MVInterfaceFactories::makeConnectionView(MVConnection& connection) const
{
  return connectionViews_ ? connectionViews_(connection) : nullptr;
}
