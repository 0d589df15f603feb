#pragma once

#include <memory>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "MorvNode/Controller/MVWarningsManager.h"
#include "MorvNode/Controller/MVWarningsManagerView.h"
#include "MorvNode/Inspector/WarningItemDelegate.h"

class MVDocument;
class NodeEditorView;
class QPushButton;
class QScrollArea;
class WarningsListItemView;

// The top pane of a document window: the node editor with the document's warnings beside it.
// The pane owns the document's warnings manager and is its view: a counter badge in the
// editor's top right corner while there are warnings, which opens and closes the side list of
// one row per warning; a click on a row selects and centres the node that raised it. The
// window deletes the pane before its document (the pane lets go of the graph controller then).
// Main thread only.
class NodeEditorPane final : public QWidget, public MVWarningsManagerView, public WarningItemDelegate {
  Q_OBJECT

public:
  static constexpr int kWarningsListWidth = 250;

  explicit NodeEditorPane(MVDocument& document, QWidget* parent = nullptr);
  ~NodeEditorPane() override;

  NodeEditorView* editor() const { return editor_; }
  MVWarningsManager& warningsManager() { return *manager_; }
  QPushButton* warningsBadge() const { return badge_; }
  QScrollArea* warningsList() const { return list_; }
  const std::vector<WarningsListItemView*>& warningRows() const { return rows_; }

  // MVWarningsManagerView
  void showWarningsBadge(long count) override;
  void hideWarningsBadge() override;
  void openWarningsPanel() override;
  void closeWarningsPanel() override;
  void updateWarningsList(const std::vector<MVWarningsManager::Entry>& entries) override;
  void updateWarningsListSelection() override;

  // WarningItemDelegate
  void warningItemClicked(WarningsListItemView* item) override;

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void placeBadge();
  void layOutRows();

  MVDocument& document_;
  std::unique_ptr<MVWarningsManager> manager_;
  NodeEditorView* editor_ = nullptr;  // child
  QScrollArea* list_ = nullptr;       // child; hidden while the list is closed
  QWidget* rowsView_ = nullptr;       // the list's document view, holds the rows
  QPushButton* badge_ = nullptr;      // child of the editor, floats over its corner
  std::vector<WarningsListItemView*> rows_;  // children of rowsView_, in entry order
};
