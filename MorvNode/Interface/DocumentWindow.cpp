#include "MorvNode/Interface/DocumentWindow.h"

DocumentWindow::DocumentWindow(QWidget* parent)
  : QMainWindow(parent)
{
  setWindowTitle(tr("Untitled"));
  resize(1100, 720);
}
