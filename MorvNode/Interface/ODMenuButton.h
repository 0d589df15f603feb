#pragma once

#include <QPointer>
#include <QPushButton>

class QMenu;
class ODMenuButton;

// Supplies an ODMenuButton's menu afresh on every press.
class ODMenuButtonMenuDelegate {
public:
  virtual ~ODMenuButtonMenuDelegate() = default;
  // The menu to pop up; the button does not own it (nullptr: nothing pops up).
  virtual QMenu* menuForButton(ODMenuButton& button) = 0;
};

// A button that pops up a menu just below itself on press (not on release), with a chevron
// while it has a menu or a menu delegate.
class ODMenuButton : public QPushButton {
  Q_OBJECT

public:
  explicit ODMenuButton(QWidget* parent = nullptr);

  // Not owned.
  void setPopUpMenu(QMenu* menu) { menu_ = menu; }
  QMenu* popUpMenu() const { return menu_; }
  // Not owned; nullptr when there is none.
  void setMenuDelegate(ODMenuButtonMenuDelegate* delegate) { menuDelegate_ = delegate; }
  bool showChevron() const { return showChevron_; }
  void setShowChevron(bool show);
  bool drawsChevron() const { return showChevron_ && (menu_ || menuDelegate_ != nullptr); }

  // Asks the delegate for a fresh menu, then pops it up below the button; without any menu the
  // press is only logged.
  void showPopUpMenu();

protected:
  void mousePressEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

private:
  QPointer<QMenu> menu_;
  ODMenuButtonMenuDelegate* menuDelegate_ = nullptr;  // not owned
  bool showChevron_ = true;
};
