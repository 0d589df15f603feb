#pragma once

#include <vector>

#include <QWidget>

#include "MorvNode/Controller/MVDragEditPanel.h"

class MVNodeController;
class QLabel;
class QToolButton;

// The strip above the preview that offers the drag-editable parameters of the selected nodes:
// the node's icon, type and name ("Selected" / "Multiple nodes" for several), and one toggle
// button per parameter with the icon of its transform, grouped by node with a gap between the
// groups. The chosen parameter's button is on and widened by its name. Pressing a button chooses
// its parameter, pressing the chosen one un-chooses it. Hidden while nothing is offered.
class MVDragEditPanelView : public QWidget, public MVDragEditPanel {
  Q_OBJECT

public:
  static constexpr int kButtonSize = 20;    // points
  static constexpr int kNodeGroupGap = 7;   // points between the buttons of two nodes

  explicit MVDragEditPanelView(QWidget* parent = nullptr);
  ~MVDragEditPanelView() override;

  // Not owned; the document's. Registers the panel with the controller's drag-edit (nullptr:
  // unregisters).
  void setNodeController(MVNodeController* controller);

  void dragEditInterfaceChanged() override;
  void dragEditSelectionChanged() override;

  QLabel* nodeIconView() const { return nodeIconView_; }
  QLabel* nodeHeaderLabel() const { return nodeHeaderLabel_; }
  QLabel* nodeTitleLabel() const { return nodeTitleLabel_; }
  QLabel* parameterLabel() const { return parameterLabel_; }
  // The buttons of the available parameters, in order (surplus buttons are hidden and not listed).
  std::vector<QToolButton*> visibleButtons() const;

private:
  void setupDragEditButtons();
  void updateDragEditButtonSelection();
  void buttonPressed(QToolButton* button);

  MVNodeController* controller_ = nullptr;  // not owned
  QLabel* nodeIconView_ = nullptr;          // children
  QLabel* nodeHeaderLabel_ = nullptr;
  QLabel* nodeTitleLabel_ = nullptr;
  QLabel* parameterLabel_ = nullptr;
  std::vector<QToolButton*> buttons_;  // reused; children
  int availableCount_ = 0;
};
