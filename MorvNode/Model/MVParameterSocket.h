#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MorvNode/Model/MVParameterSocketInterfaceDelegate.h"
#include "Platform/Color.h"
#include "Platform/TextPool.h"

class MVConnection;
class MVElement;
class MVParameter;

// Socket codes as the whole program uses them.
enum class MVSocketDirection : std::int8_t { Input = 1, Output = 2 };
enum class MVSocketType : std::int8_t { None = -1, Value = 0, Color = 1, Element = 2 };  // None: a connection with no end

// One typed connection point of a parameter. Invalidation enters an input socket and leaves
// through the output sockets (push); values, colours and elements are pulled from an input
// socket through its connection out of the upstream output socket. The socket does not own its
// connections (the graph controller does); a connection and its sockets keep each other's
// lists consistent, and whichever goes first detaches from the other.
class MVParameterSocket {
public:
  // Made by MVParameter::createSocketOfType; `parameter` owns the socket and outlives it.
  MVParameterSocket(MVParameter* parameter, MVSocketType type);
  ~MVParameterSocket();
  MVParameterSocket(const MVParameterSocket&) = delete;
  MVParameterSocket& operator=(const MVParameterSocket&) = delete;

  // The own flag, and the parameter enabled and not hidden.
  bool enabled() const;
  // Disabling removes every connection of the socket.
  void setEnabled(bool enabled);

  MVSocketDirection socketDirection() const { return direction_; }
  void setSocketDirection(MVSocketDirection direction) { direction_ = direction; }
  MVSocketType socketType() const { return type_; }
  // Position among the parameter's sockets of the same direction (two-axis values: 0 X, 1 Y).
  int socketIndex() const { return index_; }
  void setSocketIndex(int index) { index_ = index; }
  MVParameter* parameter() const { return parameter_; }
  const std::string& tooltip() const { return *tooltip_; }
  // Pooled (pf::TextPool): the sockets of every node of a class share their tooltips.
  void setTooltip(std::string_view tooltip) { tooltip_ = &pf::TextPool::text(tooltip); }
  MVParameterSocketInterfaceDelegate* socketView() const { return socketView_.get(); }
  void setSocketView(std::unique_ptr<MVParameterSocketInterfaceDelegate> view) { socketView_ = std::move(view); }

  // A socket keeps the connections of its own direction: an input socket's output list and an
  // output socket's input list are always empty.
  const std::vector<MVConnection*>& inputConnections() const
  {
    return direction_ == MVSocketDirection::Input ? connections_ : noConnections();
  }
  const std::vector<MVConnection*>& outputConnections() const
  {
    return direction_ == MVSocketDirection::Output ? connections_ : noConnections();
  }

  // The connection rules; `connection` may have one end only (while the user drags it).
  bool canConnectConnection(const MVConnection* connection) const;
  // Called by MVConnection when it attaches this socket; false when the rules refuse or the socket
  // has the other direction.
  bool addInputConnection(MVConnection* connection);
  bool addOutputConnection(MVConnection* connection);
  // Called by MVConnection when it detaches this socket. Losing an input is a change.
  void removeInputConnection(MVConnection* connection);
  void removeOutputConnection(MVConnection* connection);
  // Detach every connection (one connections undo record first).
  void removeAllInputConnections();
  void removeAllOutputConnections();
  void removeAllConnections();
  // Puts the input connections in the opposite order (the order of an element input's group).
  void reverseInputConnections()
  {
    if (direction_ == MVSocketDirection::Input) {
      std::reverse(connections_.begin(), connections_.end());
    }
  }

  bool hasConnectedInput() const { return !inputConnections().empty(); }
  bool hasConnectedOutput() const { return !outputConnections().empty(); }
  // Some upstream node of an input connection may answer per repetition.
  bool mightHaveDynamicInput() const;

  // Push: into the parameter / on to every downstream connection.
  void inputChanged();
  void outputChanged();

  // Pull at an output socket: the parameter's value, colour or element.
  double outputValue();
  pf::Color outputColor();  // black without a parameter
  std::shared_ptr<const MVElement> outputElement();
  // Pull at an input socket through its connections. 0.0 / nullopt / nullptr when unconnected.
  double inputValue();
  std::optional<pf::Color> inputColor();
  // A gather of this many element connections or more asks for the memory of its next pulls
  // ahead of them (see prefetchElementPulls). Below it the nodes' memory (some 8 KiB each)
  // mostly stays in the processor's last cache level, whose short wait costs less than asking
  // ahead does: measured on 1,000 shapes, asking ahead was a fifth slower; on 10,000, a
  // quarter faster.
  static constexpr std::size_t kElementPullsAskedAheadFrom = 4096;
  // Several connections give one group of their elements, in connection order.
  std::shared_ptr<const MVElement> inputElement();
  bool inputHasInfiniteLoopProblems() const;

  std::string description() const;

private:
  friend class MVConnection;
  // A connection that is being destroyed leaves the lists without any notification.
  void forgetConnection(const MVConnection* connection);
  // After every change of the list: tells the parameter when the list stopped or started being
  // empty, so that it can answer "connected?" without visiting its sockets.
  void connectionListChanged(bool hadConnections);
  static const std::vector<MVConnection*>& noConnections();
  // The gather of many input elements reads, for each connection, a chain of objects that each
  // point to the next: the connection, its upstream socket, that socket's parameter, the
  // parameter's node and what the node reads. Out of the caches (documents of thousands of
  // nodes) each would wait for the one before. Before pulling connection `index`, this asks for
  // one step of the chain of each of the next kElementPullSteps connections, the nearer ones
  // further down their chains, so that each step reads memory asked for one pull earlier and a
  // connection's memory has arrived when its turn comes. A hint: nothing changes.
  void prefetchElementPulls(std::size_t index) const;
  // The connection, its upstream socket, that socket's parameter, then the parameter's own steps
  // (a graphics parameter has five: itself, its node's first line, then three of the node).
  static constexpr int kElementPullSteps = 8;

  // Kept small: a document holds a few dozen sockets per node.
  bool enabled_ = true;
  MVSocketDirection direction_ = MVSocketDirection::Input;
  MVSocketType type_ = MVSocketType::Value;
  int index_ = 0;
  MVParameter* parameter_ = nullptr;  // owner, outlives this socket
  const std::string* tooltip_ = &pf::TextPool::empty();  // pooled
  std::unique_ptr<MVParameterSocketInterfaceDelegate> socketView_;
  std::vector<MVConnection*> connections_;  // of the socket's direction, not owned
};
