#pragma once

#include <QMainWindow>

// The window of one document. For now an empty frame; the node editor, preview, warnings list
// and timeline move in as they are built.
class DocumentWindow : public QMainWindow {
  Q_OBJECT

public:
  explicit DocumentWindow(QWidget* parent = nullptr);
};
