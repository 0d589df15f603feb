#pragma once

#include <memory>
#include <optional>
#include <string>

#include <QPointer>
#include <QTextBrowser>
#include <QWidget>

#include "MorvNode/Controller/MVNodeControllerReferenceDelegate.h"
#include "MorvNode/Document/MVSampleFileCatalogue.h"

class MVNode;
class MVNodeController;
class NodeEditorView;
class QTreeWidget;
class QTreeWidgetItem;
class RandomSource;

// The node reference page view: a text browser that draws the page's pictures that the
// resources do not hold as files (the document icon, the drag-edit markers) and keeps links to
// itself (the window decides what a click opens).
class NodeReferenceBrowser : public QTextBrowser {
  Q_OBJECT

public:
  explicit NodeReferenceBrowser(QWidget* parent = nullptr);
  QVariant loadResource(int type, const QUrl& name) override;
};

// The node reference window: the node types of the catalogue grouped by category on the left; on
// the right a live demo node of the selected type in its real node view, run by a graph
// controller of the window's own in reference mode, and below it the type's page made from the
// "help_format" template (NodeReferencePage). The page follows the demo node: entries of
// parameters that its other parameters hide are left out. Links to sample documents open them as
// documents; other links go to the desktop. Main thread only.
class NodeReferenceController : public QWidget, public MVNodeControllerReferenceDelegate {
  Q_OBJECT

public:
  explicit NodeReferenceController(QWidget* parent = nullptr);
  ~NodeReferenceController() override;

  // The application's random table for the demo nodes; not owned.
  void setRandomSource(const RandomSource* randomSource);
  // Shows the window and the page of the selected type.
  void openNodeReference();
  // Selects the type (its category opened); nothing when the catalogue has no such type.
  void nodeHelpSelectItemForNodeType(const std::string& nodeClassName);
  // Replaces the demo node by one of the selected type and makes its page (window shown only).
  void nodeHelpUpdateDetailWithNewSelection();
  void generateNodeReferenceText();
  // MVNodeControllerReferenceDelegate: a demo parameter changed.
  void updateNodeReferenceText() override;
  // A link of the page was clicked.
  void linkActivated(const QUrl& url);

  const MVSampleFileCatalogue& sampleFiles() const { return sampleFiles_; }
  MVNode* demoNode() const { return demoNode_; }
  QTreeWidget* outlineView() const { return outline_; }
  NodeReferenceBrowser* pageView() const { return page_; }
  MVNodeController& nodeController() const { return *controller_; }
  // The selected row's class name; empty for none or a category row.
  std::string selectedNodeType() const;

private:
  void buildOutline();
  const std::string& formatString();

  std::unique_ptr<MVNodeController> controller_;
  MVSampleFileCatalogue sampleFiles_;
  std::optional<std::string> formatString_;  // the template, loaded once
  MVNode* demoNode_ = nullptr;  // owned by controller_
  QTreeWidget* outline_ = nullptr;        // child
  NodeEditorView* demoView_ = nullptr;    // child
  NodeReferenceBrowser* page_ = nullptr;  // child
};
