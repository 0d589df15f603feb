#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "MorvNode/Controller/MVDragEdit.h"
#include "MorvNode/Controller/MVGenerationScheduler.h"
#include "MorvNode/Controller/MVNodeGraph.h"
#include "MorvNode/Controller/MVNodeIndexTable.h"
#include "MorvNode/Controller/MVNodeSelection.h"
#include "MorvNode/Controller/WarningsManagerDelegate.h"
#include "MorvNode/Elements/MVElementDelegate.h"
#include "MorvNode/Model/MVConnectionDelegate.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVNodeIndexManager.h"
#include "MorvNode/Model/NodeHelpProvider.h"
#include "Platform/Color.h"
#include "Platform/PlistValue.h"
#include "Platform/Point.h"
#include "Platform/Rect.h"
#include "Platform/Size.h"

class MVArtboardSource;
class MVConnection;
class MVControllerAnimation;
class MVControllerAnimationDelegate;
class MVElement;
class MVElementRenderer;
class MVNode;
class MVNodeControllerEditorDelegate;
class MVNodeControllerOutputDelegate;
class MVNodeControllerReferenceDelegate;
class MVParameter;
class MVParameterSocket;
class MVSharedGraphicsStore;
class MVStatisticsPanel;
class MVSvgExportBody;
class MVWarningsCollector;
class NodeControllerDocumentProtocol;
class ODAnimationManager;
class RandomSource;

namespace pf {
class Image;
}

// The per-document owner of the node graph and driver of its generation, and the one front
// that nodes, documents, views and tests talk to. Changes anywhere in the graph end in a request
// for regeneration; requests merge into one run of a 0.005 s one-shot timer on the current
// pf::RunLoop, which pulls the output element tree from the artboard node.
//
// The front keeps the relations, the editing operations (which tell the editor, the undo
// records and the regeneration), the artboard settings, the element ID counters, the shared
// graphics and the statistics panel. The work sits in collaborators it owns, each with its own
// files and tests; the front forwards to them:
// - MVNodeGraph: the node array, the connections, the node ID counter, the ID -> node map and
//   other look-ups, the loading of node and connection records and the loading flag;
// - MVGenerationScheduler: the regeneration timer, the re-entrancy flag, cycle IDs, the pull
//   and the parameters forced after it, the output tree and the timing statistics;
// - MVNodeIndexTable: the storage of the published node indexes;
// - MVNodeSelection: the selected nodes in selection order;
// - MVSvgExportBody (made per call from the last generation): the SVG body of an export.
//
// Main thread only. The document, the editor, the preview, the warnings list, the animation
// manager and the random table are not owned and may be absent (headless: tests, export).
// While isLoadingFile() is set (loading, bulk edits) change notifications, regeneration
// requests and the warnings check are suppressed.
class MVNodeController final : public MVNodeDelegate,
                               public MVElementDelegate,
                               public MVConnectionDelegate,
                               public MVNodeIndexManager,
                               public NodeHelpProvider,
                               public WarningsManagerDelegate {
public:
  static constexpr double kRegenerationDelay = MVGenerationScheduler::kRegenerationDelay;  // seconds
  static constexpr const char* kAutoRefreshDisabledMessage = "Auto refresh disabled, Command-R to update";

  // The state of a fresh document: no nodes, 200 x 200 artboard, opaque white background.
  MVNodeController();
  // Destroys the connections, then the nodes, without notifying anybody.
  ~MVNodeController() override;
  MVNodeController(const MVNodeController&) = delete;
  MVNodeController& operator=(const MVNodeController&) = delete;

  // ---- Relations (none owned) ----
  NodeControllerDocumentProtocol* document() const { return document_; }
  void setDocument(NodeControllerDocumentProtocol* document) { document_ = document; }
  MVNodeControllerEditorDelegate* nodeEditorView() const { return nodeEditorView_; }
  // A newly set editor is told initialize().
  void setNodeEditorView(MVNodeControllerEditorDelegate* view);
  MVNodeControllerOutputDelegate* previewView() const { return previewView_; }
  void setPreviewView(MVNodeControllerOutputDelegate* view) { previewView_ = view; }
  MVNodeControllerReferenceDelegate* nodeReferenceDelegate() const { return nodeReferenceDelegate_; }
  void setNodeReferenceDelegate(MVNodeControllerReferenceDelegate* delegate) { nodeReferenceDelegate_ = delegate; }
  MVWarningsCollector* warningsManager() const { return warningsManager_; }
  void setWarningsManager(MVWarningsCollector* manager) { warningsManager_ = manager; }
  ODAnimationManager* animationManager() const override { return animationManager_; }
  // Makes the controller's animation side the manager's delegate and the auto-keying delegate.
  void setAnimationManager(ODAnimationManager* manager);
  // The animation menus and the answers to the animation manager.
  MVControllerAnimation& animation() { return *animation_; }
  const RandomSource* randomSource() const { return randomSource_; }
  void setRandomSource(const RandomSource* randomSource) { randomSource_ = randomSource; }

  // The controller serves the node reference window rather than a document.
  bool referenceMode() const { return referenceMode_; }
  void setReferenceMode(bool referenceMode) { referenceMode_ = referenceMode; }
  // Regenerate automatically after changes (saved by the document as "Auto regenerate").
  bool autoRegenerate() const { return autoRegenerate_; }
  void setAutoRegenerate(bool autoRegenerate) { autoRegenerate_ = autoRegenerate; }
  bool isLoadingFile() const { return graph_.isLoadingFile(); }
  // The document and the older-generation converter set the flag around the steps of a load.
  void setIsLoadingFile(bool loading) { graph_.setLoadingFile(loading); }

  // ---- Node IDs and element IDs ----
  // The counter's next value as "%ld"; IDs are never reused within a document.
  std::string uniqueNodeID() override;
  // The last node ID handed out; the document saves it as "Node ID Counter" and restores it
  // before the nodes are created.
  long nodeIDCounter() const { return graph_.nodeIDCounter(); }
  void setNodeIDCounter(long counter) { graph_.setNodeIDCounter(counter); }
  // 1, 2, ...; not saved.
  long long uniqueElementID() override;
  void elementCreated() { ++elementCreationCounter_; }
  void elementReleased() { ++elementReleaseCounter_; }
  // Sets the alive count to created minus released.
  void tallyElementCreationAndReleaseCounters() { elementAliveCounter_ = elementCreationCounter_ - elementReleaseCounter_; }
  long elementAliveCounter() const { return elementAliveCounter_; }

  // ---- Node array ----
  const std::vector<std::unique_ptr<MVNode>>& nodeArray() const { return graph_.nodes(); }
  // Creates a node from its record (class, ID, "NodeArrayIndex" position) and adds it. nullptr,
  // logged, for an unknown class; an unknown class met while loading also becomes a loading
  // warning. Runs no change handling and registers no undo.
  MVNode* addNodeWithDescriptionDictionary(const pf::PlistValue::Dictionary& record);
  // Adds the nodes of a document's records in order, then makes sure there is exactly one
  // artboard node. Connections are loaded afterwards (loadConnectionsFromArray). Each record is
  // let go once its node is built: records handed over with std::move give their memory back
  // while the nodes are made.
  void loadNodesFromArray(pf::PlistValue::Array records);
  // Warnings for the user collected while loading a file, in order, each text once per class.
  const std::vector<std::string>& fileLoadingWarnings() const { return graph_.fileLoadingWarnings(); }
  void clearFileLoadingWarnings() { graph_.clearFileLoadingWarnings(); }
  // Adds the text unless it is already in the list.
  void addFileLoadingWarning(const std::string& warning) { graph_.addFileLoadingWarning(warning); }
  // Sets up a node that a loader made (delegates, then its ID) and appends it to the node array
  // (the older-generation converter); runs no change handling and registers no undo. nullptr is
  // ignored.
  MVNode* appendLoadedNode(std::unique_ptr<MVNode> node, const std::string& nodeId);

  // After nodes were added or removed: type counts, timeline, dynamic nodes, editor, regeneration.
  void nodeArrayChanged();
  // Recounts the classes; the n-th node of a class in array order gets display index n.
  void updateNodeTypeCount() { graph_.updateNodeTypeCount(); }
  int nodeTypeCountForClass(std::string_view className) const override { return graph_.nodeTypeCountForClass(className); }
  // Rebuilds the list of nodes with random outputs or node-index parameters and marks the nodes
  // downstream of them.
  void updateDynamicValueNodesArray() { graph_.updateDynamicValueNodesArray(); }
  const std::vector<MVNode*>& dynamicValueNodeArray() const { return graph_.dynamicValueNodes(); }
  // Marks the node and every node downstream of it as possibly answering per repetition.
  void markDynamicInputForNodesConnectedTo(MVNode* node) { graph_.markDynamicInputForNodesConnectedTo(node); }

  // The last node in array order with that ID; nullptr when none. Constant time.
  MVNode* nodeWithId(const std::string& nodeId) const { return graph_.nodeWithId(nodeId); }
  void nodeIdChanged(MVNode* node, const std::string& previousId) override { graph_.nodeIdChanged(node, previousId); }
  // The artboard node (class "ArtboardNode"), cached; nullptr when there is none.
  MVNode* artboardNode() { return graph_.artboardNode(); }
  std::vector<MVNode*> nodesLinkedToNode(MVNode* node, bool before, bool after) override
  {
    return graph_.nodesLinkedToNode(node, before, after);
  }

  // Forwards to the document.
  void showHelpForNodeType(const std::string& nodeClassName) override;
  // The icon named by the class's constants; nullptr for an unknown class (logged), a class
  // without icon, or without an installed icon provider.
  std::shared_ptr<const pf::Image> nodeIconForNodeClass(const std::string& nodeClassName) const;

  // The document is closing: drops the output, the nodes, the connections and the shared
  // graphics, and disarms a pending regeneration. Undo registration is paused meanwhile.
  void releaseResources();

  // ---- Editing operations the node array needs ----
  // A new node of the class at the location (rounded, snapped to the grid when "Snap nodes to
  // grid" is on), registered for undo and auto-connected when asked. nullptr for an unknown
  // class (logged) and for a second artboard (refused with an alert).
  MVNode* addNodeOfClass(const std::string& nodeClass, pf::Point location, bool autoConnect);
  // Removes and destroys the node, bridging its inputs to its outputs. nullptr is ignored; a
  // node that is not in the array is only logged.
  void removeNode(MVNode* node);
  // Removes the node's connections; bridges each source to the first target that accepts it.
  void unlinkNode(MVNode* node, bool forDeletion);
  void removeAllNodes();

  // Selection in selection order.
  const std::vector<MVNode*>& selectedNodesArray() const { return selection_.nodes(); }
  bool hasSelectedNodes() const { return !selection_.isEmpty(); }
  // Without `addition` the selection is emptied first; an already selected node is deselected
  // when both `addition` and `toggleSelection` are set.
  void selectNode(MVNode* node, bool addition, bool toggleSelection, bool updateInterface);
  void updateAfterSelectionChange();

  // ---- Regeneration and the generation cycle ----
  // A parameter changed with no connected output: it is evaluated after the next pull even when
  // the pull does not reach it.
  void scheduleRegenerationForParameter(MVParameter* parameter) override;
  void parameterRemoved(const MVParameter* parameter) override { scheduler_.parameterRemoved(parameter); }
  // With auto refresh off only shows kAutoRefreshDisabledMessage in the preview.
  void scheduleRegeneration() override;
  // Arms the timer when none is armed and no generation runs; other requests merge into the
  // pending run or, during a generation, are dropped. Also works with auto refresh off (the
  // refresh command).
  void scheduleRegenerationForced() { scheduler_.scheduleRegenerationForced(); }
  // The timer's action, also called directly (animation export): generates now, or, during a
  // generation, asks for one more run when it ends.
  void regenerate() { scheduler_.regenerate(); }
  bool isGenerating() const { return scheduler_.isGenerating(); }
  bool isRegenerationPending() const { return scheduler_.isRegenerationPending(); }
  // Copies size and background from the artboard node; tells the nodes when the size changed.
  void getArtboardSettings();
  // One generation: new cycle, seeds, pull from the artboard, forced previews, statistics,
  // warnings.
  void generateOutputElement();
  std::shared_ptr<const MVElement> outputElement() const override { return scheduler_.outputElement(); }
  long long currentGenerationCycleID() const override { return scheduler_.generationCycleID(); }
  void resetNodeRandomSeeds() { scheduler_.resetNodeRandomSeeds(); }
  void markConnectionsForNewPreviewGenerationCycle() { scheduler_.markConnectionsForNewPreviewGenerationCycle(); }
  // Collects the nodes' warnings into the warnings manager (only with two nodes or more).
  void checkWarnings();
  // Logs "[%g ms] %@" with the milliseconds since the generation started.
  void debugTimeStamp(const std::string& text) override;

  // Artboard settings (output units), copied from the artboard node before each generation.
  pf::Size artboardSize() const override { return artboardSize_; }
  pf::Rect artboardClippingRect() const override { return artboardClippingRect_; }
  void setArtboardClippingRect(const pf::Rect& rect) override { artboardClippingRect_ = rect; }
  // SVG user units per output unit of the SVG body; the export sets it before asking for the body.
  double renderingScale() const { return renderingScale_; }
  void setRenderingScale(double scale) { renderingScale_ = scale; }
  const pf::Color& backgroundColor() const { return backgroundColor_; }
  bool drawBackgroundFlag() const { return drawBackgroundFlag_; }
  double backgroundOpacity() const { return backgroundOpacity_; }
  pf::Color patternBackgroundColor() const { return backgroundColor_; }
  // The opacity, 0.0 while the background is off.
  double patternBackgroundOpacity() const { return drawBackgroundFlag_ ? backgroundOpacity_ : 0.0; }

  // Statistics of the last generation; times in seconds on the run loop's clock.
  long numberOfElements() const { return scheduler_.numberOfElements(); }
  double updateStartTime() const { return scheduler_.updateStartTime(); }
  double generationStartTime() const { return scheduler_.generationStartTime(); }
  double generationEndTime() const { return scheduler_.generationEndTime(); }
  double generationTime() const { return scheduler_.generationTime(); }

  // ---- Node indexes ("<node ID> * <index name>" -> index; -1: no current value) ----
  const pf::PlistValue::Dictionary& nodeIndexes() override { return nodeIndexTable_.indexes(); }
  // The document restores its saved "Nodes indexes" before the nodes are created.
  void loadNodeIndexes(const pf::PlistValue::Dictionary& indexes) { nodeIndexTable_.load(indexes); }
  long long nodeIndex(const std::string& key) override { return nodeIndexTable_.index(key); }
  MVNode* nodeIndexNodeFromIndex(const std::string& key) override;
  // Stores and notifies the dynamic nodes with a node-index parameter, also for an unchanged value.
  void setNodeIndex(const std::string& indexName, MVNode* node, long long value) override;
  // Stores -1 without notifying anybody: dependents keep the last repetition's value.
  void endNodeIndexSession(const std::string& indexName, MVNode* node) override;
  // The "Index" key of the first node downstream (walk order) that publishes it; nullopt when none.
  std::optional<std::string> getFirstNodeIndexConnectedToNode(MVNode* node)
  {
    return nodeIndexTable_.firstIndexKeyOf(graph_.nodesLinkedToNode(node, false, true));
  }
  void resetAllNodeIndexes();
  // Drops every key of the node; keys without " *" stay.
  void removeElementIndexesForNodeID(const std::string& nodeId) { nodeIndexTable_.removeIndexesForNodeID(nodeId); }
  // Random value nodes (and, for a repeater, random graphics nodes) draw afresh.
  void updateRandomNodesForNode(MVNode* node) override;

  // ---- Connections ----
  const std::vector<std::unique_ptr<MVConnection>>& connectionArray() const { return graph_.connections(); }
  // Either socket may be nullptr (a connection the editor is drawing). Registers no undo.
  MVConnection* addConnectionFromSocket(MVParameterSocket* outputSocket, MVParameterSocket* inputSocket) override;
  // Detaches and destroys the connection; logged when it is not one of the controller's.
  void removeConnection(MVConnection* connection);
  void removeAllConnections();
  // A connection left with a loose end (and not being drawn) is removed.
  void connectionChanged(MVConnection* connection) override;
  void connectionsChanged() override;
  void inputConnectionsReordered(MVParameterSocket* socket) override;
  // The records of the connections in array order (the document's "Connections").
  pf::PlistValue::Array connectionDescriptionsArray() const { return graph_.connectionDescriptionsArray(); }
  // Replaces every connection by those of the records; failures are logged and summarised in
  // one loading warning. Records are let go as they are read, as with loadNodesFromArray.
  void loadConnectionsFromArray(pf::PlistValue::Array records);
  // nullptr (logged) when the record's nodes, parameters or sockets are missing.
  MVConnection* loadConnectionFromDescription(const pf::PlistValue::Dictionary& record);

  // ---- Shared graphics ----
  MVSharedGraphicsElementsManager* sharedGraphicsManager() override;
  // Shared with rendering threads that draw copies of the output.
  const std::shared_ptr<MVSharedGraphicsStore>& sharedGraphicsStore() const { return sharedGraphicsStore_; }

  // ---- Other node requests ----
  void parameterChanged(MVParameter* parameter, const std::string& propertyName) override;
  void dragEditParameterSelected(MVParameter* parameter) override { dragEdit_.dragEditParameterSelected(parameter); }

  // ---- Drag-edit on the preview (MVDragEdit) ----
  MVDragEdit& dragEdit() { return dragEdit_; }
  pf::Point dragEditPivot() const { return dragEdit_.dragEditPivot(); }
  bool shouldShowDragEditPivot() const { return dragEdit_.shouldShowDragEditPivot(); }
  // A drag on the preview, in output coordinates: start, movements by their deltas, end.
  void displayViewValueDragOffsetStartAt(double x, double y) { dragEdit_.displayViewValueDragOffsetStartAt(x, y); }
  void displayViewValueDragOffset(double dx, double dy, bool shiftHeld) { dragEdit_.displayViewValueDragOffset(dx, dy, shiftHeld); }
  void displayViewValueDragOffsetEnd() { dragEdit_.displayViewValueDragOffsetEnd(); }
  // The space bar went down or up (the node editor reports it).
  void setSpaceHeldFlag(bool held) { dragEdit_.setSpaceHeldFlag(held); }
  MVElementDelegate* elementDelegate() override { return this; }
  MVNodeIndexManager* nodeIndexManager() override { return this; }

  // ---- Graph editing, statistics and renderer set-up (MVNodeControllerEditing.cpp) ----
  // Moves the boxes downstream of `node` (of `firstConnectedNode` when given) to the right until
  // `distance` points are free after the box of `node`. Nothing for a node without a box.
  void makeSpaceAfterNode(MVNode* node, float distance, MVNode* firstConnectedNode);
  // A new node to the right of `node` that takes over its element consumers and is fed by it;
  // selected alone. nullptr when the class cannot be added.
  MVNode* addNodeOfClass(const std::string& nodeClass, MVNode* node);
  // A new node put on `connection` (complete, or one the editor is drawing with a loose end):
  // the connection runs through the new node afterwards. nullptr when the class cannot be added.
  MVNode* addNodeOfClassOnConnection(const std::string& nodeClass, MVConnection* connection, pf::Point clickLocation);
  // Replaces the node by a new node of that class at its place, carrying over the parameters and
  // connections of the same names. Nothing for nullptr, an empty class or the node's own class.
  void replaceNode(MVNode* node, const std::string& nodeType);
  // A copy 20 points right and down, with the node's inputs and element consumers; selected
  // alone. nullptr for the artboard (there is only ever one) or a class without a factory.
  MVNode* duplicateNode(MVNode* node);

  void selectAndCenterOnNode(MVNode* node) override;
  // Adds the nodes upstream and/or downstream of `node` to the selection.
  void selectLinkedToNode(MVNode* node, bool before, bool after);
  void toggleSelectedNodesEnabled() { selection_.toggleEnabled(); }
  // A row of an unselected node was clicked: its node becomes the selection.
  void parameterSelected(MVParameter* parameter);
  // Opens the warnings list on the node's warnings (toggles it for a node already selected).
  void showWarningsForNode(MVNode* node);

  // Auto-keying and the preview frame rate; not owned, nullptr when there is no animation.
  MVControllerAnimationDelegate* animationDelegate() const { return animationDelegate_; }
  void setAnimationDelegate(MVControllerAnimationDelegate* delegate) { animationDelegate_ = delegate; }

  // Artboard size and background for a renderer of the output. Nothing for nullptr.
  void setupRenderingThread(MVElementRenderer* renderer) const;
  // The preview started rendering a new output / shows it.
  void previewRerenderStart() { scheduler_.previewRerenderStart(); }
  void updatePreviewFinished() { scheduler_.updatePreviewFinished(); }
  // While an animation plays: the preview's frames are timed from here.
  void setAnimationLastFrameStartTime(double time) { animationLastFrameStartTime_ = time; }
  // "250ms", "12.3s", "2:05".
  static std::string displayTimeFromTime(double seconds);
  // Refreshes the statistics panel and the preview's status line from the last update,
  // generation and (when given) rendering.
  void updateStatisticsPanelWithRenderer(const MVElementRenderer* renderer);
  MVStatisticsPanel* statisticsPanel() const { return statisticsPanel_; }
  void setStatisticsPanel(MVStatisticsPanel* panel) { statisticsPanel_ = panel; }
  double updateEndTime() const { return scheduler_.updateEndTime(); }
  double updateTime() const { return scheduler_.updateTime(); }
  long numberOfRenderedElements() const { return numberOfRenderedElements_; }

  // ---- SVG body of an export (MVSvgExportBody) ----
  // The document export writes its header and footer around these three, from the last
  // generation, in SVG user units of renderingScale per output unit.
  // The background as one <rect> line; empty while the background is off or fully transparent.
  std::string svgArtboardBackgroundString() const;
  // <defs> with one <symbol> per shared graphic the output uses (embedded SVG text, else the
  // image as PNG data); empty when the output uses none.
  std::string svgSymbolDefinitionsString() const;
  // The output tree's SVG text (MVSvgWriter); empty without output.
  std::string svgOutputElementString() const;
  // The body of an export of the last generation.
  MVSvgExportBody svgExportBody() const;

private:
  // Editor coordinates of the grid that new nodes snap to: 10, 30, 50, ... and -10, -30, ...
  // (halves away from zero).
  static double snappedCoordinate(double coordinate);
  MVArtboardSource* artboard();
  // Hands a node the controller, the document and the random table, then its ID; the node's
  // initial layout is no step of its own to undo.
  void setUpNode(MVNode& node, const std::string& nodeId);
  // Forgets every non-owning reference to a node that is about to be destroyed.
  void forgetNode(const MVNode* node);
  // The timer's run: artboard settings, the pull and its follow-ups, the pattern views.
  void runGeneration();
  void updatePatternViews();
  void updateDragEditInterface() { dragEdit_.updateDragEditInterface(); }
  void updateDragEditPivot() { dragEdit_.updateDragEditPivot(); }
  // Moves a connection's ends from `node` to the parameters of `replacement` that match.
  void moveConnectionsToReplacement(MVNode* node, MVNode* replacement);
  // Auto-keying of an animated parameter that changed.
  void recordAnimatedChange(MVParameter* parameter, const std::string& propertyName);

  // Relations.
  NodeControllerDocumentProtocol* document_ = nullptr;             // owns this controller
  MVNodeControllerEditorDelegate* nodeEditorView_ = nullptr;       // the window's, outlives this
  MVNodeControllerOutputDelegate* previewView_ = nullptr;          // the window's, outlives this
  MVNodeControllerReferenceDelegate* nodeReferenceDelegate_ = nullptr;  // the reference window's
  MVWarningsCollector* warningsManager_ = nullptr;                 // the document's, outlives this
  ODAnimationManager* animationManager_ = nullptr;                 // the document's, outlives this
  MVControllerAnimationDelegate* animationDelegate_ = nullptr;     // the document's, outlives this
  MVStatisticsPanel* statisticsPanel_ = nullptr;                   // the window's, outlives this
  std::unique_ptr<MVControllerAnimation> animation_;
  const RandomSource* randomSource_ = nullptr;                     // the application's table
  bool referenceMode_ = false;
  bool autoRegenerate_ = true;

  // Collaborators. The scheduler reads the graph, so the graph is declared first.
  MVNodeGraph graph_;
  MVGenerationScheduler scheduler_;
  MVNodeIndexTable nodeIndexTable_;
  MVNodeSelection selection_;
  MVDragEdit dragEdit_{*this};

  long long elementIDCounter_ = 0;
  long elementCreationCounter_ = 0;
  long elementReleaseCounter_ = 0;
  long elementAliveCounter_ = 0;
  std::shared_ptr<MVSharedGraphicsStore> sharedGraphicsStore_;
  bool isReplacingNode_ = false;
  bool isAddingNodeOnConnection_ = false;

  // Artboard settings (output units), copied from the artboard node before each generation.
  pf::Size artboardSize_{200.0, 200.0};
  pf::Rect artboardClippingRect_{0.0, 0.0, 200.0, 200.0};
  pf::Color backgroundColor_ = pf::Color::white();
  bool drawBackgroundFlag_ = true;
  double backgroundOpacity_ = 1.0;
  double renderingScale_ = 1.0;

  // Statistics of the preview.
  long numberOfRenderedElements_ = 0;
  double animationLastFrameStartTime_ = 0.0;
  double animationLastFrameRenderTime_ = 0.0;
};
