#pragma once

// What fills a document window's panes: the parameter rows and the node editor's views, the
// node editor with its warnings (NodeEditorPane) in the top pane and the animation panel
// (AnimationPanelPane) in the bottom one. The application installs them once at launch; a
// window made without them shows placeholders. Main thread only.
class DocumentWindowPanes {
public:
  static void install();
  // Windows made from now on get placeholders again (tests).
  static void remove();
};
