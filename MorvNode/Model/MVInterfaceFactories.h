#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <vector>

#include "MorvNode/Model/MVConnectionInterfaceDelegate.h"
#include "MorvNode/Model/MVNodeInterfaceDelegate.h"
#include "MorvNode/Model/MVParameterInterfaceDelegate.h"
#include "MorvNode/Model/MVParameterSocketInterfaceDelegate.h"

class MVConnection;
class MVNode;
class MVParameter;
class MVParameterSocket;

// Where the interface layer registers, at start-up, how the views of model objects are made:
// node boxes by the view class names nodes answer (MVNode::nodeViewClass), parameter rows by
// the parameter's kind (its C++ class: a row of the kind's own, or of the nearest registered
// base kind; a kind with variants, such as an index shown as segments, picks the variant from
// the parameter), socket and connection views by one factory each. With nothing registered
// (tests, export) every make function answers nullptr and the model runs headless.
//
// The views these factories make are adapters: thin objects the model owns that refer to a
// widget the editor owns (by node ID, or through a guarded pointer), never owning one. Their
// "needs layout" only marks them (see MVCoalescedLayout). Main thread only.
class MVInterfaceFactories {
public:
  using NodeViewFactory = std::function<std::unique_ptr<MVNodeInterfaceDelegate>(MVNode& node)>;
  using ParameterViewFactory = std::function<std::unique_ptr<MVParameterInterfaceDelegate>(MVParameter& parameter)>;
  using SocketViewFactory = std::function<std::unique_ptr<MVParameterSocketInterfaceDelegate>(MVParameterSocket& socket)>;
  using ConnectionViewFactory = std::function<std::unique_ptr<MVConnectionInterfaceDelegate>(MVConnection& connection)>;

  static MVInterfaceFactories& shared();

  // A later registration under the same name replaces the earlier one.
  void registerNodeView(const std::string& viewClass, NodeViewFactory factory);
  // The row of parameters of kind `Kind` and of kinds derived from it that have no row of their
  // own. Register base kinds before derived ones; a later registration of a kind replaces it.
  template <class Kind>
  void registerParameterView(ParameterViewFactory factory)
  {
    registerParameterView(
        typeid(Kind),
        [](const MVParameter& parameter) {
          // Every parameter is of the base kind (and a cast to it would compare a reference's
          // address with null).
          if constexpr (std::is_same_v<Kind, MVParameter>) {
            return true;
          } else {
            return dynamic_cast<const Kind*>(&parameter) != nullptr;
          }
        },
        std::move(factory));
  }
  void setSocketViewFactory(SocketViewFactory factory);
  void setConnectionViewFactory(ConnectionViewFactory factory);
  // Drops every factory (tests).
  void clear();

  // nullptr when nothing is registered for the class.
  std::unique_ptr<MVNodeInterfaceDelegate> makeNodeView(std::string_view viewClass, MVNode& node) const;
  // The row of the parameter's own kind, else of the most recently registered kind it derives from.
  std::unique_ptr<MVParameterInterfaceDelegate> makeParameterView(MVParameter& parameter) const;
  std::unique_ptr<MVParameterSocketInterfaceDelegate> makeSocketView(MVParameterSocket& socket) const;
  std::unique_ptr<MVConnectionInterfaceDelegate> makeConnectionView(MVConnection& connection) const;

private:
  struct ParameterRow {
    std::type_index kind;
    std::function<bool(const MVParameter&)> accepts;  // the parameter is of the kind or derived
    ParameterViewFactory factory;
  };
  void registerParameterView(std::type_index kind, std::function<bool(const MVParameter&)> accepts,
                             ParameterViewFactory factory);

  std::map<std::string, NodeViewFactory, std::less<>> nodeViews_;
  std::vector<ParameterRow> parameterViews_;  // in registration order
  SocketViewFactory socketViews_;
  ConnectionViewFactory connectionViews_;
};
