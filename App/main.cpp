#include <QApplication>
#include <QLocale>
#include <QTimer>

#include <cstring>
#include <memory>

#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Inspector/MVParameterRows.h"
#include "MorvNode/Inspector/MVParameterView.h"
#include "MorvNode/Interface/DesktopNotificationCenter.h"
#include "MorvNode/Interface/DocumentWindow.h"
#include "MorvNode/Interface/QtPasteboard.h"
#include "MorvNode/Interface/QtAlertPresenter.h"
#include "MorvNode/Interface/QtRunLoop.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "Platform/DecimalFormatter.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

int main(int argc, char* argv[])
{
  QApplication application(argc, argv);
  QApplication::setApplicationName("Morvalis");
  QApplication::setApplicationVersion(MORVALIS_VERSION);

  // Timers, posted results and the per-pass undo groups of the core run on Qt's event loop.
  QtRunLoop runLoop;
  pf::RunLoop::setCurrent(&runLoop);

  auto defaults = std::make_shared<pf::UserDefaults>(pf::UserDefaults::defaultLocation());
  pf::UserDefaults::setStandard(defaults);
  FeedbackManager feedbackManager(*defaults);
  QtAlertPresenter alerts;
  FeedbackManager::setAlertPresenter(&alerts);
  // Copies of the artwork and the notice of a finished export go to the desktop.
  QtPasteboard pasteboard;
  MVPasteboard::setGeneral(&pasteboard);
  DesktopNotificationCenter notifications;
  MVUserNotificationCenter::setDefaultCenter(&notifications);

  // Numbers shown inside texts (the text node's value placeholder) use the desktop's decimal
  // separator; numbers in data never do.
  pf::DecimalFormatter::setUserDecimalSeparator(QLocale().decimalPoint().toStdString());

  PreferenceDefaults::setUpPreferences(*defaults);
  registerNodeClasses();
  // The rows of the parameters: the plain row first, then each kind's own.
  MVParameterView::registerBaseRows();
  MVParameterRows::registerRows();
  const long long launchCounter = defaults->integerForKey("Morvalis 3 launch counter");
  FeedbackManager::log("===== Morvalis %@ launched ====", MORVALIS_VERSION);
  defaults->setInteger("Morvalis 3 launch counter", launchCounter + 1);

  // The store (and with it the log) reaches the disk every few seconds and at quit.
  QTimer persist;
  QObject::connect(&persist, &QTimer::timeout, [defaults] { defaults->synchronize(); });
  persist.start(5000);

  DocumentWindow window;
  window.show();

  // Used by the launch test: start, show the window, leave.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quit-after-launch") == 0) {
      QTimer::singleShot(0, &application, &QApplication::quit);
    }
  }
  const int result = QApplication::exec();
  MVUserNotificationCenter::setDefaultCenter(nullptr);
  MVPasteboard::setGeneral(nullptr);
  FeedbackManager::setAlertPresenter(nullptr);
  defaults->synchronize();
  return result;
}
