#pragma once

#include <string>

#include <QWidget>

class MVNode;
class QFrame;
class QGraphicsOpacityEffect;
class QLabel;
class QPropertyAnimation;
class WarningItemDelegate;

// One row of a document's warnings list: the icon, type name and name of the node that raised
// the warning ("Document" for a warning of the document itself), the warning text wrapped below
// them, and a selection background. The row grows or shrinks with its text, the text keeping its
// top edge. A click goes to the delegate. Main thread only.
class WarningsListItemView : public QWidget {
  Q_OBJECT

public:
  static constexpr int kFlashMilliseconds = 250;

  explicit WarningsListItemView(QWidget* parent = nullptr);

  // Wraps the text at the label's width; the row ends 10 points below it.
  void setText(const QString& text);
  QString text() const;
  // nullptr: a warning of the document.
  void setNode(MVNode* node);
  // The node as it was set; the list resolves clicks by nodeId() (the node may be gone since).
  MVNode* node() const { return node_; }
  const std::string& nodeId() const { return nodeId_; }
  // Selecting an already selected row flashes its background; deselecting hides it at once.
  void setSelected(bool selected);
  bool selected() const { return selected_; }
  // Not owned; the list outlives its rows.
  void setDelegate(WarningItemDelegate* delegate) { delegate_ = delegate; }
  WarningItemDelegate* delegate() const { return delegate_; }

  QLabel* textLabel() const { return textLabel_; }
  QLabel* nodeTypeLabel() const { return nodeTypeLabel_; }
  QLabel* nodeTitleLabel() const { return nodeTitleLabel_; }
  QLabel* nodeIconView() const { return nodeIconView_; }
  QFrame* selectionBackground() const { return selectionBackground_; }
  bool isFlashing() const;

protected:
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  QLabel* textLabel_ = nullptr;  // children
  QLabel* nodeTypeLabel_ = nullptr;
  QLabel* nodeTitleLabel_ = nullptr;
  QLabel* nodeIconView_ = nullptr;
  QFrame* selectionBackground_ = nullptr;
  QGraphicsOpacityEffect* selectionOpacity_ = nullptr;  // owned by the background
  QPropertyAnimation* flash_ = nullptr;                 // child
  MVNode* node_ = nullptr;  // not owned; see node()
  std::string nodeId_;
  bool selected_ = false;
  WarningItemDelegate* delegate_ = nullptr;  // not owned
};
