#pragma once

#include "MorvNode/Inspector/MVParameterView.h"

class MVParameterGraphicsLayer;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;

// The row of one output layer of the artboard node: its name (half transparent while the layer
// is hidden), an eye toggle shown on hover or while hidden, a background while the pointer is
// over the row, and a layer menu (rename, move up, move down, delete, duplicate) from a click on
// the name or a secondary click. Renaming edits the name in place; the layer operations are the
// artboard node's, with their undo.
class MVParameterGraphicsLayerView : public MVParameterView {
  Q_OBJECT

public:
  explicit MVParameterGraphicsLayerView(QWidget* parent = nullptr);

  void setParameter(MVParameter* parameter) override;
  void initInterface() override;
  void updateInterface() override;
  // The label's top + 2; 0 without it.
  double socketInterfaceLocationForSocket(int index) const override;

  // A new menu for the layer; nullptr without a parameter. The caller owns it.
  QMenu* layerContextMenu();
  void layerMenuButtonPressed();
  void layerVisibleButton();
  void layerMenuRename();
  void layerMenuMoveUp();
  void layerMenuMoveDown();
  void layerMenuDelete();
  void layerMenuDuplicate();
  // The rename field's edit ended: a new, non-empty name is stored; rename mode ends.
  void controlTextDidEndEditing();

  bool isMouseOver() const { return mouseOverFlag_; }
  bool isRenameMode() const { return renameMode_; }
  QLabel* parameterFieldLabel() const { return parameterFieldLabel_; }
  QLineEdit* layerRenameField() const { return layerRenameField_; }
  QToolButton* layerVisibleButtonControl() const { return layerVisibleButton_; }
  QToolButton* layerMenuButton() const { return layerMenuButton_; }

protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  MVParameterGraphicsLayer* parameter_ = nullptr;  // owned by its node; cleared when it goes
  QLabel* parameterFieldLabel_ = nullptr;           // children
  QLineEdit* layerRenameField_ = nullptr;
  QToolButton* layerVisibleButton_ = nullptr;
  QToolButton* layerMenuButton_ = nullptr;
  bool mouseOverFlag_ = false;
  bool renameMode_ = false;
};
