#pragma once

#include <memory>
#include <optional>
#include <string>

#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"
#include "Platform/PlistValue.h"
#include "Platform/UndoManager.h"

class MVNode;
class MVNodeController;
class MVParameter;
class ODAnimationManager;
class RandomSource;

// One document: the owner of its graph controller and of its undo manager, and the undo
// delegate of every node, parameter and connection of its graph. Model objects hand it a small
// record of the state to restore; it registers one of its revert steps with that record. Records
// name their targets by persistent identifier (node ID; "<node ID> : <parameter name>") and never
// hold objects, so an undo finds the right node or parameter after it was removed and re-created.
// Undo registration follows a balanced pause/resume counter (1 while registering) with which
// loading and bulk edits switch it off.
//
// This is the document's core, without windows: reading and writing files, export and the
// window's views belong to their own classes. Main thread only.
class MVDocument final : public NodeControllerDocumentProtocol {
public:
  // A new, empty document: no nodes, registration on (counter 1).
  MVDocument();
  // Drops the undo steps first (they refer to this document), then the graph.
  ~MVDocument() override;
  MVDocument(const MVDocument&) = delete;
  MVDocument& operator=(const MVDocument&) = delete;

  MVNodeController& nodeController() { return *nodeController_; }
  // The document's animation, with the controller as its delegate and this document's undo
  // manager.
  ODAnimationManager& animationManager() { return *animationManager_; }
  const MVNodeController& nodeController() const { return *nodeController_; }
  // The application's shared random table, handed to the controller and its nodes; not owned.
  void setRandomSource(const RandomSource* randomSource);
  // Where the document shows node reference pages (the application's browser); not owned,
  // nullptr when there is none.
  void setHelpProvider(NodeHelpProvider* helpProvider) { helpProvider_ = helpProvider; }
  // The version of the file the document was read from; empty for a new document.
  std::string fileVersion() const override { return fileVersion_; }
  void setFileVersion(std::string version) { fileVersion_ = std::move(version); }
  // What undo records name the document by.
  static std::string persistentIdentifier() { return "Document"; }

  // ---- Undo registration ----
  pf::UndoManager* undoManager() override { return &undoManager_; }
  bool hasUndoManager() const { return true; }
  // The undo manager's own registration state.
  bool isUndoRegistrationEnabled() const override;
  // Nesting pairs: registration comes back only with the resume that brings the counter back
  // to 1; an excess resume is logged and the counter set back to 1.
  void pauseUndoRegistration() override;
  void resumeUndoRegistration() override;
  int undoRegistrationState() const { return undoRegistrationState_; }
  // The counter's value as the window loads (1); loading then pauses it.
  void setUndoRegistrationState(int state) { undoRegistrationState_ = state; }

  // ---- Undo records ----
  // nullptr (logged) unless the identifier splits at " : " into a node ID and a parameter name
  // of an existing node and parameter.
  MVParameter* parameterWithPresistentParameterIdentifier(const std::string& identifier) override;
  // Only while registration is enabled.
  void storeParameterUndoState(const pf::PlistValue::Dictionary& state, MVParameter* parameter,
                               const std::optional<std::string>& actionName) override;
  void storeNodeUndoState(const pf::PlistValue::Dictionary& state, MVNode* node,
                          const std::optional<std::string>& actionName) override;
  // These two do not consult the counter: while paused the undo manager itself ignores them.
  // The removal record must be taken before the node leaves the node array.
  void storeNodeCreationUndoStateForNode(MVNode* node, const std::optional<std::string>& actionName) override;
  void storeNodeRemovalUndoStateForNode(MVNode* node, const std::optional<std::string>& actionName) override;
  // Only while registration is enabled. Callers record the connections before they change them.
  void storeConnectionsUndoState(const pf::PlistValue::Array& records,
                                 const std::optional<std::string>& actionName) override;
  void storeCurrentConnectionsUndoState(const std::optional<std::string>& actionName) override;

  // ---- Document commands the controller triggers ----
  void showHelpForNodeType(const std::string& nodeClassName) override;
  void openAnimationPanel() override;
  void animationTogglePlay() override;

private:
  // The revert steps, run by the undo manager only.
  void revertParameterUndoState(const pf::PlistValue::Dictionary& record);
  void revertNodeUndoState(const pf::PlistValue::Dictionary& record);
  void revertNodeCreationUndoState(const std::string& nodeId);
  void revertNodeDeletionUndoState(const pf::PlistValue::Dictionary& record);
  void revertConnectionsUndoState(const pf::PlistValue::Array& records);
  // The node's record with its position in the node array ("NodeArrayIndex"; left out when
  // the node is not in the array).
  pf::PlistValue::Dictionary removalRecord(const MVNode* node) const;
  // Names the step unless an undo or a redo is running: both keep the name of the first action.
  void setActionName(const std::optional<std::string>& actionName);

  // Declared first, destroyed last: the controller's nodes report to it until they are gone.
  pf::UndoManager undoManager_;
  // Outlives the controller, whose parameters its animators drive.
  std::unique_ptr<ODAnimationManager> animationManager_;
  std::unique_ptr<MVNodeController> nodeController_;
  NodeHelpProvider* helpProvider_ = nullptr;  // the application's, outlives documents
  std::string fileVersion_;
  int undoRegistrationState_ = 1;
};
