#include "MorvNode/Interface/DocumentWindow.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Controller/MVMenu.h"
#include "MorvNode/Controller/MVControllerAnimation.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Document/PreferenceDefaults.h"
#include "MorvNode/Editor/NodeEditorView.h"
#include "MorvNode/Interface/DocumentWindowPanes.h"
#include "MorvNode/Interface/ExportMenuExtension.h"
#include "MorvNode/Interface/MVDocumentController.h"
#include "MorvNode/Interface/MVPreviewView.h"
#include "MorvNode/Interface/MyPreviewPanel.h"
#include "MorvNode/Interface/NodeEditorPane.h"
#include "MorvNode/Interface/PreferencesWindow.h"
#include "MorvNode/Interface/QtPasteboard.h"
#include "MorvNode/Interface/QtRunLoop.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Nodes/Elements/ElementNode.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/NodeClassRegistration.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/AlertPresenter.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/LockingSplitView/CollapsingSplitView.h"
#include "Shared/ODAnimation/ODAnimationManager.h"
#include "Shared/ODAnimation/Timeline/ODAnimationPanelView.h"

namespace {

class RecordingAlerts : public AlertPresenter {
public:
  void presentAlert(const std::string& title, const std::string& text) override { shown.push_back(title + ": " + text); }
  std::vector<std::string> shown;
};

// The application as main() sets it up, offscreen, with a defaults store and a folder of its
// own; alerts are answered by the test (a queued press of the given button).
class DocumentWindowTest : public testing::Test {
protected:
  DocumentWindowTest()
  {
    folder_ = std::filesystem::temp_directory_path() /
              ("morvalis-window-" + std::to_string(QCoreApplication::applicationPid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    pf::RunLoop::setCurrent(&loop_);
    defaults_ = std::make_shared<pf::UserDefaults>(folder_ / "defaults.plist");
    pf::UserDefaults::setStandard(defaults_);
    PreferenceDefaults::setUpPreferences(*defaults_);
    registerNodeClasses();
    controller_ = std::make_unique<MVDocumentController>();
    FeedbackManager::setAlertPresenter(&alerts_);
  }

  ~DocumentWindowTest() override
  {
    // Closed windows delete themselves on the next pass of the event loop: let them go first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    controller_.reset();
    FeedbackManager::setAlertPresenter(nullptr);
    pf::RunLoop::setCurrent(nullptr);
    std::filesystem::remove_all(folder_);
  }

  std::string path(const std::string& name) const { return (folder_ / name).string(); }

  // A new document in the window as the application makes it, with its editor and warnings panes.
  DocumentWindow* newDocumentWithPanes()
  {
    DocumentWindowPanes::install();
    DocumentWindow* window = controller_->newDocument();
    DocumentWindowPanes::remove();
    return window;
  }

  // Presses `button` in the next modal message box, however many passes it takes to appear.
  void answerNextMessageBox(QMessageBox::StandardButton button)
  {
    auto* timer = new QTimer(&application_);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, button] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        timer->stop();
        timer->deleteLater();
        box->button(button)->click();
      }
    });
    timer->start(10);
  }

  // Runs the event loop until `done` holds; false when it did not within a generous limit.
  template <typename Condition>
  bool waitFor(Condition done)
  {
    return QTest::qWaitFor(done, 30000);
  }

  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[1] = {name_};
  QApplication application_{argc_, argv_};
  QtRunLoop loop_;
  std::filesystem::path folder_;
  std::shared_ptr<pf::UserDefaults> defaults_;
  std::unique_ptr<MVDocumentController> controller_;
  RecordingAlerts alerts_;
};

// Adds a shape node the way the editor does: one undoable step.
void addShape(DocumentWindow& window)
{
  window.document().nodeController().addNodeOfClass("ElementShapeNode", {40, 40}, false);
  window.document().undoManager()->closeEventGroup();
}

TEST_F(DocumentWindowTest, NewDocumentsAreUntitledAndNumbered)
{
  DocumentWindow* first = controller_->newDocument();
  DocumentWindow* second = controller_->newDocument();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->displayName(), "Untitled");
  EXPECT_EQ(second->displayName(), "Untitled 2");
  EXPECT_NE(first->document().nodeController().artboardNode(), nullptr);
  EXPECT_FALSE(first->isDocumentEdited());
  EXPECT_FALSE(first->document().undoManager()->canUndo());
  EXPECT_EQ(controller_->documentWindows().size(), 2u);
}

TEST_F(DocumentWindowTest, EditSaveReopenAndUndoBackToTheSavedState)
{
  DocumentWindow* window = controller_->newDocument();
  addShape(*window);
  EXPECT_TRUE(window->isDocumentEdited());
  EXPECT_FALSE(window->canRevert()) << "no file yet";

  const std::string file = path("Saved.mvdx");
  ASSERT_TRUE(window->saveToPath(file));
  EXPECT_FALSE(window->isDocumentEdited());
  EXPECT_EQ(window->displayName(), "Saved.mvdx");
  const std::size_t savedNodes = window->document().nodeController().nodeArray().size();

  addShape(*window);
  EXPECT_TRUE(window->isDocumentEdited());
  EXPECT_TRUE(window->canRevert());
  window->document().undoManager()->undo();
  EXPECT_FALSE(window->isDocumentEdited()) << "undo came back to the saved state";
  window->document().undoManager()->redo();
  EXPECT_TRUE(window->isDocumentEdited());

  // Opening an open file brings its window forward instead of a second copy.
  EXPECT_EQ(controller_->openDocument(file), window);
  window->closeWithoutAsking();
  ASSERT_TRUE(waitFor([&] { return controller_->documentWindows().empty(); }));

  DocumentWindow* reopened = controller_->openDocument(file);
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(reopened->document().nodeController().nodeArray().size(), savedNodes);
  EXPECT_FALSE(reopened->isDocumentEdited());
  EXPECT_EQ(controller_->recentDocuments().value(0).toStdString(), std::filesystem::absolute(file).string());
}

// The alert after a failed save gives the system's reason, as the export alerts do.
TEST_F(DocumentWindowTest, AFailedSaveSaysWhyInItsAlert)
{
  DocumentWindow* window = controller_->newDocument();
  std::filesystem::create_directories(path("Taken.mvdx"));
  const struct {
    std::string file;
    std::string reason;
  } failures[] = {
      {path("missing folder/Saved.mvdx"), "No such file or directory"},
      {path("Taken.mvdx"), "Is a directory"},
  };
  for (const auto& failure : failures) {
    SCOPED_TRACE(failure.file);
    QString shown;
    auto* timer = new QTimer(&application_);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, &shown] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        timer->stop();
        timer->deleteLater();
        shown = box->text();
        box->button(QMessageBox::Ok)->click();
      }
    });
    timer->start(10);
    EXPECT_FALSE(window->saveToPath(failure.file));
    EXPECT_EQ(shown.toStdString(),
              "The document could not be saved to \"" + failure.file + "\": " + failure.reason + ".");
    EXPECT_FALSE(window->document().fileURL().has_value());
  }
}

TEST_F(DocumentWindowTest, RevertReloadsTheFileAndAnUnreadableFileLeavesTheDocument)
{
  DocumentWindow* window = controller_->newDocument();
  const std::string file = path("Revert.mvdx");
  ASSERT_TRUE(window->saveToPath(file));
  const std::size_t savedNodes = window->document().nodeController().nodeArray().size();
  addShape(*window);

  answerNextMessageBox(QMessageBox::Discard);
  window->revertDocumentToSaved();
  EXPECT_EQ(window->document().nodeController().nodeArray().size(), savedNodes);
  EXPECT_FALSE(window->isDocumentEdited());
  EXPECT_FALSE(window->document().undoManager()->canUndo());

  addShape(*window);
  std::ofstream(file, std::ios::trunc) << "not a property list";
  answerNextMessageBox(QMessageBox::Discard);
  answerNextMessageBox(QMessageBox::Ok);
  window->revertDocumentToSaved();
  EXPECT_EQ(window->document().nodeController().nodeArray().size(), savedNodes + 1);
  EXPECT_TRUE(window->isDocumentEdited());
}

TEST_F(DocumentWindowTest, AnUnreadableFileOpensNoWindow)
{
  const std::string file = path("Broken.mvdx");
  std::ofstream(file) << "<plist><dict><key>Nodes</key>";
  answerNextMessageBox(QMessageBox::Ok);
  EXPECT_EQ(controller_->openDocument(file), nullptr);
  EXPECT_TRUE(controller_->documentWindows().empty());
}

TEST_F(DocumentWindowTest, QuitAsksEachUnsavedDocumentAndCancelStopsIt)
{
  controller_->newDocument();
  DocumentWindow* first = controller_->newDocument();
  DocumentWindow* second = controller_->newDocument();
  addShape(*first);
  addShape(*second);

  // Discard the first, cancel at the second: the second stays open with its changes.
  answerNextMessageBox(QMessageBox::Discard);
  QTimer::singleShot(50, [this] { answerNextMessageBox(QMessageBox::Cancel); });
  EXPECT_FALSE(controller_->closeAllDocuments());
  ASSERT_TRUE(waitFor([&] { return controller_->documentWindows().size() == 1; }));
  EXPECT_EQ(controller_->documentWindows().front().data(), second);
  EXPECT_TRUE(second->isDocumentEdited());
}

TEST_F(DocumentWindowTest, ZoomFieldClampsSnapsAndUndoes)
{
  DocumentWindow* window = controller_->newDocument();
  MVPreviewView& preview = window->previewView();
  pf::UndoManager& undo = *window->document().undoManager();
  const double height = window->document().nodeController().artboardSize().height;
  auto* field = window->findChild<QLineEdit*>("displayScaleField");
  ASSERT_NE(field, nullptr);
  field->setText("250");
  emit field->editingFinished();
  EXPECT_DOUBLE_EQ(preview.displayScale(), 2.5);
  undo.closeEventGroup();
  // The artboard is drawn at most 10000 points high.
  field->setText("10000000");
  emit field->editingFinished();
  EXPECT_DOUBLE_EQ(preview.displayScale(), 10000.0 / height);
  EXPECT_EQ(field->text().toStdString(), std::to_string(std::lround(1000000.0 / height)) + "%");
  undo.closeEventGroup();

  undo.undo();
  EXPECT_DOUBLE_EQ(preview.displayScale(), 2.5);
  undo.redo();
  EXPECT_DOUBLE_EQ(preview.displayScale(), 10000.0 / height);

  // The zoom command rounds to two decimals before it asks the view.
  preview.displayScaleChangedFromCommand(1.0);
  window->changeZoom(1.2);
  EXPECT_DOUBLE_EQ(preview.displayScale(), 1.2);
  window->changeZoom(1.2);
  EXPECT_DOUBLE_EQ(preview.displayScale(), 1.44);
  preview.displayScaleChangedFromCommand(1.0);
  window->changeZoom(0.8333333333333334);
  EXPECT_DOUBLE_EQ(preview.displayScale(), 0.83);
}

TEST_F(DocumentWindowTest, SliderRangeWidensWithTheScale)
{
  DocumentWindow* window = controller_->newDocument();
  MVPreviewView& preview = window->previewView();
  const struct {
    double scale;
    double minimum;
    double maximum;
  } cases[] = {{1.0, 0.25, 3.0}, {10.0, 0.25, 20.0}, {25.0, 0.25, 60.0}, {0.2, 0.05, 3.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.scale);
    preview.setDisplayScale(c.scale);
    preview.updateDisplayScalingSliderMax();
    EXPECT_DOUBLE_EQ(preview.sliderMinimum(), c.minimum);
    EXPECT_DOUBLE_EQ(preview.sliderMaximum(), c.maximum);
  }
}

TEST_F(DocumentWindowTest, DragEditOnThePreviewIgnoresEachSmallMoveOnItsOwn)
{
  DocumentWindow* window = controller_->newDocument();
  window->show();
  addShape(*window);
  MVNodeController& nodes = window->document().nodeController();
  auto* shape = dynamic_cast<ElementNode*>(nodes.nodeArray().back().get());
  ASSERT_NE(shape, nullptr);
  MVParameterValue2D* position = shape->positionParameter();
  MVPreviewView& preview = window->previewView();
  const double scale = preview.displayScale();
  auto send = [&](QEvent::Type type, QPointF point) {
    QMouseEvent event(type, point, preview.mapToGlobal(point), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&preview, &event);
  };
  // Horizontal pointer steps (view points) and the part of them that counts.
  const struct {
    std::vector<double> steps;
    double counted;
  } cases[] = {{{0.5, 0.5, 0.5, 0.5}, 0.0}, {{0.9, 0.9}, 0.0}, {{1.0}, 1.0}, {{0.5, 2.0, 0.5}, 2.0}, {{-3.0, 0.25}, -3.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.counted);
    // A press without a counted move is a click, which may change the selection: choose again.
    nodes.selectNode(shape, false, false, true);
    nodes.dragEditParameterSelected(position);
    ASSERT_TRUE(nodes.shouldShowDragEditPivot());
    const double before = position->valueX();
    QPointF point = QPointF(preview.rect().center());
    send(QEvent::MouseButtonPress, point);
    for (double step : c.steps) {
      point += QPointF(step, 0);
      send(QEvent::MouseMove, point);
    }
    send(QEvent::MouseButtonRelease, point);
    EXPECT_NEAR(position->valueX() - before, c.counted / scale, 1e-9);
  }

  // The drag's hint stays on the status line while statistics are refreshed (a long
  // generation), until the drag ends.
  nodes.selectNode(shape, false, false, true);
  nodes.dragEditParameterSelected(position);
  const QPointF start = QPointF(preview.rect().center());
  send(QEvent::MouseButtonPress, start);
  send(QEvent::MouseMove, start + QPointF(5, 0));
  const std::optional<std::string> hint("Hold Shift for only horizontal or vertical");
  ASSERT_EQ(preview.statusMessage(), hint);
  nodes.updateStatisticsPanelWithRenderer(nullptr);
  EXPECT_EQ(preview.statusMessage(), hint);
  send(QEvent::MouseButtonRelease, start + QPointF(5, 0));
  EXPECT_EQ(preview.statusMessage(), std::nullopt);
  window->closeWithoutAsking();
}

TEST_F(DocumentWindowTest, PreviewRendersTheArtworkAndDisplaySettingsSurviveSaving)
{
  DocumentWindow* window = controller_->newDocument();
  MVPreviewView& preview = window->previewView();
  ASSERT_TRUE(waitFor([&] { return preview.renderCount() > 0 && !preview.isRendering(); }));
  EXPECT_FALSE(preview.patternImage().isNull());

  preview.displayScaleChangedFromCommand(0.5);
  // The View menu's item switches the repetitions and shows their state.
  QAction* repetitions = nullptr;
  for (QAction* action : window->menuNamed("View")->actions()) {
    if (action->text() == "Show Repetitions") {
      repetitions = action;
    }
  }
  ASSERT_NE(repetitions, nullptr);
  window->updateMenuItems();
  EXPECT_FALSE(repetitions->isChecked());
  repetitions->trigger();
  window->updateMenuItems();
  EXPECT_TRUE(preview.showRepetitions());
  EXPECT_TRUE(repetitions->isChecked());
  const std::string file = path("Display.mvdx");
  ASSERT_TRUE(window->saveToPath(file));
  window->closeWithoutAsking();

  DocumentWindow* reopened = controller_->openDocument(file);
  ASSERT_NE(reopened, nullptr);
  EXPECT_DOUBLE_EQ(reopened->previewView().displayScale(), 0.5);
  EXPECT_TRUE(reopened->previewView().showRepetitions());
}

TEST_F(DocumentWindowTest, PreviewMovesToThePanelAndBackAndTheAnimationPanelCollapses)
{
  DocumentWindow* window = controller_->newDocument();
  window->show();
  EXPECT_TRUE(window->isPreviewContainerShown());
  window->openPreviewPanel();
  EXPECT_TRUE(window->previewPanel().isVisible());
  EXPECT_FALSE(window->isPreviewContainerShown());
  EXPECT_EQ(window->previewPanel().windowTitle(), "Untitled preview");

  // With the preview in the panel, closing the timeline takes the whole bottom area away.
  window->closeAnimationPanel();
  EXPECT_TRUE(window->mainSplitView().isSecondViewCollapsed());
  window->openAnimationPanel();
  EXPECT_FALSE(window->mainSplitView().isSecondViewCollapsed());
  EXPECT_TRUE(window->isAnimationContainerShown());
  EXPECT_FALSE(window->isPreviewContainerShown());

  // Escape in the panel hides it and the preview goes back.
  QTest::keyClick(&window->previewPanel(), Qt::Key_Escape);
  EXPECT_FALSE(window->previewPanel().isVisible());
  EXPECT_TRUE(window->isPreviewContainerShown());
}

TEST_F(DocumentWindowTest, DeletingOnlyTheArtboardWarns)
{
  DocumentWindow* window = controller_->newDocument();
  MVNodeController& controller = window->document().nodeController();
  controller.selectNode(controller.artboardNode(), false, false, true);
  window->menuDelete();
  EXPECT_NE(controller.artboardNode(), nullptr);
  EXPECT_EQ(alerts_.shown, std::vector<std::string>{"Warning: You cannot delete the Artboard node."});

  // With another node selected as well, the other goes and nothing is said.
  const std::size_t before = controller.nodeArray().size();
  MVNode* shape = controller.addNodeOfClass("ElementShapeNode", {40, 40}, false);
  controller.selectNode(controller.artboardNode(), false, false, true);
  controller.selectNode(shape, true, false, true);
  window->menuDelete();
  EXPECT_EQ(controller.nodeArray().size(), before);
  EXPECT_EQ(alerts_.shown.size(), 1u);
}

TEST_F(DocumentWindowTest, ExportCommandsSitInTheFileMenuAndExportAgainWaitsForAnExport)
{
  DocumentWindow* window = controller_->newDocument();
  ExportMenuExtension::addToWindow(*window);
  QAction* exportFile = nullptr;
  QAction* exportAgain = nullptr;
  QAction* exportAnimation = nullptr;
  for (QAction* action : window->fileMenu()->actions()) {
    if (action->text() == "Export...") {
      exportFile = action;
    } else if (action->text() == "Export again") {
      exportAgain = action;
    } else if (action->text() == "Export Animation...") {
      exportAnimation = action;
    }
  }
  ASSERT_NE(exportFile, nullptr);
  ASSERT_NE(exportAgain, nullptr);
  ASSERT_NE(exportAnimation, nullptr);
  EXPECT_FALSE(exportAgain->isEnabled());
  // A change outside undo (the export settings) still counts as an unsaved change.
  EXPECT_FALSE(window->isDocumentEdited());
  window->document().markDocumentEdited();
  EXPECT_TRUE(window->isDocumentEdited());
}

TEST_F(DocumentWindowTest, TheNodeEditorAndTheAnimationPanelSitInTheWindowAndItClosesCleanly)
{
  DocumentWindow* window = newDocumentWithPanes();
  ASSERT_NE(window, nullptr);
  auto* pane = qobject_cast<NodeEditorPane*>(window->nodeEditorWidget());
  ASSERT_NE(pane, nullptr);
  NodeEditorView* editor = window->nodeEditorView();
  EXPECT_EQ(editor, pane->editor());
  addShape(*window);
  editor->layoutPass();
  EXPECT_NE(NodeEditorView::viewOfNode(window->document().nodeController().nodeArray().back().get()), nullptr);
  auto* panel = dynamic_cast<ODAnimationPanelView*>(window->timelineWidget());
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->animationManager(), &window->document().animationManager());
  // Closing lets go of the document before the window's widgets go (with the controller, at the
  // end of the test): the panel is told and lets go of the manager.
  window->closeWithoutAsking();
  EXPECT_TRUE(controller_->documentWindows().empty());
}

// The first image of a new window comes before the editor's views (the views of a large graph
// would hold it back); the editor's passes wait for it, then make the views.
TEST_F(DocumentWindowTest, ThePreviewsFirstImageShowsBeforeTheEditorMakesItsViews)
{
  DocumentWindow* window = newDocumentWithPanes();
  ASSERT_NE(window, nullptr);
  NodeEditorView* editor = window->nodeEditorView();
  ASSERT_NE(editor, nullptr);
  MVPreviewView& preview = window->previewView();
  ASSERT_TRUE(preview.isRendering());
  EXPECT_TRUE(editor->areDeferredPassesHeld());
  int viewsAtFirstImage = -1;
  class FirstImage : public QObject {
  public:
    FirstImage(MVPreviewView& preview, NodeEditorView& editor, int& views)
      : preview_(preview), editor_(editor), views_(views)
    {
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
      if (watched == &preview_ && event->type() == QEvent::Paint && preview_.renderCount() > 0 && views_ < 0) {
        views_ = editor_.nodeViewCount();
      }
      return false;
    }

  private:
    MVPreviewView& preview_;
    NodeEditorView& editor_;
    int& views_;
  } watcher(preview, *editor, viewsAtFirstImage);
  preview.installEventFilter(&watcher);
  ASSERT_TRUE(waitFor([&] { return viewsAtFirstImage >= 0 && editor->nodeViewCount() > 0; }));
  preview.removeEventFilter(&watcher);
  EXPECT_EQ(viewsAtFirstImage, 0);
  EXPECT_FALSE(editor->areDeferredPassesHeld());
}

TEST_F(DocumentWindowTest, AddingAnAnimationOpensTheCollapsedTimelineAndTheMenuShowsNodeIcons)
{
  DocumentWindow* window = newDocumentWithPanes();
  ASSERT_NE(window, nullptr);
  window->show();
  addShape(*window);
  auto* panel = dynamic_cast<ODAnimationPanelView*>(window->timelineWidget());
  ASSERT_NE(panel, nullptr);
  // The menu the timeline's button shows: each node's item carries its class's icon.
  QTest::mousePress(panel->addAnimationButton(), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
  QMenu* menu = panel->addAnimationMenu();
  ASSERT_NE(menu, nullptr);
  ASSERT_FALSE(menu->actions().isEmpty());
  for (QAction* nodeItem : menu->actions()) {
    ASSERT_NE(nodeItem->menu(), nullptr) << nodeItem->text().toStdString();
    EXPECT_FALSE(nodeItem->icon().isNull()) << nodeItem->text().toStdString();
  }
  menu->close();

  // With the preview beside the timeline, and with the preview in its panel (the timeline then
  // fills the collapsed bottom area alone).
  for (std::size_t property : {0, 1}) {
    SCOPED_TRACE(property);
    if (property == 1) {
      window->openPreviewPanel();
    }
    window->closeAnimationPanel();
    ASSERT_TRUE(!window->isAnimationContainerShown() || window->mainSplitView().isSecondViewCollapsed());
    const std::unique_ptr<MVMenu> model = window->document().nodeController().animation().animationAddAnimationMenu();
    const MVMenuItem& item = model->items.back().submenu->items.at(property);
    ASSERT_TRUE(item.enabled && item.action);
    item.action();
    EXPECT_TRUE(window->isAnimationContainerShown());
    EXPECT_FALSE(window->mainSplitView().isSecondViewCollapsed());
  }
  EXPECT_EQ(window->document().animationManager().animators().size(), 2u);
  window->closeWithoutAsking();
}

TEST_F(DocumentWindowTest, PreferencesClampSizesAndCancelStoresNothing)
{
  controller_->showPreferencesWindow();
  PreferencesWindow* preferences = controller_->preferencesWindow();
  ASSERT_NE(preferences, nullptr);
  preferences->sizeFieldX()->setText("0");
  preferences->sizeFieldY()->setText("50000");
  preferences->checkBox("Snap nodes to grid")->setChecked(true);
  preferences->closePreferencesWindow(true);
  EXPECT_DOUBLE_EQ(defaults_->doubleForKey("New document default size X"), 1.0);
  EXPECT_DOUBLE_EQ(defaults_->doubleForKey("New document default size Y"), 20000.0);
  EXPECT_TRUE(defaults_->boolForKey("Snap nodes to grid"));

  controller_->showPreferencesWindow();
  EXPECT_EQ(preferences->sizeFieldY()->text(), "20000");
  preferences->checkBox("Snap nodes to grid")->setChecked(false);
  preferences->interfaceModePopUp()->setCurrentIndex(2);
  preferences->closePreferencesWindow(false);
  EXPECT_TRUE(defaults_->boolForKey("Snap nodes to grid"));
  EXPECT_EQ(defaults_->integerForKey("Interface Mode"), 0);
  EXPECT_FALSE(preferences->isVisible());
}

TEST_F(DocumentWindowTest, LaunchOpensExactlyOneUntitledDocumentOnlyWhenAsked)
{
  // Whether the platform asks for the untitled document or not, one opens.
  for (const bool asked : {false, true}) {
    SCOPED_TRACE(asked);
    controller_ = std::make_unique<MVDocumentController>();
    int withoutDocuments = 0;
    QObject::connect(controller_.get(), &MVDocumentController::launchedWithoutDocuments,
                     [&withoutDocuments] { ++withoutDocuments; });
    defaults_->setBool("Open New Document At Startup", true);
    controller_->applicationWillFinishLaunching();
    if (asked) {
      ASSERT_TRUE(controller_->applicationShouldOpenUntitledFile());
      controller_->newDocument();
      EXPECT_FALSE(controller_->applicationShouldOpenUntitledFile()) << "yes only once";
    }
    controller_->afterApplicationLaunch();
    EXPECT_EQ(controller_->documentWindows().size(), 1u);
    EXPECT_EQ(withoutDocuments, 0);
  }
  // Switched off: no document, and the application is told that it has none to show.
  controller_ = std::make_unique<MVDocumentController>();
  int withoutDocuments = 0;
  QObject::connect(controller_.get(), &MVDocumentController::launchedWithoutDocuments,
                   [&withoutDocuments] { ++withoutDocuments; });
  defaults_->setBool("Open New Document At Startup", false);
  controller_->applicationWillFinishLaunching();
  EXPECT_FALSE(controller_->applicationShouldOpenUntitledFile());
  controller_->afterApplicationLaunch();
  EXPECT_TRUE(controller_->documentWindows().empty());
  EXPECT_EQ(withoutDocuments, 1);
}

TEST_F(DocumentWindowTest, SavedViewStateOpensTheAnimationPanelAndScrollsTheNodeEditor)
{
  DocumentWindow* window = newDocumentWithPanes();
  ASSERT_NE(window, nullptr);
  NodeEditorView* editor = window->nodeEditorView();
  ASSERT_NE(editor, nullptr);

  // An older file says whether its animations show; a newer one leaves the panel as it is.
  for (const bool open : {false, true, false}) {
    SCOPED_TRACE(open);
    MVDocumentViewState legacy;
    legacy.fromLegacyFile = true;
    legacy.animationPanelOpen = open;
    window->applyViewState(legacy);
    EXPECT_EQ(window->isAnimationContainerShown(), open);
  }
  MVDocumentViewState current;
  current.animationPanelOpen = true;
  window->applyViewState(current);
  EXPECT_FALSE(window->isAnimationContainerShown());

  current.scrollOffset = pf::Point(-300, 450);
  window->applyViewState(current);
  ASSERT_TRUE(waitFor([&] { return editor->visibleOrigin() == QPointF(-300, 450); }));
  MVDocumentViewState stored;
  window->storeViewState(stored);
  ASSERT_TRUE(stored.scrollOffset);
  EXPECT_EQ(stored.scrollOffset->x, -300);
  EXPECT_EQ(stored.scrollOffset->y, 450);
}

}  // namespace

TEST_F(DocumentWindowTest, EditMenuCopiesAndPastesNodesWhileTheNodeEditorHasTheKeyboard)
{
  QtPasteboard pasteboard;
  MVPasteboard::setGeneral(&pasteboard);
  // The window as the application makes it: the editor sits in its pane beside the warnings.
  DocumentWindow* window = newDocumentWithPanes();
  ASSERT_NE(window, nullptr);
  NodeEditorView* editor = window->nodeEditorView();
  ASSERT_NE(editor, nullptr);
  addShape(*window);
  MVNodeController& nodes = window->document().nodeController();
  nodes.selectNode(nodes.nodeArray().back().get(), false, false, true);
  auto item = [window](const QString& title) -> QAction* {
    for (QAction* action : window->menuNamed("Edit")->actions()) {
      if (action->text() == title) {
        return action;
      }
    }
    return nullptr;
  };
  for (const char* title : {"Cut", "Copy", "Paste", "Select All", "Delete", "Duplicate"}) {
    ASSERT_NE(item(title), nullptr) << title;
  }
  window->show();
  window->activateWindow();
  editor->setFocus();
  ASSERT_TRUE(waitFor([editor] { return QApplication::focusWidget() == editor; }));
  window->updateMenuItems();
  EXPECT_TRUE(item("Copy")->isEnabled());
  EXPECT_TRUE(item("Cut")->isEnabled());
  EXPECT_TRUE(item("Select All")->isEnabled());
  EXPECT_FALSE(item("Paste")->isEnabled());  // nothing a paste reads on the clipboard

  const std::size_t before = nodes.nodeArray().size();
  item("Copy")->trigger();
  window->updateMenuItems();
  ASSERT_TRUE(item("Paste")->isEnabled());
  item("Paste")->trigger();
  window->document().undoManager()->closeEventGroup();
  EXPECT_EQ(nodes.nodeArray().size(), before + 1);
  EXPECT_EQ(window->document().undoManager()->undoActionName(), "pasting node");

  // Elsewhere the keys are the focused widget's.
  window->previewView().setFocus();
  ASSERT_TRUE(waitFor([editor] { return QApplication::focusWidget() != editor; }));
  window->updateMenuItems();
  EXPECT_FALSE(item("Copy")->isEnabled());
  EXPECT_FALSE(item("Paste")->isEnabled());
  EXPECT_FALSE(item("Select All")->isEnabled());
  window->closeWithoutAsking();
  MVPasteboard::setGeneral(nullptr);
}
