#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "MorvNode/Model/MVConnectionInterfaceDelegate.h"
#include "MorvNode/Model/MVNodeInterfaceDelegate.h"
#include "MorvNode/Model/MVParameterInterfaceDelegate.h"
#include "MorvNode/Model/MVParameterSocketInterfaceDelegate.h"

class MVConnection;
class MVNode;
class MVParameter;
class MVParameterSocket;

// Where the interface layer registers, at start-up, how the views of model objects are made:
// node boxes and parameter rows by the view class names the model answers
// (MVNode::nodeViewClass, MVParameter::parameterViewClass), socket and connection views by one
// factory each. With nothing registered (tests, export) every make function answers nullptr
// and the model runs headless. Main thread only.
class MVInterfaceFactories {
public:
  using NodeViewFactory = std::function<std::unique_ptr<MVNodeInterfaceDelegate>(MVNode& node)>;
  using ParameterViewFactory = std::function<std::unique_ptr<MVParameterInterfaceDelegate>(MVParameter& parameter)>;
  using SocketViewFactory = std::function<std::unique_ptr<MVParameterSocketInterfaceDelegate>(MVParameterSocket& socket)>;
  using ConnectionViewFactory = std::function<std::unique_ptr<MVConnectionInterfaceDelegate>(MVConnection& connection)>;

  static MVInterfaceFactories& shared();

  // A later registration under the same name replaces the earlier one.
  void registerNodeView(const std::string& viewClass, NodeViewFactory factory);
  void registerParameterView(const std::string& viewClass, ParameterViewFactory factory);
  void setSocketViewFactory(SocketViewFactory factory);
  void setConnectionViewFactory(ConnectionViewFactory factory);
  // Drops every factory (tests).
  void clear();

  // nullptr when nothing is registered for the class.
  std::unique_ptr<MVNodeInterfaceDelegate> makeNodeView(std::string_view viewClass, MVNode& node) const;
  std::unique_ptr<MVParameterInterfaceDelegate> makeParameterView(std::string_view viewClass,
                                                                  MVParameter& parameter) const;
  std::unique_ptr<MVParameterSocketInterfaceDelegate> makeSocketView(MVParameterSocket& socket) const;
  std::unique_ptr<MVConnectionInterfaceDelegate> makeConnectionView(MVConnection& connection) const;

private:
  std::map<std::string, NodeViewFactory, std::less<>> nodeViews_;
  std::map<std::string, ParameterViewFactory, std::less<>> parameterViews_;
  SocketViewFactory socketViews_;
  ConnectionViewFactory connectionViews_;
};
