#pragma once

struct MVMenu;
class MVDocument;
class ODAnimationPanelView;
class QMenu;
class QWidget;

// The animation panel of a document's window, bound to that document: its timeline shows and
// edits the document's animation, and its add-animation button offers the graph's animatable
// properties (the controller's "Add animation" menu). The window holds the panel as its
// timeline pane and detaches it (ODAnimationPanelView::setAnimationManager(nullptr)) before the
// document goes. Main thread only.
class AnimationPanelPane {
public:
  // A new panel owned by `parent` (may be nullptr: then the caller owns it).
  static ODAnimationPanelView* create(MVDocument& document, QWidget* parent = nullptr);
  // A new Qt menu owned by `parent` with the core menu's titles, tool tips, enabled states and
  // submenus; choosing an item runs its action.
  static QMenu* menuFromModel(const MVMenu& model, QWidget* parent);
};
