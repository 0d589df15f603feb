#include <QApplication>
#include <QTimer>

#include <cstring>

#include "MorvNode/Interface/DocumentWindow.h"
#include "MorvNode/Interface/QtAlertPresenter.h"
#include "MorvNode/Interface/QtRunLoop.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

int main(int argc, char* argv[])
{
  QApplication application(argc, argv);
  QApplication::setApplicationName("Morvalis");
  QApplication::setApplicationVersion(MORVALIS_VERSION);

  // Timers, posted results and the per-pass undo groups of the core run on Qt's event loop.
  QtRunLoop runLoop;
  pf::RunLoop::setCurrent(&runLoop);

  QtAlertPresenter alerts;
  FeedbackManager::setAlertPresenter(&alerts);

  FeedbackManager::log("===== Morvalis %@ launched ====", MORVALIS_VERSION);

  DocumentWindow window;
  window.show();

  // Used by the launch test: start, show the window, leave.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quit-after-launch") == 0) {
      QTimer::singleShot(0, &application, &QApplication::quit);
    }
  }
  const int result = QApplication::exec();
  FeedbackManager::setAlertPresenter(nullptr);
  return result;
}
