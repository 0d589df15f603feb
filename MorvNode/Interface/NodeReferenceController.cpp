#include "MorvNode/Interface/NodeReferenceController.h"

#include <map>

#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "MorvNode/Controller/MVMenu.h"
#include "MorvNode/Controller/MVNodeCatalogue.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVApplicationResources.h"
#include "MorvNode/Document/NodeReferencePage.h"
#include "MorvNode/Editor/NodeEditorIcons.h"
#include "MorvNode/Editor/NodeEditorView.h"
#include "MorvNode/Interface/ApplicationPanels.h"
#include "MorvNode/Interface/InterfaceHelper.h"
#include "MorvNode/Interface/MVDocumentController.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Model/MVNode.h"
#include "Platform/FileAccess.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr int kClassNameRole = Qt::UserRole + 1;
constexpr const char* kDemoNodeId = "Reference Demo Node";

std::string resourceFolderPath()
{
  const std::optional<std::filesystem::path> folder = MVApplicationResources::resourceFolder();
  return folder ? folder->string() : std::string();
}

// The document icon of sample-file links: a page with a folded corner.
QImage documentIcon()
{
  QImage image(40, 40, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath page;
  page.moveTo(8, 3);
  page.lineTo(25, 3);
  page.lineTo(33, 11);
  page.lineTo(33, 37);
  page.lineTo(8, 37);
  page.closeSubpath();
  painter.setPen(QPen(MVInterfaceAssets::color("NodeBorder"), 1.5));
  painter.setBrush(MVInterfaceAssets::color("NodeBackground"));
  painter.drawPath(page);
  painter.drawLine(QPointF(25, 3), QPointF(25, 11));
  painter.drawLine(QPointF(25, 11), QPointF(33, 11));
  painter.setBrush(MVInterfaceAssets::color("ParameterGraphics"));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPointF(17, 24), 5, 5);
  painter.setBrush(MVInterfaceAssets::color("ParameterColor"));
  painter.drawRect(QRectF(20, 19, 8, 8));
  return image;
}

}  // namespace

// ---- NodeReferenceBrowser ----

NodeReferenceBrowser::NodeReferenceBrowser(QWidget* parent)
  : QTextBrowser(parent)
{
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setContextMenuPolicy(Qt::NoContextMenu);
}

QVariant NodeReferenceBrowser::loadResource(int type, const QUrl& name)
{
  if (type == QTextDocument::ImageResource && name.isLocalFile() && !QFileInfo::exists(name.toLocalFile())) {
    const QString file = QFileInfo(name.toLocalFile()).fileName();
    if (file == "morvalis_document_icon.png") {
      return documentIcon();
    }
    static const std::map<QString, const char*> kMarkers = {{"transform_offset.png", "TransformOffset2D"},
                                                           {"transform_scale.png", "TransformScale"},
                                                           {"transform_size.png", "TransformSize"},
                                                           {"transform_rotation.png", "TransformRotation"},
                                                           {"transform_count.png", "TransformCount"}};
    if (const auto marker = kMarkers.find(file); marker != kMarkers.end()) {
      return MVInterfaceAssets::image(marker->second, 24).toImage();
    }
    // The choice icons are the interface's own drawings, found by their file name.
    if (name.path().contains(QStringLiteral("/node icons/")) || name.path().contains(QStringLiteral("/interface icons/"))) {
      const QImage icon = InterfaceHelper::shared().interfaceIconNamed(file.toStdString());
      if (!icon.isNull()) {
        return icon;
      }
    }
    // A picture the resources lack stays an empty space of its size.
    QImage empty(20, 20, QImage::Format_ARGB32_Premultiplied);
    empty.fill(Qt::transparent);
    return empty;
  }
  return QTextBrowser::loadResource(type, name);
}

// ---- NodeReferenceController ----

NodeReferenceController::NodeReferenceController(QWidget* parent)
  : QWidget(parent, Qt::Window)
  , controller_(std::make_unique<MVNodeController>())
{
  setWindowTitle(tr("Node Reference"));
  resize(900, 680);
  controller_->setReferenceMode(true);
  controller_->setNodeReferenceDelegate(this);
  if (MVDocumentController* documents = MVDocumentController::shared()) {
    controller_->setRandomSource(documents->randomSource());
  }
  if (const std::optional<std::filesystem::path> folder =
          MVApplicationResources::pathForResourceFolder("Application folder files/Sample files")) {
    sampleFiles_.recursiveBuildSampleFileDictionaryWithPath(*folder);
  }

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* split = new QSplitter(Qt::Horizontal);
  outline_ = new QTreeWidget;
  outline_->setHeaderHidden(true);
  outline_->setIndentation(12);
  outline_->setSelectionMode(QAbstractItemView::SingleSelection);
  outline_->setIconSize(QSize(16, 16));
  auto* detail = new QSplitter(Qt::Vertical);
  demoView_ = new NodeEditorView;
  demoView_->setNodeController(controller_.get());
  demoView_->setMinimumHeight(160);
  page_ = new NodeReferenceBrowser;
  detail->addWidget(demoView_);
  detail->addWidget(page_);
  detail->setSizes({260, 400});
  split->addWidget(outline_);
  split->addWidget(detail);
  split->setSizes({240, 660});
  layout->addWidget(split);

  buildOutline();
  connect(outline_, &QTreeWidget::itemClicked, this, [](QTreeWidgetItem* item) {
    // A category row opens or closes; it is never the selection.
    if (item->childCount() > 0) {
      item->setExpanded(!item->isExpanded());
    }
  });
  connect(outline_, &QTreeWidget::itemSelectionChanged, this, [this] {
    if (!selectedNodeType().empty()) {
      nodeHelpUpdateDetailWithNewSelection();
    }
  });
  connect(page_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { linkActivated(url); });
  nodeHelpSelectItemForNodeType("ElementShapeNode");
}

NodeReferenceController::~NodeReferenceController()
{
  // The editor goes before the controller it shows.
  demoView_->setNodeController(nullptr);
  delete demoView_;
  controller_->setNodeReferenceDelegate(nullptr);
  controller_->releaseResources();
}

void NodeReferenceController::setRandomSource(const RandomSource* randomSource)
{
  controller_->setRandomSource(randomSource);
}

void NodeReferenceController::buildOutline()
{
  // The rows are the reference menu's items, in order: a node type ("Artboard Node") is a row of
  // its own, a category a header row holding its submenu's items.
  const std::unique_ptr<MVMenu> menu = MVNodeCatalogue::addNodeMenu({}, std::nullopt, true);
  QFont headerFont = outline_->font();
  headerFont.setBold(true);
  auto addRow = [](QTreeWidgetItem* row, const MVMenuItem& item) {
    if (item.isSeparator) {
      row->setFlags(Qt::NoItemFlags);
      row->setSizeHint(0, QSize(0, 5));
      return;
    }
    row->setText(0, QString::fromStdString(item.title));
    row->setToolTip(0, QString::fromStdString(item.toolTip));
    row->setSizeHint(0, QSize(0, 22));
    const pf::PlistValue* className = item.representedObject.find("Node class");
    if (className != nullptr && className->asString() != nullptr) {
      row->setData(0, kClassNameRole, QString::fromStdString(*className->asString()));
      row->setIcon(0, NodeEditorIcons::menuIcon(*className->asString()));
    }
  };
  for (const MVMenuItem& item : menu->items) {
    auto* top = new QTreeWidgetItem(outline_);
    if (!item.submenu) {
      addRow(top, item);
      continue;
    }
    top->setText(0, QString::fromStdString(item.title));
    top->setFont(0, headerFont);
    top->setFlags(Qt::ItemIsEnabled);
    top->setSizeHint(0, QSize(0, 26));
    const pf::PlistValue* iconClass = item.representedObject.find("Icon class");
    if (iconClass != nullptr && iconClass->asString() != nullptr) {
      top->setIcon(0, NodeEditorIcons::menuIcon(*iconClass->asString()));
    }
    for (const MVMenuItem& child : item.submenu->items) {
      addRow(new QTreeWidgetItem(top), child);
    }
  }
}

std::string NodeReferenceController::selectedNodeType() const
{
  const QList<QTreeWidgetItem*> selected = outline_->selectedItems();
  return selected.isEmpty() ? std::string() : selected.front()->data(0, kClassNameRole).toString().toStdString();
}

void NodeReferenceController::openNodeReference()
{
  show();
  raise();
  activateWindow();
  nodeHelpUpdateDetailWithNewSelection();
}

void NodeReferenceController::nodeHelpSelectItemForNodeType(const std::string& nodeClassName)
{
  const QString wanted = QString::fromStdString(nodeClassName);
  auto select = [this](QTreeWidgetItem* row) {
    outline_->clearSelection();
    row->setSelected(true);
    outline_->setCurrentItem(row);
    outline_->scrollToItem(row);
  };
  for (int top = 0; top < outline_->topLevelItemCount(); ++top) {
    QTreeWidgetItem* item = outline_->topLevelItem(top);
    if (item->childCount() == 0) {
      if (item->data(0, kClassNameRole).toString() == wanted) {
        select(item);
        return;
      }
      continue;
    }
    for (int child = 0; child < item->childCount(); ++child) {
      QTreeWidgetItem* row = item->child(child);
      if (row->data(0, kClassNameRole).toString() == wanted) {
        item->setExpanded(true);
        select(row);
        return;
      }
    }
  }
}

void NodeReferenceController::nodeHelpUpdateDetailWithNewSelection()
{
  const std::string className = selectedNodeType();
  if (className.empty() || !isVisible()) {
    return;
  }
  if (demoNode_ != nullptr) {
    MVNode* previous = demoNode_;
    demoNode_ = nullptr;
    controller_->removeNode(previous);
  }
  std::unique_ptr<MVNode> node = MVClassRegistry::shared().createNode(className);
  if (node == nullptr) {
    return;  // the previous page stays
  }
  node->setReferenceMode(true);
  node->setInitialNodeViewOrigin({20.0, 20.0});
  demoNode_ = controller_->appendLoadedNode(std::move(node), kDemoNodeId);
  demoNode_->updateLinkedParameters();
  controller_->nodeArrayChanged();
  demoView_->nodesChanged();
  demoView_->scrollToNode(demoNode_);
  generateNodeReferenceText();
}

const std::string& NodeReferenceController::formatString()
{
  if (!formatString_) {
    std::string text;
    if (const std::optional<std::filesystem::path> path = MVApplicationResources::pathForResource("help_format.html")) {
      std::string reason;
      if (std::optional<std::string> read = pf::readRegularTextFile(*path, pf::kMaxFileReadBytes, &reason)) {
        text = std::move(*read);
      } else {
        FeedbackManager::log("Error getting node reference format string in updateNodeReferenceText: %@", reason);
      }
    }
    if (text.empty()) {
      FeedbackManager::log("Warning, no nodeReferenceFormatString in updateNodeReferenceText");
    }
    formatString_ = NodeReferencePage::replacingOccurrences(std::move(text), "SystemFont",
                                                            QApplication::font().family().toStdString());
  }
  return *formatString_;
}

void NodeReferenceController::generateNodeReferenceText()
{
  if (demoNode_ == nullptr) {
    FeedbackManager::log("Warning, updateNodeReferenceText with no demoNode");
    return;
  }
  const std::string page = NodeReferencePage::pageForNode(
      formatString(), *demoNode_, sampleFiles_.sampleFilesUsingNodeType(demoNode_->className()), resourceFolderPath());
  // The page is replaced in place: the reader keeps the place.
  const int scrolled = page_->verticalScrollBar()->value();
  page_->setHtml(QString::fromStdString(page));
  page_->verticalScrollBar()->setValue(scrolled);
}

void NodeReferenceController::updateNodeReferenceText()
{
  if (demoNode_ == nullptr) {
    FeedbackManager::log("Warning, updateNodeReferenceText with no demoNode");
    return;
  }
  generateNodeReferenceText();
}

void NodeReferenceController::linkActivated(const QUrl& url)
{
  const std::string address = url.toString(QUrl::FullyEncoded).toStdString();
  if (const std::optional<std::string> path = NodeReferencePage::sampleFilePathFromLink(address)) {
    if (MVDocumentController* documents = MVDocumentController::shared()) {
      documents->openDocument(*path);
    }
    return;
  }
  ApplicationPanels::openUrl(url);
}
