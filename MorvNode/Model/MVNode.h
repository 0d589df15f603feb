#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "MorvNode/Model/MVNodeClass.h"
#include "MorvNode/Model/MVNodeInterfaceDelegate.h"
#include "MorvNode/Model/MVNodeStorage.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterColorSource.h"
#include "MorvNode/Model/MVParameterGraphicsSource.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterValueSource.h"
#include "Platform/Color.h"
#include "Platform/PlistValue.h"
#include "Platform/Point.h"
#include "Platform/Prefetch.h"

class MVElement;
struct MVMenu;
class MVNodeDelegate;
class ODAnimator;
class MVNodeUndoDelegate;
class MVParameterBool;
class MVParameterColor;
class MVParameterGraphics;
class MVParameterIndex;
class MVParameterNodeIndex;
class MVParameterValue;
class MVParameterValue2D;
class MVParameterValueExpression;
class RandomSource;

// What flows through a connection a new node is inserted on: a value or a colour.
using MVProposedValue = std::variant<double, pf::Color>;

// Base of every node in a document's graph. A node owns an ordered list of parameters (the row
// order of its box and the order of its record), answers its parameters' requests for
// elements, values and colours, forwards parameter changes to the graph controller and its own
// property changes to the undo delegate, and saves and loads itself as a node record. Node
// classes declare their parameters once in initNodeParameters() and override the virtual
// operations below; their class constants live in their MVNodeClass.
//
// Creation: make the node (MVClassRegistry::createNode), set the controller, undo delegate and
// random source, and only then call initWithNodeID(), which hands them to the parameters.
class MVNode : public MVParameterValueSource, public MVParameterColorSource, public MVParameterGraphicsSource {
public:
  MVNode() = default;
  ~MVNode() override;
  // Placed through MVNodeStorage: a node made by MVClassRegistry::createNode lies in one block
  // with the parameters it declares.
  static void* operator new(std::size_t bytes) { return MVNodeStorage::allocate(bytes); }
  static void operator delete(void* object) noexcept { MVNodeStorage::deallocate(object); }
  MVNode(const MVNode&) = delete;
  MVNode& operator=(const MVNode&) = delete;

  // Class constants.
  static const MVNodeClass& nodeClassInfo();
  virtual const MVNodeClass& nodeClass() const { return nodeClassInfo(); }
  const std::string& className() const { return nodeClass().className; }
  const std::string& iconName() const { return nodeClass().iconName; }

  // Initialisation: ID, parameters declared and linked, change forwarding switched on.
  void initWithNodeID(const std::string& nodeId);
  // Node classes call the base first, then create, configure and add their parameters.
  virtual void initNodeParameters();
  // Hook after initialisation (empty in the base).
  virtual void checkParameterDefinitions() {}

  // Parameters. The node takes ownership and hands the parameter its node, controller and
  // undo delegate before it sets up the sockets. nullptr is ignored. Both return the added
  // parameter (nullptr for nullptr).
  MVParameter* addParameter(std::unique_ptr<MVParameter> parameter);
  // Out-of-range indexes (also index == count) append, with a warning.
  MVParameter* addParameter(std::unique_ptr<MVParameter> parameter, long index);
  // Inserts directly after the parameter named `previous`; without one, appends with a warning.
  MVParameter* addParameterAfter(std::unique_ptr<MVParameter> parameter, std::string_view previous);
  template <class Kind>
  Kind* addParameter(std::unique_ptr<Kind> parameter)
  {
    Kind* added = parameter.get();
    addParameter(std::unique_ptr<MVParameter>(std::move(parameter)));
    return added;
  }
  const std::vector<std::unique_ptr<MVParameter>>& parameters() const { return parameters_; }
  // Takes the parameter out of the list and hands it to the caller with its node, controller
  // and undo delegate cleared; nullptr when it is not one of the node's parameters.
  std::unique_ptr<MVParameter> removeParameter(const MVParameter* parameter);

  // Look-ups by persistent name: the first parameter in list order with that name (and of
  // that kind or a kind derived from it). nullptr when nothing matches.
  MVParameter* parameterNamed(std::string_view name) const;
  template <class Kind>
  Kind* parameterNamed(std::string_view name) const
  {
    for (const auto& parameter : parameters_) {
      if (parameter->name() == name) {
        if (auto* match = dynamic_cast<Kind*>(parameter.get())) {
          return match;
        }
      }
    }
    return nullptr;
  }
  MVParameterValue2D* value2DParameterNamed(std::string_view name) const;
  // Also finds two-axis and expression parameters.
  MVParameterValue* valueParameterNamed(std::string_view name) const;
  // Also finds node-index parameters.
  MVParameterIndex* indexParameterNamed(std::string_view name) const;
  MVParameterNodeIndex* elementIndexParameterNamed(std::string_view name) const;
  MVParameterValueExpression* expressionParameterNamed(std::string_view name) const;
  MVParameterBool* boolParameterNamed(std::string_view name) const;
  MVParameterColor* colorParameterNamed(std::string_view name) const;
  MVParameterGraphics* graphicsParameterNamed(std::string_view name) const;

  // Values by name; a missing parameter is logged and gives the neutral value.
  std::optional<pf::Color> colorValueForParameterNamed(std::string_view name) const;  // nullopt
  double doubleValueForParameterNamed(std::string_view name) const;                    // 0.0
  // An index parameter's index, else a value parameter's value rounded (halves away from 0).
  int intValueForParameterNamed(std::string_view name) const;         // 0
  long long longValueForParameterNamed(std::string_view name) const;  // 0
  bool boolValueForParameterNamed(std::string_view name) const;       // false

  // Change handling.
  // Called by a parameter whenever its value or a property changed: links the parameters,
  // follows the seed and forwards to the controller while updateOnParameterChanges is set.
  virtual void parameterChanged(MVParameter* parameter, const std::string& propertyName);
  // Shows, hides or enables parameters from the others' values. The base links the seed rows.
  virtual void updateLinkedParameters();
  // Node classes push changes of their outputs here.
  virtual void updateOutputParameters() {}
  // inputChanged on every parameter that has a value source.
  void updateDependentParameters();
  // Marks every parameter stale, without writing into each (see MVParameterRefreshCount).
  virtual void clearCachedValues();
  // Whether some parameter awaits an update (MVParameter::awaitsUpdate): the generation's sweep
  // for previews its pull did not reach skips the nodes that answer false.
  bool hasParametersAwaitingUpdate() const { return parametersAwaitingUpdate_ > 0; }
  // Visits every node of `nodes` in order, for the sweeps through every node after a generation:
  // the flags they read (awaiting parameters, warnings) are asked for a few nodes ahead, so that
  // their memory arrives together.
  template <typename Visit>
  static void sweep(const std::vector<std::unique_ptr<MVNode>>& nodes, Visit visit)
  {
    constexpr std::size_t kAhead = 16;
    pf::visitAskingAhead(
        nodes, kAhead,
        [](const std::unique_ptr<MVNode>& node) {
          __builtin_prefetch(&node->warningsCurrent_);
          __builtin_prefetch(&node->refreshCount_);
        },
        visit);
  }
  // Kept by the parameters as their flags change: a parameter that can await (awaitable) and
  // one that awaits (awaiting) came (true) or went (false).
  void parameterAwaitStateChanged(bool awaitable, bool awaiting, bool came)
  {
    const int step = came ? 1 : -1;
    awaitableParameters_ += awaitable ? step : 0;
    parametersAwaitingUpdate_ += awaiting ? step : 0;
  }
  // Read by the parameters to learn of refreshes (clearCachedValues).
  const MVParameterRefreshCount& refreshCount() const { return refreshCount_; }
  // A published node index changed: pushes the "IndexParameter" parameter when it watches it.
  virtual void nodeIndexUpdated(const std::string& indexName);
  virtual void refreshConnectedValues() {}
  void resetNodeIndexes() override {}
  virtual void artboardSizeChanged() {}
  // Value and colour node classes take what flows through the connection they are put on.
  virtual void setProposedValue(const MVProposedValue& value) { (void)value; }
  // Reverses the order of the node's incoming element connections (the saved order too).
  virtual void reverseConnectionOrder();
  // Appends the class's own items to the node's context menu (MVMenu, built by the graph layer);
  // the base adds none. Item actions refer to the node, which outlives the menu's use.
  virtual void menuAddNodeCustomItemsToMenu(MVMenu& menu) { (void)menu; }
  bool updateOnParameterChanges() const { return updateOnParameterChanges_; }
  void setUpdateOnParameterChanges(bool update) { updateOnParameterChanges_ = update; }

  // Answers to the node's own parameters; the base answers are logged fallbacks that pass the
  // input through (the preview: a copy of the element).
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                         std::shared_ptr<const MVElement> inputElement) override;
  std::shared_ptr<const MVElement> graphicsPreviewElementForParameter(MVParameter* parameter,
                                                                std::shared_ptr<const MVElement> element) override;
  pf::Color colorForParameter(MVParameter* parameter, const pf::Color& inputColor) override;
  double valueForParameter(MVParameter* parameter, int fieldIndex, double inputValue) override;

  // Graph queries over enabled, shown parameters.
  bool hasConnectedInput() const;
  bool hasConnectedOutput() const;
  // The first parameter that takes / gives that socket type; nullptr when none.
  MVParameter* primaryInputParameterForType(MVSocketType type) const;
  MVParameter* primaryOutputParameterForType(MVSocketType type) const;

  // Identity and display.
  const std::string& nodeId() const { return nodeId_; }
  // Tells the controller, which finds nodes by ID.
  void setNodeId(std::string nodeId);
  // Counts the changes of the ID: what was made from the ID holds while the count holds, so a
  // generation need not compare texts to know.
  std::uint32_t nodeIdRevision() const { return nodeIdRevision_; }
  // The title; with several nodes of the class and the class title, "<title> <index>".
  std::string displayName() const;
  void setDisplayName(const std::string& displayName);
  // "<type name> <title>".
  std::string displayFullName() const;
  std::string persistentIdentifier() const { return nodeId_; }
  std::string description() const;
  const std::string& nodeTypeHeader() const { return nodeTypeHeader_; }
  int dynamicNodeDisplayIndex() const { return dynamicNodeDisplayIndex_; }
  void setDynamicNodeDisplayIndex(int index) { dynamicNodeDisplayIndex_ = index; }

  // Behaviour the node box and the controller ask about.
  virtual bool canDelete() const { return true; }
  virtual bool canRename() const { return false; }
  virtual bool canDisable() const { return true; }
  virtual bool hasNodeReference() const { return true; }
  virtual bool hasNodeHeader() const { return true; }
  bool hasNodeMenuButton() const { return true; }
  // The class name of the box the interface makes for the node; empty: no box.
  virtual std::string nodeViewClass() const { return "MVNodeView"; }
  // Family tests of the graph controller: the element node family (auto-connected when added)
  // and the repeater family (random graphics upstream draw afresh per repetition).
  virtual bool isElementNode() const { return false; }
  virtual bool isRepeaterNode() const { return false; }

  // State.
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);
  bool selected() const { return selected_; }
  void setSelected(bool selected);
  // Editor coordinates of the node's box.
  pf::Point initialNodeViewOrigin() const { return initialNodeViewOrigin_; }
  void setInitialNodeViewOrigin(pf::Point origin);
  bool referenceMode() const { return referenceMode_; }
  void setReferenceMode(bool referenceMode)
  {
    referenceMode_ = referenceMode;
    warningsCurrent_ = false;
  }
  bool mightHaveDynamicInput() const override { return mightHaveDynamicInput_; }
  virtual void setMightHaveDynamicInput(bool might) { mightHaveDynamicInput_ = might; }
  bool hasNodeIndexParameter() const { return hasNodeIndexParameter_; }
  bool hasNodeIndexes() const override { return hasNodeIndexes_; }
  void setHasNodeIndexes(bool has) { hasNodeIndexes_ = has; }
  bool hasRandomValueOutput() const { return hasRandomValueOutput_; }
  void setHasRandomValueOutput(bool has) { hasRandomValueOutput_ = has; }
  bool hasRandomGraphicsOutput() const { return hasRandomGraphicsOutput_; }
  void setHasRandomGraphicsOutput(bool has) { hasRandomGraphicsOutput_ = has; }
  // Scratch mark of the controller's graph walks.
  bool recursiveCheckedFlag() const { return recursiveCheckedFlag_; }
  void setRecursiveCheckedFlag(bool checked) { recursiveCheckedFlag_ = checked; }

  // Random seeds (see RandomSource).
  // Adds the "Show seed" toggle and the "Seed" value where the rows are to appear: directly
  // after the parameter named `after`, or last when it is empty.
  void initNodeRandomSeedParameters(std::string_view after = {});
  // Restarts the node's draws (each generation).
  void initRandomSeed();
  // Advances to the next step's draws.
  void updateIncrementalRandomSeed();
  // Advances by one step: for nodes that draw once per request (successive table entries).
  void incrementRandomIncrementalSeed();
  double randomDoubleWithSeed(long long index) const;       // [0, 1); 0.0 without a source (logged)
  long long randomIntegerWithSeed(long long index) const;   // 0 ... 9,999,999; 0 without a source
  MVParameter* showRandomSeedParameter() const { return showRandomSeedParameter_; }
  MVParameterValue* randomSeedParameter() const { return randomSeedParameter_; }
  long long nodeRandomSeed() const { return nodeRandomSeed_; }
  long long randomIncrementalSeed() const { return randomIncrementalSeed_; }

  // Undo of the node's own properties ("enabled", "displayName", "position").
  void registerUndoProperty(const std::string& propertyName, const std::optional<pf::PlistValue>& oldValue);
  std::string undoActionNameForProperty(const std::string& propertyName) const;
  virtual void revertProperty(const std::string& propertyName, const pf::PlistValue& value);

  // Warnings for the warnings list. Equal messages are kept once; none in reference mode.
  void addWarningMessage(const std::string& message);
  // Rebuilds the messages; node classes call the base first and add theirs.
  virtual void checkWarnings();
  // Node classes whose checkWarnings() reads nothing but the node's own state (its parameters'
  // values, states and connections) answer true: the controller then redoes their warnings only
  // after a change to that state. Warnings that read generation results, files or other nodes
  // must be redone after every generation (false, the default).
  virtual bool warningsFollowOwnState() const { return false; }
  // Whether the messages of the last updateWarnings() may no longer hold.
  bool warningsNeedCheck() const { return !warningsCurrent_; }
  // Runs checkWarnings() and notes whether its messages hold until the next change: only for
  // classes whose warnings follow their own state, without expression or node-index
  // parameters (which read other nodes) and without connected inputs (whose values come from
  // upstream).
  void updateWarnings();
  // A change to the node, a parameter or a connection of one: the next check redoes the warnings.
  void markWarningsStale() { warningsCurrent_ = false; }
  // Kept by the parameters: one of them gained its first connected input (true) or lost its
  // last one (false).
  void parameterInputConnectionChanged(bool connected)
  {
    parametersWithConnectedInput_ += connected ? 1 : -1;
    warningsCurrent_ = false;
  }
  const std::vector<std::string>& warningMessages() const { return warningMessages_; }
  const std::vector<std::string>& loadingWarningMessages() const { return loadingWarningMessages_; }
  void addLoadingWarningMessage(const std::string& message) { loadingWarningMessages_.push_back(message); }
  // The sample input shown in the node reference for a missing element input.
  virtual std::shared_ptr<const MVElement> getReferenceInputGraphicsNamed(const std::string& name);

  // Records.
  virtual pf::PlistValue::Dictionary descriptionDictionary() const;
  // Always true: missing and mismatching pieces are logged and skipped.
  virtual bool loadNodeDictionary(const pf::PlistValue::Dictionary& record);

  // Older-generation records (MVLegacyNodeRecordReader). The current name of an old parameter,
  // with the reader's "[ENABLE]" and ":X"/":Y" markers; nullopt drops the old value. The base
  // keeps the name.
  virtual std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const { return name; }
  // Always true: what has no counterpart is skipped. Node classes run the base first unless
  // their own steps must come before it.
  virtual bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record);
  // An older document's animated value node writes its function into the animator as keyframes;
  // true when they only approximate it. Nodes of other classes write nothing.
  virtual bool addKeyframesToAnimator(ODAnimator* animator) const;
  // Every animator of a converted older document, once all are made, for nodes whose old
  // animations meant something else than their current parameters do. Nothing by default.
  virtual void processImportedLegacyAnimations(const std::vector<ODAnimator*>& animators);

  // A node of the same class with the same delegates, a new ID from the controller (the same
  // ID without one) and this node's record.
  std::unique_ptr<MVNode> copy() const;
  // Drops the controller, the random source and the box.
  void remove();

  // Relations.
  MVNodeDelegate* nodeController() const { return nodeController_; }
  // Also handed to the node's parameters (declared ones exist before the node is initialised).
  void setNodeController(MVNodeDelegate* controller);
  MVNodeUndoDelegate* undoDelegate() const { return undoDelegate_; }
  void setUndoDelegate(MVNodeUndoDelegate* undoDelegate);
  const RandomSource* randomSource() const { return randomSource_; }
  void setRandomSource(const RandomSource* randomSource) { randomSource_ = randomSource; }
  // The box, made and set by the interface; nullptr when headless.
  MVNodeInterfaceDelegate* nodeView() const { return nodeView_.get(); }
  void setNodeView(std::unique_ptr<MVNodeInterfaceDelegate> view) { nodeView_ = std::move(view); }

private:
  MVParameter* insertParameter(std::unique_ptr<MVParameter> parameter, std::size_t position);

  MVParameter* showRandomSeedParameter_ = nullptr;      // owned by parameters_
  MVParameterValue* randomSeedParameter_ = nullptr;     // owned by parameters_
  std::int64_t randomIncrementalSeed_ = 0;
  std::int64_t nodeRandomSeed_ = 0;
  bool updateOnParameterChanges_ = false;
  bool enabled_ = true;
  bool selected_ = false;
  bool recursiveCheckedFlag_ = false;
  bool hasNodeIndexParameter_ = false;
  bool hasNodeIndexes_ = false;
  bool hasRandomValueOutput_ = false;
  bool hasRandomGraphicsOutput_ = false;
  bool referenceMode_ = false;
  bool mightHaveDynamicInput_ = false;
  bool warningsCurrent_ = false;  // see warningsNeedCheck
  int dynamicNodeDisplayIndex_ = 0;
  int parametersWithConnectedInput_ = 0;  // parameters whose hasConnectedInputSocket() holds
  int parametersAwaitingUpdate_ = 0;  // see hasParametersAwaitingUpdate
  int awaitableParameters_ = 0;       // parameters whose MVParameter::awaitable() holds
  MVParameterRefreshCount refreshCount_;
  std::uint32_t nodeIdRevision_ = 0;  // see nodeIdRevision
  MVNodeDelegate* nodeController_ = nullptr;      // the graph controller, outlives its nodes
  MVNodeUndoDelegate* undoDelegate_ = nullptr;    // the document, outlives its nodes
  std::unique_ptr<MVNodeInterfaceDelegate> nodeView_;
  std::vector<std::unique_ptr<MVParameter>> parameters_;
  // The expression and node-index parameters, in list order: the only kinds the base's
  // checkWarnings() reads, which runs for every node after every generation.
  std::vector<const MVParameter*> warningParameters_;  // owned by parameters_
  std::string nodeId_;
  std::vector<std::string> warningMessages_;
  std::vector<std::string> loadingWarningMessages_;
  std::optional<std::string> displayName_;  // nullopt until set: the class display name
  const RandomSource* randomSource_ = nullptr;  // the application's table, outlives documents
  std::string nodeTypeHeader_;
  pf::Point initialNodeViewOrigin_;
};
