#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QColor>
#include <QFont>
#include <QRect>
#include <QWidget>

#include "MorvNode/Model/MVInterfaceFactories.h"

class MVParameter;
class MVParameterSocketView;
class MVParameterViewAdapter;
class QCheckBox;
class QLabel;

// Base of every parameter row: the view of one parameter inside its node's box. It builds what
// all rows share (a header that is a plain label or an enable checkbox, a drag-edit marker, a
// background box and one socket view per socket), keeps them in step with the parameter, fits
// its height to its content and turns a click on a drag-editable row into selecting that
// parameter for drag-editing in the preview. As it is, it is also the plain row of every kind
// that has no row of its own.
//
// Kinds' rows derive from it and are registered by kind (registerRow below). A row is built
// once: the node view sets the parameter, then calls initInterface() and updateInterface().
// Subclasses build their controls after the base's initInterface(), top-down from
// interfaceBuildingPositionY() (advancing it with setInterfaceBuildingPositionY), and refresh
// them in updateInterface() before calling the base's, which places the sockets and fits the
// height last. A subclass whose controls have their own vertical places for sockets answers
// socketInterfaceLocationForSocket(). Coordinates are the widget's: y grows downward from the
// row's top edge, in points.
//
// Views read the parameter and edit it only through its own setters (which register undo).
// The parameter is owned by its node; the row refers to it and forgets it when the parameter's
// adapter goes. Main thread only.
class MVParameterView : public QWidget {
  Q_OBJECT

public:
  explicit MVParameterView(QWidget* parent = nullptr);
  ~MVParameterView() override;

  // Registers the plain row for every kind without a row of its own (MVParameter and all
  // kinds derived from it). Call once at start-up, before the kinds' own rows.
  static void registerBaseRows();
  // Registers `Row` as the row of parameters of `Kind` (and of kinds derived from it that have
  // no row of their own). A later registration of the same kind replaces the earlier one.
  template <class Kind, class Row>
  static void registerRow()
  {
    MVInterfaceFactories::shared().registerParameterView<Kind>(
      [](MVParameter&) { return makeAdapter(new Row()); });
  }
  // The adapter a parameter owns for `row` (taken over: deleted with the adapter unless the
  // node view has given it a parent by then).
  static std::unique_ptr<MVParameterInterfaceDelegate> makeAdapter(MVParameterView* row);
  // The row widget behind a parameter's adapter; nullptr when it has none (headless, or made
  // by something else).
  static MVParameterView* rowOf(const MVParameter& parameter);

  // Header texts use the label font (10 points), values the primary font (12 points).
  static QFont labelFont();
  static QFont primaryFont();
  // Leaves `control` out of resizeToFit (drop views that reach past the content, overlays).
  static void setIgnoredByResizeToFit(QWidget* control);

  MVParameter* parameter() const { return parameter_; }
  // Not owned: the node owns its parameters. Subclasses that keep a typed pointer override it
  // and call the base; nullptr is passed when the parameter goes.
  virtual void setParameter(MVParameter* parameter);

  // Builds the row once, after setParameter(). Subclasses call the base first.
  virtual void initInterface();
  // Brings every control in line with the parameter. Subclasses update their own controls
  // first and call the base last.
  virtual void updateInterface();
  // After a "needs layout" mark: hides the row of a hidden parameter, else refreshes it.
  void layoutRow();
  // Hides or shows the row; asks the node view to stack again when the state really changes.
  void setVisible(bool visible) override;
  // Top y (row coordinates) of the socket view of that index; inputs and outputs are numbered
  // separately from 0. The base answers 0.
  virtual double socketInterfaceLocationForSocket(int index) const;
  // Keyboard focus: the row's editor takes focus (the parameter became the drag-edit one).
  virtual void makeFirstResponder() {}
  // The first and last controls of the row in the node view's tab chain; nullptr: none.
  virtual QWidget* firstKeyView() const { return nullptr; }
  virtual QWidget* lastKeyView() const { return firstKeyView(); }
  // Fits the height to the visible content (next whole point); asks the node view to stack
  // again only when the height changed.
  void resizeToFit();
  // The enable checkbox was clicked.
  void enableButtonPressed();
  // The action of the row's value controls and of the shared hover controls.
  virtual void valueControlChanged(QObject* sender);
  // "<class for parameter description ({{x, y}, {w, h}})>".
  std::string description() const;

  int layoutSpaceAbove() const { return layoutSpaceAbove_; }  // points
  void setLayoutSpaceAbove(int space) { layoutSpaceAbove_ = space; }
  int layoutSpaceBelow() const { return layoutSpaceBelow_; }  // points
  void setLayoutSpaceBelow(int space) { layoutSpaceBelow_ = space; }
  double interfaceBuildingPositionY() const { return interfaceBuildingPositionY_; }

  // The background box: a tint of the whole row, or the highlight of the drag-edit row. It
  // reaches layoutSpaceAbove() above and layoutSpaceBelow() below the row, which is beyond the
  // row's own area, so the node view paints it under its rows (row coordinates).
  bool hasBackgroundBox() const { return hasBackgroundBox_; }
  bool isBackgroundBoxShown() const { return hasBackgroundBox_ && backgroundBoxShown_; }
  QRect backgroundBoxRect() const;
  QColor backgroundBoxColor() const;

  QLabel* headerLabel() const { return headerLabel_; }
  QCheckBox* headerButton() const { return headerButton_; }
  QLabel* dragEditTransformMarker() const { return dragEditTransformMarker_; }
  QLabel* animationMarker() const { return animationMarker_; }
  const std::vector<MVParameterSocketView*>& inputSocketViews() const { return inputSocketViews_; }
  const std::vector<MVParameterSocketView*>& outputSocketViews() const { return outputSocketViews_; }
  // The current header colour ("NodeParameterLabel", or "DragEditColor" while drag-edit selected).
  QColor headerColor() const { return headerColor_; }

protected:
  void setInterfaceBuildingPositionY(double y) { interfaceBuildingPositionY_ = y; }
  // Subclasses that show a keyframe marker create it here; the base shows or hides it.
  void setAnimationMarker(QLabel* marker) { animationMarker_ = marker; }
  // Asks the node view (when the row is in one) to stack its rows again.
  void requestContainerLayout();

  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void buildBackgroundBox();
  void buildHeader();
  void buildSocketViews();
  void updateSocketInterface();
  // Hands a pointer event on to the node view (which passes it to the canvas).
  void forwardToContainer(QMouseEvent* event);

  MVParameter* parameter_ = nullptr;  // owned by its node; cleared when it goes
  QLabel* headerLabel_ = nullptr;
  QCheckBox* headerButton_ = nullptr;
  QLabel* animationMarker_ = nullptr;
  QLabel* dragEditTransformMarker_ = nullptr;
  std::vector<MVParameterSocketView*> inputSocketViews_;   // children; a socket without a view is left out
  std::vector<MVParameterSocketView*> outputSocketViews_;
  bool hasBackgroundBox_ = false;
  bool backgroundBoxShown_ = false;
  QColor backgroundBoxFill_;
  QColor headerColor_;
  double interfaceBuildingPositionY_ = 0.0;  // points, only meaningful while building
  bool mouseDownInView_ = false;
  int layoutSpaceAbove_ = 0;
  int layoutSpaceBelow_ = 0;
};
