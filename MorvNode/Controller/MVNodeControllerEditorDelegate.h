#pragma once

#include "Platform/Rect.h"

class MVConnection;
class MVNode;

// The node editor canvas as the graph controller reaches it. The interface layer implements it;
// headless (tests, export) the controller has none and every call is skipped.
class MVNodeControllerEditorDelegate {
public:
  virtual ~MVNodeControllerEditorDelegate() = default;

  // Rebuilds the node boxes / the connection curves from the controller's arrays.
  virtual void nodesChanged() = 0;
  virtual void connectionsChanged() = 0;
  // Brings the node's box to the front.
  virtual void moveNodeToTop(MVNode* node) = 0;
  virtual void arrangeNodeViews() = 0;
  // The editor's clipboard commands.
  virtual void copy() = 0;
  virtual void paste() = 0;
  // Fits the canvas to the node boxes.
  virtual void resizeView() = 0;
  // Called once when the controller is set up with its editor.
  virtual void initialize() = 0;
  // Space held: the canvas pans instead of editing.
  virtual void setSpaceHeldFlag(bool held) = 0;
  virtual void scrollToNode(MVNode* node) = 0;
  // The connection the user is drawing; nullptr when none.
  virtual MVConnection* currentlyEditedConnection() const = 0;
  // Hides the shared hover control of numeric rows (its row may be going away).
  virtual void hideHoverControls() = 0;
  // After a selection change the canvas takes the keyboard focus back from a text field, unless
  // the field is inside the box of `node` (nullptr: unless the canvas has it already).
  virtual void restoreKeyboardFocus(MVNode* node) = 0;
  // The canvas frame in editor coordinates (new nodes are placed against its width).
  virtual pf::Rect frame() const = 0;
};
