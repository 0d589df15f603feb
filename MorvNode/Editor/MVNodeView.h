#pragma once

#include <string>

#include <QPoint>
#include <QPointer>
#include <QWidget>

#include "MorvNode/Inspector/MVParameterViewContainer.h"

class MVNode;
class MVParameterView;
class NodeViewEditorView;
class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

// The box of one node on the editor canvas: a header (icon, type name, title, enabled switch,
// menu button), a warning badge, a selection border and one parameter row per parameter,
// stacked top to bottom. It changes only the node's own display name and enabled flag (through
// the node's setters, which record undo); every other pointer action goes to the canvas.
//
// The node owns a thin adapter (MVNodeViewAdapter) that refers to this widget; the canvas owns
// the widget. remove() ends it. Coordinates are the widget's own (y down, points). Main thread.
class MVNodeView : public QWidget, public MVParameterViewContainer {
  Q_OBJECT

public:
  static constexpr int kHeaderHeight = 32;      // points: rows start here
  static constexpr int kNoHeaderTop = 7;        // points: rows start here without a header
  static constexpr int kBottomMargin = 5;       // points below the last row
  static constexpr int kTitleStripHeight = 30;  // points: a double click here renames

  explicit MVNodeView(QWidget* parent = nullptr);
  ~MVNodeView() override;

  // Not owned: the node owns its view's adapter and outlives its use here.
  MVNode* node() const { return node_; }
  virtual void setNode(MVNode* node);
  NodeViewEditorView* nodeEditorView() const { return editor_; }
  void setNodeEditorView(NodeViewEditorView* editor) { editor_ = editor; }

  // Builds the header and the rows once, after setNode() and setNodeEditorView().
  virtual void initInterface();
  // Creates rows for parameters that have none, then stacks them.
  void initParameterInterface();
  virtual void updateHeaderInterface();
  void updateInterfaceEnabledState();
  void updateInterfaceSelectionState();
  void updateInterfaceWarningsState();
  // Restacks the rows and fits the height (and a simple math box's width).
  virtual void sortParameterViews();
  // The box's width in points: the class's, except for a simple math box, which is 80 wide for
  // an expression shorter than 5 characters and 100 for one shorter than 8.
  static int nodeViewWidth(const MVNode& node);
  // After a "needs layout" mark: restack and refresh every state.
  virtual void layoutNode();
  void refreshGraphicsPreviews();
  // Hides the view (it no longer counts on the canvas) and forgets the node; the widget is deleted soon after.
  void remove();
  bool isRemoved() const { return removed_; }
  // Starts editing the title (nodes that can be renamed).
  void menuRename();
  // Ends title editing: a changed name is set on the node with an undo step.
  void finishRename();
  std::string description() const;

  // Where a drag of the selection started (canvas coordinates); kept for the canvas.
  QPoint dragStartOrigin() const { return dragStartOrigin_; }
  void setDragStartOrigin(QPoint origin) { dragStartOrigin_ = origin; }

  QLabel* titleLabel() const { return titleLabel_; }
  QLineEdit* titleEditingField() const { return titleEditingField_; }
  QCheckBox* enabledButton() const { return enabledButton_; }
  QToolButton* warningButton() const { return warningButton_; }
  bool isShowingSelection() const { return showsSelection_; }

  // MVParameterViewContainer
  void rowNeedsLayout() override;
  void rowMouseEvent(MVParameterView* row, QMouseEvent* event) override;

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Asks for the node's layout pass (through its adapter), or lays out at once without one.
  void requestLayout();

private:
  void buildHeader();
  void menuButtonPressed();
  // `source` is this view or one of its descendants: the widget whose coordinates the event has.
  void forwardMouseEvent(QWidget* source, QMouseEvent* event);

  MVNode* node_ = nullptr;  // owns this view's adapter; cleared when it goes
  NodeViewEditorView* editor_ = nullptr;  // the canvas, parent of this view, outlives it
  QLabel* iconView_ = nullptr;
  QLabel* typeLabel_ = nullptr;
  QLabel* titleLabel_ = nullptr;
  QCheckBox* enabledButton_ = nullptr;
  QToolButton* menuButton_ = nullptr;
  QToolButton* warningButton_ = nullptr;
  QLineEdit* titleEditingField_ = nullptr;  // only while the title is edited
  QPoint dragStartOrigin_;
  bool showsSelection_ = false;
  bool showsWarnings_ = false;
  bool removed_ = false;
};
