#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QPointer>
#include <QSplitter>

#include "Platform/PlistValue.h"

class CollapsingSplitViewDelegate;
class QVariantAnimation;

// A two-pane split view whose first or second pane can be collapsed (its content taken out of
// the window) and expanded again to the size it had, with minimum pane sizes kept while the
// divider is dragged and a state dictionary for the document file.
//
// Each pane is a container that holds one content widget. A pane is shown while its content is
// inside the split view and collapsed while it is not; a pane without content is neither.
// Collapsed content is parked in a hidden holder that the split view owns, so it keeps its
// state and is destroyed with the split view. Sizes are in widget pixels along the split axis:
// widths when the panes sit side by side (vertical()), heights when they are stacked. Main
// thread only.
class CollapsingSplitView : public QSplitter {
  Q_OBJECT

public:
  // `vertical` puts the panes side by side with a vertical divider between them.
  CollapsingSplitView(bool vertical, std::string name, QWidget* parent = nullptr);
  ~CollapsingSplitView() override;

  // The content of a pane; the split view takes ownership. nullptr leaves the pane empty. A
  // pane's content may be replaced; the old content is deleted.
  void setFirstViewContent(QWidget* content);
  void setSecondViewContent(QWidget* content);
  QWidget* firstViewContent() const { return firstViewContent_; }
  QWidget* secondViewContent() const { return secondViewContent_; }

  // Not owned; nullptr when nobody listens.
  void setResizeDelegate(CollapsingSplitViewDelegate* delegate) { resizeDelegate_ = delegate; }
  double firstViewMinimumSize() const { return firstViewMinimumSize_; }
  void setFirstViewMinimumSize(double size) { firstViewMinimumSize_ = size; }
  double secondViewMinimumSize() const { return secondViewMinimumSize_; }
  void setSecondViewMinimumSize(double size) { secondViewMinimumSize_ = size; }
  const std::string& name() const { return name_; }
  bool vertical() const { return orientation() == Qt::Horizontal; }

  void collapseFirstView();
  void expandFirstView();
  void collapseSecondView();
  void expandSecondView();
  // The same for the second pane with a 0.2 s divider movement.
  void collapseSecondViewAnimated();
  void expandSecondViewAnimated();

  // No for a pane without content.
  bool isFirstViewCollapsed() const;
  bool isSecondViewCollapsed() const;
  bool isCollapsed() const { return isFirstViewCollapsed() || isSecondViewCollapsed(); }
  bool isFirstViewShown() const;
  bool isSecondViewShown() const;

  // The divider's position along the split axis; 0 when neither pane is shown.
  double dividerLocation() const;
  // 0 while a pane is collapsed.
  double dividerThickness() const;
  // The total size along the split axis.
  double totalSize() const;
  // Moves the divider to `position` along the split axis.
  void setDividerPosition(double position);
  // A proposed divider position with the minimum sizes applied; unchanged while a pane is
  // collapsed. When both minimums cannot be met the second pane's wins.
  double constrainSplitPosition(double proposed) const;

  pf::PlistValue::Dictionary descriptionDictionary() const;
  // A collapsed pane is never expanded by loading.
  void loadDescriptionDictionary(const pf::PlistValue::Dictionary& dictionary);
  // "<CollapsingSplitView 'name' viewStates: Open | Collapsed>".
  std::string description() const;

  double savedFirstViewSize() const { return savedFirstViewSize_; }
  double savedSecondViewSize() const { return savedSecondViewSize_; }

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  void setContent(QWidget* container, QPointer<QWidget>& slot, QWidget* content);
  double axisSize(const QWidget* widget) const;
  static bool isInside(const QWidget* widget, const QWidget* ancestor);
  void park(QWidget* container, QWidget* content);
  void unpark(QWidget* container, QWidget* content, double size);
  void updateHandle();
  void dividerMoved(int position);
  void notifyResize();
  void animateDivider(double from, double to, std::function<void()> completion);

  std::string name_;
  QWidget* firstView_ = nullptr;   // child of the split view: the first pane's container
  QWidget* secondView_ = nullptr;  // child of the split view: the second pane's container
  QPointer<QWidget> firstViewContent_;
  QPointer<QWidget> secondViewContent_;
  std::unique_ptr<QWidget> parking_;  // hidden holder of collapsed content, never shown
  CollapsingSplitViewDelegate* resizeDelegate_ = nullptr;  // not owned
  double savedFirstViewSize_ = 0.0;
  double savedSecondViewSize_ = 0.0;
  double firstViewMinimumSize_ = 0.0;
  double secondViewMinimumSize_ = 0.0;
  int standardHandleWidth_ = 0;
  bool constraining_ = false;
  QPointer<QVariantAnimation> animation_;
};
