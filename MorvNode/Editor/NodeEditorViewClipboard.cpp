// The node clipboard of the node editor canvas: Copy, Cut and Paste of nodes with their
// connections (MVNodeClipboard) through the desktop clipboard (MVPasteboard), images pasted into
// import nodes, and the validation of the Edit menu's items.
#include <algorithm>

#include <QDateTime>

#include "MorvNode/Controller/MVNodeClipboard.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"
#include "MorvNode/Document/MVPasteboard.h"
#include "MorvNode/Editor/NodeEditorView.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterFile.h"
#include "MorvNode/Nodes/Elements/ElementImportNode.h"
#include "Platform/GeometryStrings.h"
#include "Platform/UndoManager.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

void setUndoActionName(MVNodeController& controller, const std::string& name)
{
  NodeControllerDocumentProtocol* document = controller.document();
  if (pf::UndoManager* undo = document != nullptr ? document->undoManager() : nullptr) {
    undo->setActionName(name);
  }
}

}  // namespace

void NodeEditorView::copy()
{
  if (controller_ == nullptr || !controller_->hasSelectedNodes()) {
    return;  // the clipboard keeps what it holds
  }
  pf::PlistValue::Dictionary record =
    MVNodeClipboard::descriptionOfNodesAndConnections(*controller_, controller_->selectedNodesArray());
  const QPointF offset = visibleOrigin();
  record.set("View offset", pf::pointString(pf::Point(offset.x(), offset.y())));
  std::string error;
  std::optional<std::vector<std::uint8_t>> bytes = MVNodeClipboard::encode(record, error);
  if (!bytes) {
    FeedbackManager::log("Error, failed to encode node pasteboardDictionary for the pasteboard, error:%@", error);
    return;
  }
  MVPasteboard* pasteboard = MVPasteboard::general();
  if (pasteboard == nullptr || !pasteboard->setContents({{MVNodeClipboard::kPasteboardType, std::move(*bytes)}})) {
    FeedbackManager::log("Error, could not put data on pastebard for type %@", MVNodeClipboard::kPasteboardType);
  }
}

void NodeEditorView::cut()
{
  if (controller_ == nullptr || !controller_->hasSelectedNodes()) {
    return;
  }
  copy();
  deleteSelection();
}

void NodeEditorView::paste()
{
  MVPasteboard* pasteboard = MVPasteboard::general();
  if (controller_ == nullptr || pasteboard == nullptr) {
    return;
  }
  // An image and node records on one clipboard are both pasted.
  pasteImageData();
  const std::optional<std::vector<std::uint8_t>> data = pasteboard->dataForType(MVNodeClipboard::kPasteboardType);
  if (!data) {
    return;
  }
  std::string error;
  const std::optional<pf::PlistValue::Dictionary> record = MVNodeClipboard::decode(*data, error);
  if (!record) {
    FeedbackManager::log("Error pasting in node information, error: %@", error);
    return;
  }
  addNodesAndConnectionsFromDictionary(*record, true);
}

std::vector<MVNode*> NodeEditorView::addNodesAndConnectionsFromDictionary(const pf::PlistValue::Dictionary& record,
                                                                          bool paste)
{
  if (controller_ == nullptr) {
    return {};
  }
  const QPointF offset = visibleOrigin();
  std::vector<MVNode*> added =
    MVNodeClipboard::addNodesAndConnectionsFromDictionary(*controller_, record, paste, pf::Point(offset.x(), offset.y()));
  nodesChanged();
  layoutPass();  // the new boxes show at once, before the next pass
  return added;
}

bool NodeEditorView::pasteImageData()
{
  MVPasteboard* pasteboard = MVPasteboard::general();
  std::optional<std::vector<std::uint8_t>> data;
  for (const std::string& type : MVNodeClipboard::imagePasteboardTypes()) {
    data = pasteboard->dataForType(type);
    if (data && !data->empty()) {
      break;
    }
    data.reset();
  }
  if (!data) {
    return false;
  }
  const std::string name =
    pf::format("Pasted [%@]", QDateTime::currentDateTime().toString(Qt::ISODate).toStdString());
  const std::vector<MVNode*>& selection = controller_->selectedNodesArray();
  const auto lastImport = std::find_if(selection.rbegin(), selection.rend(), [](const MVNode* node) {
    return dynamic_cast<const ElementImportNode*>(node) != nullptr;
  });
  if (lastImport != selection.rend()) {
    auto* import = static_cast<ElementImportNode*>(*lastImport);
    if (import->setGraphicsData(*data, name, "Pasted graphics", false)) {
      setUndoActionName(*controller_, "paste in graphics");
    } else {
      FeedbackManager::showNSAlert("Paste failed",
                                   "Could not parse any readable graphics data from the pasteboard to use in the Import node");
    }
    return true;
  }
  // Unreadable data makes no node at all (not one that is added and removed again).
  if (!MVParameterFile::canParseGraphicData(*data)) {
    FeedbackManager::showNSAlert("Paste failed",
                                 "Could not parse and readable graphics data from the pasteboard to create a new node");
    return true;
  }
  const QRectF visible = visibleRect();
  const pf::Point location(visible.x() + visible.width() * 0.5 - 80.0, visible.y() + visible.height() * 0.5 - 20.0);
  MVNode* node = controller_->addNodeOfClass("ElementImportNode", location, true);
  auto* import = dynamic_cast<ElementImportNode*>(node);
  if (import != nullptr && import->setGraphicsData(*data, name, "Pasted graphics", true)) {
    setUndoActionName(*controller_, "paste in graphics");
    controller_->selectNode(node, false, false, true);
  } else {
    if (node != nullptr) {
      controller_->removeNode(node);
    }
    FeedbackManager::showNSAlert("Paste failed",
                                 "Could not parse and readable graphics data from the pasteboard to create a new node");
  }
  return true;
}

bool NodeEditorView::validateMenuItem(const QString& title) const
{
  if (title == "Copy" || title == "Cut") {
    return controller_ != nullptr && controller_->hasSelectedNodes();
  }
  if (title == "Paste") {
    const MVPasteboard* pasteboard = MVPasteboard::general();
    return controller_ != nullptr && pasteboard != nullptr && MVNodeClipboard::canPasteFromTypes(pasteboard->types());
  }
  return true;
}
