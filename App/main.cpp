#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QLocale>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Interface/DesktopNotificationCenter.h"
#include "MorvNode/Interface/DocumentWindow.h"
#include "MorvNode/Interface/DocumentWindowPanes.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/MVDocumentFileReader.h"
#include "MorvNode/Interface/ApplicationMenuExtension.h"
#include "MorvNode/Interface/ApplicationPanels.h"
#include "MorvNode/Interface/ExportMenuExtension.h"
#include "MorvNode/Interface/QtPasteboard.h"
#include "MorvNode/Interface/InterfaceHelper.h"
#include "MorvNode/Interface/MVDocumentController.h"
#include "MorvNode/Interface/MVPreviewView.h"
#include "MorvNode/Interface/QtAlertPresenter.h"
#include "MorvNode/Interface/QtRunLoop.h"
#include "MorvNode/Interface/ScreenGeometryReport.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "Platform/Allocator.h"
#include "Platform/DecimalFormatter.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

// The largest document file read ahead at launch (see main).
constexpr std::uintmax_t kLargestDocumentReadAhead = 12u << 20;
// The heap a start fills besides its documents (the window system, the window), and the most
// it grows by at once (pf::StartupHeap).
constexpr std::uintmax_t kStartupHeapForWindowSystem = 32u << 20;
constexpr std::uintmax_t kMostStartupHeap = 1u << 30;

// The launch check of the smoke test: once the first document's preview shows a rendered
// image, grab the window and look for the artwork's pixels in the preview's area, then quit
// with 0 when they are there. Gives up (exit 1) after `seconds`.
void checkPreviewAndQuit(MVDocumentController& controller, int seconds)
{
  auto* poll = new QTimer(qApp);
  auto deadline = std::make_shared<int>(seconds * 10);
  QObject::connect(poll, &QTimer::timeout, qApp, [&controller, poll, deadline] {
    DocumentWindow* window = nullptr;
    for (const auto& open : controller.documentWindows()) {
      if (open) {
        window = open;
        break;
      }
    }
    if (window != nullptr && window->isVisible() && window->previewView().renderCount() > 0 &&
        !window->previewView().isRendering()) {
      MVPreviewView& preview = window->previewView();
      const QImage grabbed = window->grab().toImage();
      const QRect box = preview.artboardRect().translated(preview.mapTo(window, QPoint(0, 0)));
      const QRect area = box.intersected(grabbed.rect());
      // The artwork differs from a single flat colour: count pixels unlike the first corner.
      long long differing = 0;
      const QRgb corner = area.isEmpty() ? 0 : grabbed.pixel(area.topLeft());
      for (int y = area.top(); y <= area.bottom(); y += 2) {
        for (int x = area.left(); x <= area.right(); x += 2) {
          if (grabbed.pixel(x, y) != corner) {
            ++differing;
          }
        }
      }
      const bool ok = !area.isEmpty() && differing > 10;
      std::fprintf(stderr, "preview check: %s (%lld differing pixels in %dx%d)\n", ok ? "artwork shown" : "no artwork",
                   differing, area.width(), area.height());
      poll->stop();
      window->closeWithoutAsking();
      QApplication::exit(ok ? 0 : 1);
      return;
    }
    if (--*deadline <= 0) {
      std::fprintf(stderr, "preview check: timed out\n");
      poll->stop();
      QApplication::exit(1);
    }
  });
  poll->start(100);
}

// The timing of a start (--time-first-preview): once the preview of `window` has painted its
// first complete image (a partial one does not count), and that repaint of the window has gone
// to the screen, prints the seconds since `started` to stderr and quits. Benchmarks launch the
// application with it.
//
// A window paints and flushes its widgets within the handling of one event of its native window
// (an expose or an update request), so the timer handles those events itself and looks after
// each whether the preview painted its image. Anything queued behind that repaint (the window's
// activation, which repaints it again for the active colours) is no part of the image's way to
// the screen.
class FirstPreviewTimer final : public QObject {
public:
  FirstPreviewTimer(DocumentWindow& window, const QElapsedTimer& started)
    : QObject(&window), preview_(window.previewView()), native_(window.windowHandle()), started_(started)
  {
    preview_.installEventFilter(this);
    if (native_ != nullptr) {
      native_->installEventFilter(this);
    }
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override
  {
    if (reported_) {
      return false;
    }
    if (watched == &preview_ && event->type() == QEvent::Paint && preview_.renderCount() > 0) {
      imagePainted_ = true;
      if (!inWindowEvent_) {  // painted some other way (a synchronous repaint): report once it is done
        QTimer::singleShot(0, this, [this] { report(); });
      }
    } else if (watched == native_ && (event->type() == QEvent::Expose || event->type() == QEvent::UpdateRequest)) {
      native_->removeEventFilter(this);
      inWindowEvent_ = true;
      const bool handled = QCoreApplication::sendEvent(native_, event);
      inWindowEvent_ = false;
      if (native_ != nullptr) {
        native_->installEventFilter(this);
      }
      if (imagePainted_) {
        report();
      }
      return handled;
    }
    return false;
  }

private:
  void report()
  {
    if (reported_) {
      return;
    }
    reported_ = true;
    std::fprintf(stderr, "first complete preview image shown after %.3f s\n",
                 static_cast<double>(started_.nsecsElapsed()) / 1e9);
    QApplication::exit(0);
  }

  MVPreviewView& preview_;
  QPointer<QWindow> native_;
  QElapsedTimer started_;
  bool imagePainted_ = false;
  bool inWindowEvent_ = false;
  bool reported_ = false;
};

}  // namespace

int main(int argc, char* argv[])
{
  QElapsedTimer started;
  started.start();
  pf::configureAllocatorForInteractiveUse();
  // The documents named at launch (.mvdx files that exist: Qt's own options and their values are
  // not ours), with their files' sizes.
  std::vector<std::pair<std::filesystem::path, std::uintmax_t>> documents;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    std::filesystem::path path(argv[i]);
    if (argv[i][0] != '-' && path.extension() == ".mvdx" && std::filesystem::is_regular_file(path, error)) {
      // One whose size cannot be read is left to the open below, which says why it fails.
      const std::uintmax_t size = std::filesystem::file_size(path, error);
      if (!error) {
        documents.emplace_back(std::move(path), size);
      }
    }
  }
  // The heap the start fills: the window system's share, and the documents' values and nodes,
  // which take about twice their files' size while they are read.
  std::uintmax_t startupBytes = kStartupHeapForWindowSystem;
  for (const auto& [path, size] : documents) {
    startupBytes = std::min(startupBytes + 2 * std::min(size, kMostStartupHeap), kMostStartupHeap);
  }
  pf::StartupHeap startupHeap(static_cast<std::size_t>(startupBytes));
  // The documents are read on workers while the window system starts; opening them below takes
  // the reads. Large documents are read when they are opened instead: each thread allocates from
  // a heap of its own, so nodes built on the main thread from values read on a worker all go to
  // fresh memory, while the values freed behind them stay with the worker. That makes building
  // three times slower (0.66 s against 0.2 s at 10,000 nodes, 67 MB), which costs more than
  // reading ahead saves once the read outlasts the window system's start (0.1 s).
  std::vector<std::unique_ptr<MVDocumentFileReader::Prefetch>> prefetches;
  for (const auto& [path, size] : documents) {
    if (size <= kLargestDocumentReadAhead) {
      prefetches.push_back(std::make_unique<MVDocumentFileReader::Prefetch>(path));
    }
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName("Morvalis");
  QApplication::setApplicationVersion(MORVALIS_VERSION);
  QApplication::setDesktopFileName("morvalis");

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

  // Launch, in order: preferences, the launch counter, the shared random table (made by the
  // document controller), the appearance, the launch line, the counter stored again.
  PreferenceDefaults::setUpPreferences(*defaults);
  registerNodeClasses();
  ExportMenuExtension::install();
  ApplicationMenuExtension::install();
  DocumentWindowPanes::install();
  const long long launchCounter = defaults->integerForKey("Morvalis 3 launch counter");
  auto controller = std::make_unique<MVDocumentController>();
  // The tips, about, full-screen preview, report and reference panels; the Help menu's pages.
  auto panels = std::make_unique<ApplicationPanels>();
  InterfaceIconProvider::install(&InterfaceHelper::shared());
  if (InterfaceHelper::darkModeAvailable() && defaults->integerForKey("Interface Mode") != 0) {
    InterfaceHelper::setInterfaceMode(defaults->integerForKey("Interface Mode"));
  }
  FeedbackManager::log("===== Morvalis %@ launched ====", MORVALIS_VERSION);
  defaults->setInteger("Morvalis 3 launch counter", launchCounter + 1);

  // The store (and with it the log) reaches the disk every few seconds and at quit.
  QTimer persist;
  QObject::connect(&persist, &QTimer::timeout, [defaults] { defaults->synchronize(); });
  persist.start(5000);

  bool quitAfterLaunch = false;
  bool timeFirstPreview = false;
  int checkPreviewSeconds = 0;
  std::vector<std::string> files;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quit-after-launch") == 0) {
      quitAfterLaunch = true;
    } else if (std::strcmp(argv[i], "--check-preview") == 0) {
      checkPreviewSeconds = 60;
    } else if (std::strcmp(argv[i], "--time-first-preview") == 0) {
      timeFirstPreview = true;
    } else if (argv[i][0] != '-') {
      files.emplace_back(argv[i]);
    }
  }

  // Without a document there is no window: the open dialog instead, or the application ends.
  QObject::connect(controller.get(), &MVDocumentController::launchedWithoutDocuments, controller.get(),
                   [launcher = controller.get()] { launcher->openDocumentOrQuit(); });
  controller->applicationWillFinishLaunching();
  for (const std::string& file : files) {
    DocumentWindow* window = controller->openDocument(file);
    if (timeFirstPreview && window != nullptr) {
      new FirstPreviewTimer(*window, started);
      timeFirstPreview = false;  // the first document's window only
    }
  }
  controller->applicationDidFinishLaunching();
  prefetches.clear();  // reads nobody took (a document opened twice)
  startupHeap.end();

  if (quitAfterLaunch) {
    QTimer::singleShot(0, &application, &QApplication::quit);
  }
  if (checkPreviewSeconds > 0) {
    checkPreviewAndQuit(*controller, checkPreviewSeconds);
  }
  // Off unless MORVALIS_SCREEN_GEOMETRY names a file (the journey tests).
  ScreenGeometryReport::startFromEnvironment(&application);
  const int result = QApplication::exec();
  controller.reset();
  panels.reset();
  MVUserNotificationCenter::setDefaultCenter(nullptr);
  MVPasteboard::setGeneral(nullptr);
  InterfaceIconProvider::install(nullptr);
  FeedbackManager::setAlertPresenter(nullptr);
  defaults->synchronize();
  return result;
}
