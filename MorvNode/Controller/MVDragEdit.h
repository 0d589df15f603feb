#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Platform/Point.h"

class MVDragEditPanel;
class MVElement;
class MVElementGroup;
class MVNode;
class MVNodeController;
class MVParameter;

// Drag-edit of parameters on the preview: one numeric parameter of the selected nodes (an
// offset, a scale, a size, a rotation or a count) follows the pointer dragged on the preview,
// measured against a pivot taken from the generated element. It keeps the list of parameters the
// selection offers, the chosen one, the pivot, and the state of a drag; it turns the preview's
// pointer movements into values set through the parameters' own setters, with the whole drag as
// one undo step. Positions are in output (artboard) coordinates. Owned by the graph controller;
// main thread only.
class MVDragEdit {
public:
  // Seconds under which a press of the space bar counts as a tap that toggles playback.
  static constexpr double kSpaceTapDuration = 0.5;

  explicit MVDragEdit(MVNodeController& controller) : controller_(controller) {}
  MVDragEdit(const MVDragEdit&) = delete;
  MVDragEdit& operator=(const MVDragEdit&) = delete;

  // Not owned; the window's, outlives the controller or is cleared first.
  MVDragEditPanel* panel() const { return panel_; }
  void setPanel(MVDragEditPanel* panel) { panel_ = panel; }

  pf::Point dragEditPivot() const { return dragEditPivot_; }
  bool shouldShowDragEditPivot() const { return dragEditParameter_ != nullptr; }
  MVParameter* dragEditParameter() const { return dragEditParameter_; }
  // The parameters of the selected nodes that can be drag-edited now, in selection and row order.
  const std::vector<MVParameter*>& availableParameters() const { return availableParameters_; }
  bool isDragInProgress() const { return dragEditInProgress_; }

  // After a generation, a selection change and a choice: the pivot follows the element the
  // chosen parameter's node generated (unchanged without a chosen parameter or an output).
  void updateDragEditPivot();
  // After a selection change: the available parameters, and the chosen one when it is no longer
  // offered.
  void updateDragEditInterface();
  // Chooses the parameter (nullptr: none). Nothing in reference mode or for the chosen one.
  void dragEditParameterSelected(MVParameter* parameter);
  // The panel's button of that index: chooses its parameter, or none when it is the chosen one.
  void dragEditParameterButtonPressed(int index);

  // A drag on the preview: the start with the pointer position, each movement with its delta
  // since the previous one, the end on release. The first movement opens the undo group.
  void displayViewValueDragOffsetStartAt(double x, double y);
  void displayViewValueDragOffset(double dx, double dy, bool shiftHeld);
  void displayViewValueDragOffsetEnd();

  // The space bar went down (true) or up: the preview pans while it is held; a tap shorter
  // than kSpaceTapDuration toggles playback.
  void setSpaceHeldFlag(bool held);

  // The node is about to be destroyed: forget its parameters without touching them.
  void forgetNode(const MVNode* node);

  // The element of `group`'s tree whose node history holds a selected node: the group itself,
  // else its children in order (child groups searched the same way); nullptr when none.
  static const MVElement* selectedElementInGroup(const MVElement& element, const std::vector<std::string>& selectedNodeIds);
  // The groups enclosing the element with that ID, innermost first, ending with `group`; empty
  // when the ID is not in the tree below `group`.
  static std::vector<const MVElementGroup*> parentElementsOfElementWithID(long long elementID, const MVElementGroup& group);

  // The status hint the first movement of a drag shows; nullopt when none applies.
  std::optional<std::string> dragHint() const;

private:
  void setValues(double dx, double dy, bool shiftHeld);
  void tellPanelInterfaceChanged() const;
  void tellPanelSelectionChanged() const;

  MVNodeController& controller_;
  MVDragEditPanel* panel_ = nullptr;               // not owned
  MVParameter* dragEditParameter_ = nullptr;       // owned by its node; forgotten before it goes
  std::vector<MVParameter*> availableParameters_;  // likewise
  pf::Point dragEditPivot_;
  double startValueX_ = 0.0;
  double startValueY_ = 0.0;
  pf::Point mouseStart_;
  pf::Point mouse_;
  bool dragEditInProgress_ = false;
  bool undoGroupOpen_ = false;
  double spaceHeldStartTime_ = 0.0;
};
