// The command layer of the node editor canvas: the menus of a node, of a connection and of the
// empty background, and their actions. Every action forwards to the graph controller, the node
// or the document, which register the undo step; the canvas never edits the graph itself.
#include <algorithm>
#include <limits>

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QWidgetAction>
#include <QWindow>

#include "MorvNode/Controller/MVConnectionPreviewImages.h"
#include "MorvNode/Controller/MVControllerAnimation.h"
#include "MorvNode/Controller/MVMenu.h"
#include "MorvNode/Controller/MVNodeCatalogue.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"
#include "MorvNode/Editor/MVConnectionView.h"
#include "MorvNode/Editor/MVNodeView.h"
#include "MorvNode/Editor/NodeCatalogueMenus.h"
#include "MorvNode/Editor/NodeEditorBackgroundView.h"
#include "MorvNode/Editor/NodeEditorView.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Elements/MVElementRenderer.h"
#include "MorvNode/Inspector/InspectorImages.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "MorvNode/Nodes/Change/ChangeNode.h"
#include "MorvNode/Nodes/Change/GroupNode.h"
#include "MorvNode/Nodes/Values/ValueNode.h"
#include "Platform/Format.h"
#include "Platform/RunLoop.h"

namespace {

constexpr double kPreviewWidth = 200.0;        // points, every preview picture
constexpr double kValueGraphHeight = 80.0;     // points
constexpr double kColorStripHeight = 20.0;     // points
constexpr double kElementPreviewMinimum = 15.0;   // points
constexpr double kElementPreviewMaximum = 220.0;  // points
constexpr double kMenuCloseDelay = 0.01;       // seconds: a chosen item's action runs first

bool isColorNode(const MVNode& node)
{
  return node.nodeClass().displayTypeName == "Color";
}

// The node types "Replace node" offers: the node's own family.
std::vector<std::string> replaceTypesFor(const MVNode& node)
{
  if (node.isElementNode() || node.isRepeaterNode() || isColorNode(node)) {
    return {node.nodeClass().displayTypeName};
  }
  if (dynamic_cast<const ValueNode*>(&node) != nullptr) {
    // Operations fit where the node takes a value in ("Value" with an input, or an expression).
    const MVParameter* value = node.parameterNamed("Value");
    const bool takesValue = dynamic_cast<const MVParameterValueExpression*>(value) != nullptr ||
                            (dynamic_cast<const MVParameterValue*>(value) != nullptr && value->hasInputSocket());
    return takesValue ? std::vector<std::string>{"Value", "ValueOperations"} : std::vector<std::string>{"Value"};
  }
  if (dynamic_cast<const GroupNode*>(&node) != nullptr || dynamic_cast<const ChangeNode*>(&node) != nullptr) {
    return {"Group", "Change"};
  }
  return {};
}

// The node types "Add node after" offers.
std::vector<std::string> addAfterTypesFor(const MVNode& node)
{
  if (node.isElementNode() || node.isRepeaterNode() || dynamic_cast<const ChangeNode*>(&node) != nullptr) {
    return {"Change", "Repeat", "Group"};
  }
  if (dynamic_cast<const ValueNode*>(&node) != nullptr || isColorNode(node)) {
    return {node.nodeClass().displayTypeName};
  }
  return {};
}

// A menu line that only shows text: a section header or a description.
QWidgetAction* addTextItem(QMenu* menu, const QString& text, const QColor& color, int pointSize)
{
  auto* label = new QLabel(text, menu);
  QFont font = label->font();
  font.setPointSize(pointSize);
  label->setFont(font);
  if (color.isValid()) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
  }
  label->setContentsMargins(12, 2, 12, 2);
  auto* action = new QWidgetAction(menu);
  action->setDefaultWidget(label);
  action->setText(text);
  menu->addAction(action);
  return action;
}

// A preview picture; choosing it does nothing.
QWidgetAction* addImageItem(QMenu* menu, const QPixmap& pixmap, const QString& toolTip)
{
  auto* label = new QLabel(menu);
  label->setPixmap(pixmap);
  label->setToolTip(toolTip);
  label->setContentsMargins(12, 2, 12, 2);
  auto* action = new QWidgetAction(menu);
  action->setDefaultWidget(label);
  action->setToolTip(toolTip);
  action->setEnabled(true);
  menu->addAction(action);
  return action;
}

double screenScale(const QWidget* widget)
{
  const QWindow* window = widget->window() != nullptr ? widget->window()->windowHandle() : nullptr;
  const double scale = window != nullptr && window->screen() != nullptr ? window->screen()->devicePixelRatio() : 1.0;
  return scale > 0.0 ? scale : 1.0;
}

QPixmap pixmapOf(const std::optional<pf::Image>& image, double scale)
{
  if (!image) {
    return {};
  }
  QPixmap pixmap = InspectorImages::pixmapFromImage(*image, scale);
  pixmap.setDevicePixelRatio(scale);
  return pixmap;
}

pf::Color colorOf(const QColor& color, const pf::Color& fallback)
{
  return color.isValid() ? pf::Color::rgb(color.redF(), color.greenF(), color.blueF(), color.alphaF()) : fallback;
}

}  // namespace

// ---- Finding what a menu acts on ----

bool NodeEditorView::isCurrentConnection(const MVConnection* connection) const
{
  if (connection == nullptr || controller_ == nullptr) {
    return false;
  }
  const auto& connections = controller_->connectionArray();
  return std::any_of(connections.begin(), connections.end(), [connection](const auto& each) { return each.get() == connection; });
}

namespace {

// The node when it is still in the graph (an undo may have removed it while a menu was open).
MVNode* liveNode(const MVNodeController* controller, MVNode* node)
{
  if (node == nullptr || controller == nullptr) {
    return nullptr;
  }
  const auto& nodes = controller->nodeArray();
  return std::any_of(nodes.begin(), nodes.end(), [node](const auto& each) { return each.get() == node; }) ? node
                                                                                                          : nullptr;
}

}  // namespace

// ---- Menus ----

void NodeEditorView::addNodeMenuItems(QMenu* menu, const QString& title, const std::vector<std::string>& keys,
                                      void (NodeEditorView::*action)(const std::string&))
{
  const std::unique_ptr<MVMenu> model =
    MVNodeCatalogue::addNodeMenu([this, action](const std::string& className) { (this->*action)(className); }, keys, false);
  QMenu* submenu = NodeCatalogueMenus::menuFromModel(*model, menu);
  submenu->setTitle(title);
  menu->addMenu(submenu);
}

QMenu* NodeEditorView::contextMenuForNode(MVNode* node)
{
  currentMenuNode_ = nullptr;
  if (node == nullptr || controller_ == nullptr) {
    return nullptr;
  }
  currentMenuNode_ = node;
  controller_->selectNode(node, false, false, true);
  auto* menu = new QMenu(this);
  menu->setToolTipsVisible(true);

  const std::vector<std::string> replaceTypes = replaceTypesFor(*node);
  if (!replaceTypes.empty()) {
    addNodeMenuItems(menu, "Replace node", replaceTypes, &NodeEditorView::replaceWithNode);
  }
  const std::vector<std::string> afterTypes = addAfterTypesFor(*node);
  if (!afterTypes.empty()) {
    addNodeMenuItems(menu, "Add node after", afterTypes, &NodeEditorView::addNodeAfter);
  }
  if (const std::unique_ptr<MVMenu> animation = controller_->animation().animationAddAnimationMenuForNode(node)) {
    menu->addSeparator();
    QMenu* submenu = NodeCatalogueMenus::menuFromModel(*animation, menu);
    submenu->setTitle("Add animation");
    menu->addMenu(submenu);
  }
  if (node->hasConnectedOutput() || node->hasConnectedInput()) {
    menu->addSeparator();
    QMenu* connections = menu->addMenu("Connections");
    connections->setToolTipsVisible(true);
    QMenu* select = connections->addMenu("Select linked nodes");
    for (const char* title : {"After", "Before", "All"}) {
      select->addAction(title, this, [this, title] { menuSelect(title); });
    }
    connections->addSeparator();
    QAction* reverse = connections->addAction("Reverse order", this, [this] { menuReverseConnectionOrder(); });
    reverse->setToolTip("Reverses the order of incoming graphics connections, in effect reversing the order the graphics "
                        "connections will be added.");
    QAction* unlink = connections->addAction("Unlink", this, [this] { menuUnlink(); });
    unlink->setShortcut(QKeySequence(Qt::Key_U));
    unlink->setToolTip("Unlinks any node connections, leaving them instead to link nodes before and after the node.");
    menu->addSeparator();
  }
  MVMenu custom;
  custom.autoenablesItems = false;
  node->menuAddNodeCustomItemsToMenu(custom);
  NodeCatalogueMenus::appendItems(menu, custom);
  if (node->canRename()) {
    if (!replaceTypes.empty()) {
      menu->addSeparator();
    }
    QPointer<MVNodeView> view = viewOfNode(node);
    menu->addAction("Rename node", this, [view] {
      if (!view.isNull()) {
        view->menuRename();
      }
    });
  }
  if (node->canDelete()) {
    menu->addSeparator();
    menu->addAction("Duplicate node", this, [this] { menuDuplicate(); });
    menu->addAction("Delete node", this, [this] { menuDelete(); });
  }
  if (node->hasNodeReference()) {
    menu->addSeparator();
    menu->addAction("Node reference help", this, [this] { menuNodeHelp(); });
  }
  return menu;
}

QMenu* NodeEditorView::contextMenuForConnection(MVConnection* connection)
{
  if (connection == nullptr || controller_ == nullptr) {
    return nullptr;
  }
  auto* menu = new QMenu(this);
  menu->setToolTipsVisible(true);
  connect(menu, &QMenu::aboutToHide, this, [this] { menuDidClose(); });
  addConnectionPreviewSection(menu, *connection);
  std::vector<std::string> keys;
  switch (connection->connectionType()) {
  case MVSocketType::Element:
    keys = {"Group", "Change", "Repeat", "ElementElementList"};
    break;
  case MVSocketType::Value:
    keys = {"ValueOperations", "ValueValueList"};
    break;
  case MVSocketType::Color:
    keys = {"ColorOperations", "ColorColorList"};
    break;
  case MVSocketType::None:
    break;
  }
  if (!keys.empty()) {
    addNodeMenuItems(menu, "Add node on connection", keys, &NodeEditorView::menuAddNode);
  }
  menu->addAction("Remove connection", this, [this] { menuRemoveConnection(); });
  currentAddNodeConnection_ = connection;
  if (MVConnectionView* view = viewOfConnection(connection)) {
    view->setSelected(true);
  }
  return menu;
}

void NodeEditorView::addConnectionPreviewSection(QMenu* menu, MVConnection& connection)
{
  const QColor descriptionColor = palette().color(QPalette::WindowText);
  MVParameterSocket* output = connection.fromSocket();
  switch (connection.connectionType()) {
  case MVSocketType::Element: {
    addTextItem(menu, "Graphics", MVInterfaceAssets::color("ParameterGraphicsEdge"), 12);
    const auto* graphics = output != nullptr ? dynamic_cast<const MVParameterGraphics*>(output->parameter()) : nullptr;
    const std::shared_ptr<const MVElement> element = graphics != nullptr ? graphics->cachedElement() : nullptr;
    std::string text = "No elements";
    if (element != nullptr) {
      const std::string type = element->elementTypeDescription().value_or(std::string());
      if (dynamic_cast<const MVElementGroup*>(element.get()) != nullptr) {
        text = pf::format("Group of %ld %@", element->numberOfElements(), type);
        if (element->numberOfSubElements() != element->numberOfElements()) {
          text = pf::format("%@ (%ld total elements)", text, element->numberOfSubElements());
        }
      } else {
        text = pf::format("Single %@", type);
      }
    }
    if (connection.previewIterations() >= 2) {
      text = pf::format("%@ (%ld iterations)", text, connection.previewIterations());
    }
    addTextItem(menu, QString::fromStdString(text), descriptionColor, 10);
    if (element != nullptr) {
      addImageItem(menu, renderMenuGraphicsPreviewImageWithElement(element),
                   "A preview of the element(s) in the graphics connection");
    }
    menu->addSeparator();
    break;
  }
  case MVSocketType::Color: {
    if (!connection.hasPreviewColors()) {
      break;  // nothing passed yet
    }
    std::vector<pf::Color> colors = connection.previewColors();
    if (colors.empty() && output != nullptr) {
      colors.push_back(output->outputColor());
    }
    addTextItem(menu, "Color", MVInterfaceAssets::color("ParameterColorEdge"), 12);
    const QString text = colors.size() >= 2 ? QString::fromStdString(pf::format("%ld iterations", static_cast<long>(colors.size())))
                                            : QString("Single color");
    addTextItem(menu, text, descriptionColor, 10);
    const double scale = screenScale(this);
    addImageItem(menu,
                 pixmapOf(MVConnectionPreviewImages::previewImageWithColors(colors, pf::Size(kPreviewWidth, kColorStripHeight), scale),
                          scale),
                 "A preview of the color(s) in the color connection");
    menu->addSeparator();
    break;
  }
  case MVSocketType::Value: {
    if (!connection.hasPreviewValues()) {
      break;  // nothing passed yet
    }
    std::vector<double> values = connection.previewValues();
    if (values.empty() && output != nullptr) {
      values.push_back(output->outputValue());
    }
    addTextItem(menu, "Value", MVInterfaceAssets::color("ParameterValueEdge"), 12);
    if (values.empty()) {
      break;
    }
    double smallest = std::numeric_limits<double>::infinity();
    double largest = -std::numeric_limits<double>::infinity();
    for (const double value : values) {
      smallest = std::min(smallest, value);
      largest = std::max(largest, value);
    }
    if (values.size() == 1 || smallest == largest) {
      addTextItem(menu, QString::fromStdString(pf::format("Constant %g", values.front())), descriptionColor, 10);
    } else {
      addTextItem(menu,
                  QString::fromStdString(pf::format("%ld iterations, from %g to %g", static_cast<long>(values.size()),
                                                    smallest, largest)),
                  descriptionColor, 10);
      MVPreviewGraphColors colors;
      colors.axis = colorOf(MVInterfaceAssets::color("GraphAxisColor"), colors.axis);
      colors.line = colorOf(MVInterfaceAssets::color("GraphLineStrokeColor"), colors.line);
      const double scale = screenScale(this);
      addImageItem(menu,
                   pixmapOf(MVConnectionPreviewImages::previewImageWithValues(
                              values, pf::Size(kPreviewWidth, kValueGraphHeight), scale, colors),
                            scale),
                   "A preview of the values(s) in the connection");
    }
    menu->addSeparator();
    break;
  }
  case MVSocketType::None:
    break;
  }
}

QPixmap NodeEditorView::renderMenuGraphicsPreviewImageWithElement(const std::shared_ptr<const MVElement>& element)
{
  if (menuPreviewRenderer_ == nullptr) {
    menuPreviewRenderer_ = std::make_unique<MVElementRenderer>();
    menuPreviewRenderer_->setRenderingThreadName("Context menu preview");
  }
  double height = 0.0;
  if (element != nullptr) {
    if (const std::optional<pf::Rect> box = element->transformedBoundingBoxNested()) {
      height = box->size.height;
      if (box->size.width > kPreviewWidth) {
        height *= kPreviewWidth / box->size.width;
      }
    }
  }
  height = std::isfinite(height) ? std::clamp(height + kElementPreviewMinimum, kElementPreviewMinimum, kElementPreviewMaximum)
                                 : kElementPreviewMinimum;
  MVElementRenderer& renderer = *menuPreviewRenderer_;
  renderer.setBackgroundColor(std::nullopt);
  renderer.setDrawBackgroundFlag(false);
  renderer.setRenderingSize(kPreviewWidth, height);
  renderer.setDisplayScale(1.0);
  const double scale = screenScale(this);
  renderer.setRetinaScaling(scale);
  renderer.setExportMode(false);
  if (element != nullptr) {
    // Hidden elements show too: a copy marked to disregard visibility.
    std::shared_ptr<MVElement> copy = element->copy();
    copy->setDisregardsVisibility(true);
    renderer.setInputRenderingElement(std::move(copy));
    renderer.setScaleElementsDownToFit(true);
  } else {
    renderer.setInputRenderingElement(nullptr);
  }
  renderer.startRendering();
  const std::shared_ptr<const pf::Bitmap> bitmap = renderer.outputBitmap();
  if (bitmap == nullptr) {
    return {};
  }
  QPixmap pixmap = QPixmap::fromImage(InspectorImages::imageFromBitmap(*bitmap));
  pixmap.setDevicePixelRatio(scale);
  return pixmap;
}

QMenu* NodeEditorView::menuForEvent(QPointF canvasPoint)
{
  contextMenuLocation_ = canvasPoint;
  if (controller_ == nullptr) {
    return nullptr;
  }
  if (MVConnection* connection = connectionAtPoint(canvasPoint)) {
    return contextMenuForConnection(connection);
  }
  currentAddNodeConnection_ = nullptr;
  auto* menu = new QMenu(this);
  menu->setToolTipsVisible(true);
  addNodeMenuItems(menu, "Add node", MVNodeCatalogue::allCategoryKeys(), &NodeEditorView::menuAddNode);
  menu->addSeparator();
  menu->addAction("Arrange nodes", this, [this] { arrangeNodeViews(); });
  return menu;
}

void NodeEditorView::contextMenuEvent(QContextMenuEvent* event)
{
  const QPointF point = canvas_->mapFrom(viewport(), QPointF(event->pos()));
  if (QMenu* menu = menuForEvent(point)) {
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
  }
  event->accept();
}

void NodeEditorView::menuDidClose()
{
  // After the chosen item's action: the close comes before it.
  if (pf::RunLoop* loop = pf::RunLoop::current()) {
    menuCloseTimer_ = loop->scheduleOneShot(kMenuCloseDelay, [this] { dismissConnectionSelection(); });
  } else {
    dismissConnectionSelection();
  }
}

void NodeEditorView::dismissConnectionSelection()
{
  MVConnection* connection = isCurrentConnection(currentAddNodeConnection_) ? currentAddNodeConnection_ : nullptr;
  currentAddNodeConnection_ = nullptr;
  if (connection == nullptr) {
    return;
  }
  if (connection->hasLooseEnd()) {
    connection->setIsBeingEdited(false);
    controller_->removeConnection(connection);
    return;
  }
  if (MVConnectionView* view = viewOfConnection(connection)) {
    view->setSelected(false);
  }
}

// ---- Actions ----

void NodeEditorView::menuDuplicate()
{
  MVNode* node = liveNode(controller_, currentMenuNode_);
  currentMenuNode_ = nullptr;
  if (node != nullptr) {
    controller_->duplicateNode(node);
  }
}

void NodeEditorView::addNodeAfter(const std::string& className)
{
  MVNode* node = liveNode(controller_, currentMenuNode_);
  currentMenuNode_ = nullptr;
  if (node != nullptr) {
    controller_->addNodeOfClass(className, node);
  }
}

void NodeEditorView::replaceWithNode(const std::string& className)
{
  MVNode* node = liveNode(controller_, currentMenuNode_);
  currentMenuNode_ = nullptr;
  if (node != nullptr) {
    controller_->replaceNode(node, className);
  }
}

void NodeEditorView::menuReverseConnectionOrder()
{
  if (MVNode* node = liveNode(controller_, currentMenuNode_)) {
    node->reverseConnectionOrder();
  }
}

void NodeEditorView::menuUnlink()
{
  MVNode* node = liveNode(controller_, currentMenuNode_);
  currentMenuNode_ = nullptr;
  if (node != nullptr) {
    controller_->unlinkNode(node, false);
  }
}

void NodeEditorView::menuNodeHelp()
{
  MVNode* node = liveNode(controller_, currentMenuNode_);
  currentMenuNode_ = nullptr;
  if (node != nullptr) {
    controller_->showHelpForNodeType(node->className());
  }
}

void NodeEditorView::menuDelete()
{
  MVNode* node = liveNode(controller_, currentMenuNode_);
  currentMenuNode_ = nullptr;
  if (node != nullptr && node->canDelete()) {
    controller_->removeNode(node);
  }
}

void NodeEditorView::menuSelect(const QString& title)
{
  MVNode* node = liveNode(controller_, currentMenuNode_);
  if (node == nullptr) {
    return;
  }
  if (!node->selected()) {
    controller_->selectNode(node, false, false, true);
  }
  const bool before = title != "After";
  const bool after = title != "Before";
  controller_->selectLinkedToNode(node, before, after);
}

void NodeEditorView::menuAddNode(const std::string& className)
{
  if (controller_ == nullptr) {
    return;
  }
  const pf::Point location = modelPointFromCanvas(contextMenuLocation_);
  if (MVConnection* connection = isCurrentConnection(currentAddNodeConnection_) ? currentAddNodeConnection_ : nullptr) {
    controller_->addNodeOfClassOnConnection(className, connection, location);
    if (isCurrentConnection(connection)) {
      connection->setIsBeingEdited(false);
    }
    return;
  }
  controller_->addNodeOfClass(className, location, true);
}

void NodeEditorView::menuRemoveConnection()
{
  MVConnection* connection = isCurrentConnection(currentAddNodeConnection_) ? currentAddNodeConnection_ : nullptr;
  currentAddNodeConnection_ = nullptr;
  if (connection == nullptr) {
    return;
  }
  if (NodeControllerDocumentProtocol* document = controller_->document()) {
    document->storeCurrentConnectionsUndoState(std::string("removing connection"));
  }
  controller_->removeConnection(connection);
}
