#pragma once

#include <QDialog>

class QLabel;

// The about panel: the application's name, its version as "v %@" and a line about it.
class AboutWindow : public QDialog {
  Q_OBJECT

public:
  explicit AboutWindow(QWidget* parent = nullptr);

  // Sets the version field, centres the window and brings it to the front.
  void openAbout();
  QLabel* versionField() const { return versionField_; }

private:
  QLabel* versionField_ = nullptr;  // child
};
