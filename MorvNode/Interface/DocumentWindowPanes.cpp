#include "MorvNode/Interface/DocumentWindowPanes.h"

#include "MorvNode/Editor/NodeEditorView.h"
#include "MorvNode/Inspector/MVParameterRows.h"
#include "MorvNode/Inspector/MVParameterView.h"
#include "MorvNode/Interface/AnimationPanelPane.h"
#include "MorvNode/Interface/DocumentWindow.h"
#include "MorvNode/Interface/NodeEditorPane.h"
#include "Shared/ODAnimation/Timeline/ODAnimationPanelView.h"

void DocumentWindowPanes::install()
{
  // The rows of the parameters: the plain row first, then each kind's own.
  MVParameterView::registerBaseRows();
  MVParameterRows::registerRows();
  NodeEditorView::registerViewFactories();
  DocumentWindow::setNodeEditorFactory(
      [](DocumentWindow& window) -> QWidget* { return new NodeEditorPane(window.document()); });
  DocumentWindow::setTimelineFactory(
      [](DocumentWindow& window) -> QWidget* { return AnimationPanelPane::create(window.document()); });
}

void DocumentWindowPanes::remove()
{
  DocumentWindow::setNodeEditorFactory(nullptr);
  DocumentWindow::setTimelineFactory(nullptr);
}
