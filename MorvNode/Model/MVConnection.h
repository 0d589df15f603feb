#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MorvNode/Model/MVConnectionInterfaceDelegate.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "Platform/Color.h"
#include "Platform/PlistValue.h"

class MVConnectionDelegate;
class MVConnectionUndoDelegate;
class MVElement;
class MVNode;

// One output socket joined to one input socket of the same type. It carries the push of
// invalidation downstream and the pull of values, colours and elements upstream, and marks
// itself when either flow comes back to it through a loop of connections. The graph controller
// owns document connections; the editor's connection being dragged has one end only.
//
// An end change may end in MVConnectionDelegate::connectionChanged, which may destroy a
// connection left with a loose end: the setters touch nothing after that call.
class MVConnection {
public:
  MVConnection() = default;
  // Detaches from both sockets without notifying anybody.
  ~MVConnection();
  MVConnection(const MVConnection&) = delete;
  MVConnection& operator=(const MVConnection&) = delete;

  // Either socket may be nullptr; a socket that refuses leaves that end empty (logged).
  static std::unique_ptr<MVConnection> connectionFromSocket(MVParameterSocket* outputSocket,
                                                            MVParameterSocket* inputSocket);

  MVParameterSocket* fromSocket() const { return fromSocket_; }
  MVParameterSocket* toSocket() const { return toSocket_; }
  // nullptr detaches the end.
  void setFromSocket(MVParameterSocket* socket);
  void setToSocket(MVParameterSocket* socket);

  bool hasLooseEnd() const { return fromSocket_ == nullptr || toSocket_ == nullptr; }
  // The output socket's type, else the input socket's, else None.
  // The type of the end it has (a socket's type never changes), None with no end.
  MVSocketType connectionType() const { return type_; }
  MVNode* fromNode() const;  // nullptr without the socket
  MVNode* toNode() const;

  // Push from the output socket into the input socket.
  void inputChanged();
  // Pull from the output socket. 0.0 / nullopt / nullptr for a missing or mistyped output
  // socket (logged) and where the pull comes back to this connection through a loop.
  double getValue();
  std::optional<pf::Color> getColor();
  std::shared_ptr<const MVElement> getElement();

  // Detaches both ends (reporting nothing to the controller) and removes the view.
  void remove();

  // The connection record; nullopt for a connection with a loose end.
  std::optional<pf::PlistValue::Dictionary> descriptionDictionary() const;
  std::string description() const;

  bool isGettingValue() const { return isGettingValue_; }
  bool isSettingValue() const { return isSettingValue_; }
  // Set by the editor while the user drags an end.
  bool isBeingEdited() const { return isBeingEdited_; }
  void setIsBeingEdited(bool editing) { isBeingEdited_ = editing; }
  // The last pull or push met this connection again inside a loop.
  bool hasInfiniteLoopProblem() const { return hasInfiniteLoopProblem_; }
  void setHasInfiniteLoopProblem(bool problem) { hasInfiniteLoopProblem_ = problem; }
  // The next pulled value or colour starts a new preview history: after an end changed, after
  // the flag was set, and at the first pull of every generation of the controller's graph.
  bool previewsNewCycleFlag() const;
  void setPreviewsNewCycleFlag(bool flag);

  // What was pulled through the connection in the current cycle, for its context menu.
  long long previewIterations() const { return previewIterations_; }
  const std::vector<pf::Color>& previewColors() const { return previewColors_; }
  const std::vector<double>& previewValues() const { return previewValues_; }
  // Whether a value or colour history exists: something passed since the connection was made.
  bool hasPreviewValues() const { return hasPreviewValues_; }
  bool hasPreviewColors() const { return hasPreviewColors_; }

  MVConnectionInterfaceDelegate* connectionView() const { return connectionView_.get(); }
  void setConnectionView(std::unique_ptr<MVConnectionInterfaceDelegate> view) { connectionView_ = std::move(view); }
  MVConnectionDelegate* nodeController() const { return nodeController_; }
  void setNodeController(MVConnectionDelegate* controller) { nodeController_ = controller; }
  MVConnectionUndoDelegate* undoDelegate() const { return undoDelegate_; }
  void setUndoDelegate(MVConnectionUndoDelegate* undoDelegate) { undoDelegate_ = undoDelegate; }

private:
  friend class MVParameterSocket;
  // A socket that is being destroyed leaves this connection without any notification.
  void forgetSocket(const MVParameterSocket* socket);
  void updateType();
  void recordPreviewValue(double value);
  void recordPreviewColor(const pf::Color& color);
  void endChanged(bool detachedOldSocket);
  // The controller's generation cycle; 0 without a controller (setting the flag alone then
  // starts a history).
  long long currentCycleID() const;
  // The pull that calls it starts the current cycle's history.
  void startPreviewCycle();

  // False once the connection is destroyed: a push through it may end it (the node it reaches
  // can hide the input it enters), and the push must not touch it afterwards.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  bool isGettingValue_ = false;
  bool isSettingValue_ = false;
  bool isBeingEdited_ = false;
  bool hasInfiniteLoopProblem_ = false;
  MVParameterSocket* fromSocket_ = nullptr;  // not owned; detaches itself when destroyed
  MVParameterSocket* toSocket_ = nullptr;    // not owned; detaches itself when destroyed
  MVSocketType type_ = MVSocketType::None;   // of the ends, kept by updateType()
  // What a pull reads and counts, beside the ends it goes through.
  MVConnectionDelegate* nodeController_ = nullptr;  // the graph controller, outlives this
  // The generation cycle of the preview history; kNoPreviewCycle when the next pull starts one
  // whatever the cycle (the flag set, an end changed).
  static constexpr long long kNoPreviewCycle = -1;
  long long previewCycleID_ = 0;
  long long previewIterations_ = 0;
  std::unique_ptr<MVConnectionInterfaceDelegate> connectionView_;
  MVConnectionUndoDelegate* undoDelegate_ = nullptr;  // the document, outlives this
  bool hasPreviewValues_ = false;  // a value history exists (it may be empty)
  bool hasPreviewColors_ = false;
  std::vector<pf::Color> previewColors_;
  std::vector<double> previewValues_;
};
