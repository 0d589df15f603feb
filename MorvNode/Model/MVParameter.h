#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "MorvNode/Model/MVNodeStorage.h"
#include "MorvNode/Model/MVParameterInterfaceDelegate.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "Platform/Color.h"
#include "Platform/PlistValue.h"
#include "Platform/Prefetch.h"
#include "Platform/TextPool.h"
#include "Shared/ODAnimation/ODAnimatorTarget.h"

class MVElement;
class MVNode;
class MVNodeDelegate;
class MVParameterUndoDelegate;

namespace pf {
class Image;
}

// A node's count of refreshes (MVNode::clearCachedValues), which mark all its parameters stale
// at once: a parameter that saw another count than its node's is stale, so that a refresh of a
// node costs one increment instead of a write into each of its parameters.
struct MVParameterRefreshCount {
  std::uint32_t refreshes = 0;
};

// Asks the processor for the memory of `parameter` ahead of a read (a hint: nothing changes).
// Each parameter is an object of its own, so a node that reads several in turn would wait for
// each one's memory in turn; asked for together, they arrive together. `Kind` is the kind the
// caller declared, whose size covers the flags and the value a read touches.
template <class Kind>
void prefetchParameter(const Kind& parameter)
{
  pf::prefetchMemory(&parameter, sizeof(Kind));
}

// The sockets of one direction of a parameter, in index order: a view into the parameter's list
// that reads like a vector of owning pointers.
class MVParameterSocketList {
public:
  using Pointer = std::unique_ptr<MVParameterSocket>;
  MVParameterSocketList(const Pointer* first, std::size_t count) : first_(first), count_(count) {}

  const Pointer* begin() const { return first_; }
  const Pointer* end() const { return first_ + count_; }
  std::size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  const Pointer& operator[](std::size_t index) const { return first_[index]; }
  const Pointer& front() const { return first_[0]; }
  const Pointer& back() const { return first_[count_ - 1]; }
  // Throws std::out_of_range past the end, as a vector's at() does.
  const Pointer& at(std::size_t index) const
  {
    if (index >= count_) {
      throw std::out_of_range("MVParameterSocketList::at");
    }
    return first_[index];
  }

private:
  const Pointer* first_;
  std::size_t count_;
};

// Base of every node parameter: one named input, setting or output of a node, shown as one row
// in the node's box. It holds the names and layout flags the row reads, the typed sockets
// through which connections reach it, the update flag and generation stamp of the lazy
// evaluation, and the push of changes downstream that ends in a regeneration request. Kinds
// (value, colour, graphics...) add their value, its storage and its record keys by overriding
// the virtual operations below. The node owns its parameters; a parameter owns its sockets.
class MVParameter : public ODAnimatorTarget {
public:
  // A plain parameter (a heading row, an enable toggle) with `name` as name and display name.
  static std::unique_ptr<MVParameter> parameterWithName(const std::string& name);

  MVParameter() = default;
  ~MVParameter() override;
  // Placed through MVNodeStorage: a node made by MVClassRegistry::createNode lies in one block
  // with the parameters it declares.
  static void* operator new(std::size_t bytes) { return MVNodeStorage::allocate(bytes); }
  static void operator delete(void* object) noexcept { MVNodeStorage::deallocate(object); }
  MVParameter(const MVParameter&) = delete;
  MVParameter& operator=(const MVParameter&) = delete;

  // The class name written to records ("Parameter class") and known to MVClassRegistry.
  virtual std::string_view className() const { return "MVParameter"; }
  // The class name of the row view the interface makes for this parameter.
  virtual std::string parameterViewClass() const { return "MVParameterView"; }
  // Called by the row view before it builds itself.
  virtual void prepareForInterface() {}

  // Names. `name` is persistent: unique in the node and the key in saved records.
  // Names are pooled: every node of a class shares its parameters' names.
  const std::string& name() const { return *name_; }
  void setName(std::string_view name) { name_ = &pf::TextPool::text(name); }
  const std::string& displayName() const { return *displayName_; }
  virtual void setDisplayName(const std::string& displayName);
  // The header label above the row; empty when none.
  const std::string& displayHeaderName() const { return *displayHeaderName_; }
  void setDisplayHeaderName(const std::string& displayHeaderName);
  const std::string& tooltip() const { return *tooltip_; }
  // Tooltips are texts of the parameter's class: they are pooled (pf::TextPool).
  void setTooltip(std::string_view tooltip) { tooltip_ = &pf::TextPool::text(tooltip); }
  // The node's ID, "?" without a node.
  std::string nodeId() const;
  // "<node ID> : <name>", the key by which undo records and animators find the parameter again.
  std::string persistentIdentifier() const override;
  virtual std::string description() const;

  // State. A hidden or disabled parameter's sockets are disabled, which removes their
  // connections.
  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);
  bool layoutHidden() const { return layoutHidden_; }
  void setLayoutHidden(bool hidden);
  bool layoutDragEditSelected() const { return layoutDragEditSelected_; }
  void setLayoutDragEditSelected(bool selected);
  bool animated() const { return animated_; }
  // The kinds' setters tell the node and the row only while set (loading clears it).
  bool updateDelegatesOnValueChange() const { return updateDelegatesOnValueChange_; }
  void setUpdateDelegatesOnValueChange(bool update) { updateDelegatesOnValueChange_ = update; }
  // A change schedules a regeneration even when no output is connected.
  bool updateIfUnconnected() const { return updateIfUnconnected_; }
  void setUpdateIfUnconnected(bool update) { updateIfUnconnected_ = update; }
  virtual bool canEditValue() const;
  virtual bool hasPreview() const;
  // A node computes the value (kinds answer true when a source is set).
  virtual bool hasValueSource() const { return false; }
  // The kind has a numeric `value` (what connects to a value input).
  virtual bool answersValue() const { return false; }

  // Layout fields read by the row and the node box.
  bool layoutShowHeaderLabel() const { return layoutShowHeaderLabel_; }
  void setLayoutShowHeaderLabel(bool show) { layoutShowHeaderLabel_ = show; }
  // Only a row with an enable checkbox loads "Enabled" from its record.
  bool layoutHasEnableToggle() const { return layoutHasEnableToggle_; }
  void setLayoutHasEnableToggle(bool has) { layoutHasEnableToggle_ = has; }
  bool layoutBackgroundTint() const { return layoutBackgroundTint_; }
  void setLayoutBackgroundTint(bool tint) { layoutBackgroundTint_ = tint; }
  int layoutSpaceAbove() const { return layoutSpaceAbove_; }  // points
  void setLayoutSpaceAbove(int space) { layoutSpaceAbove_ = static_cast<std::int16_t>(space); }
  int layoutSpaceBelow() const { return layoutSpaceBelow_; }  // points
  void setLayoutSpaceBelow(int space) { layoutSpaceBelow_ = static_cast<std::int16_t>(space); }
  int layoutInterfaceType() const { return layoutInterfaceType_; }
  void setLayoutInterfaceType(int type) { layoutInterfaceType_ = static_cast<std::int16_t>(type); }
  // Which drag-edit handle on the preview edits this parameter (0: none).
  int dragEditTransformType() const { return dragEditTransformType_; }
  void setDragEditTransformType(int type) { dragEditTransformType_ = static_cast<std::int16_t>(type); }

  // Sockets. `hasInputSocket`/`hasOutputSocket` say which sockets setupSockets() makes.
  bool hasInputSocket() const { return hasInputSocket_; }
  void setHasInputSocket(bool has)
  {
    const AwaitState before = awaitState();
    hasInputSocket_ = has;
    tellNodeIfAwaitedChanged(before);
  }
  bool hasOutputSocket() const { return hasOutputSocket_; }
  void setHasOutputSocket(bool has)
  {
    const AwaitState before = awaitState();
    hasOutputSocket_ = has;
    tellNodeIfAwaitedChanged(before);
  }
  // Kinds call the base first and then add their sockets.
  virtual void setupSockets() {}
  std::unique_ptr<MVParameterSocket> createSocketOfType(MVSocketType type);
  // The new socket, with its index, direction and tooltip, appended.
  MVParameterSocket* addInputSocketOfType(MVSocketType type);
  MVParameterSocket* addOutputSocketOfType(MVSocketType type);
  // Views of the sockets of one direction, valid until a socket is added.
  MVParameterSocketList inputSockets() const { return {sockets_.data(), inputSocketCount_}; }
  MVParameterSocketList outputSockets() const
  {
    return {sockets_.data() + inputSocketCount_, sockets_.size() - inputSocketCount_};
  }
  virtual void setSocketsEnableState(bool enabled);
  // The first socket of that direction; nullptr when none (logged when one was expected).
  MVParameterSocket* inputSocket() const;
  MVParameterSocket* outputSocket() const;
  bool hasConnectedInput() const;
  bool hasConnectedOutput() const { return connectedOutputSocketCount_ > 0; }
  // Some input socket has a connection (what hasConnectedInput answers, without the node
  // reference's show of connected element inputs). Reads check it before touching a socket.
  bool hasConnectedInputSocket() const { return connectedInputSocketCount_ > 0; }
  // A socket tells its parameter when it gains its first connection or loses its last one.
  void socketConnectedStateChanged(MVSocketDirection direction, bool connected);
  bool mightHaveDynamicInput() const;
  // Sockets report that their connections changed.
  void connectionsChanged();

  // Values. Kinds override the getters of their type; the base answers are logged fallbacks.
  virtual double valueForSocketIndex(int index);
  virtual pf::Color color();
  virtual std::shared_ptr<const MVElement> element();
  // Asks for the memory that element() reads, step by step down the chain of objects it goes
  // through (see MVParameterSocket::inputElement): each step reads what the steps before it
  // asked for, so a caller takes step k + 1 only once step k's memory has had time to arrive.
  // Step 0 asks for the parameter itself. A hint: nothing changes; kinds without a pull of
  // elements ask for nothing.
  virtual void prefetchElementPull(int step) const { (void)step; }

  // Push: this parameter's value, connection or source changed.
  virtual void inputChanged();
  // The same push, passed on only through the output socket of the same index.
  virtual void inputChangedSocket(int index);
  virtual void outputChanged();
  void outputChangedSocket(int index);
  // Lazy evaluation state; kinds clear it when they recompute. A refresh of the node marks it.
  bool needsToUpdate() const { return needsToUpdate_ || refreshedSinceSeen(); }
  // Setting it also marks both axes of the two-axis kinds (see axisNeedsToUpdate). The node
  // counts its parameters that await an update.
  void setNeedsToUpdate(bool needsToUpdate);
  // Needs to update, is shown, enabled (unless its kind previews while disabled) and has a socket:
  // only such a parameter can have a preview that a generation must still compute after its pull
  // (what MVNode::hasParametersAwaitingUpdate counts).
  bool awaitsUpdate() const { return needsToUpdate() && awaitable(); }
  // All but the first condition of awaitsUpdate: what the node counts to know, after a refresh,
  // how many of its parameters await an update.
  bool awaitable() const
  {
    return !layoutHidden_ && (enabled_ || previewsWhenDisabled_) && (hasInputSocket_ || hasOutputSocket_);
  }
  long long lastUpdateGenerationCycleID() const { return lastUpdateGenerationCycleID_; }
  void setLastUpdateGenerationCycleID(long long cycle) { lastUpdateGenerationCycleID_ = cycle; }

  // Records. Kinds write the base keys first and then theirs, and load the base first.
  virtual pf::PlistValue::Dictionary descriptionDictionary() const;
  virtual bool loadDescriptionDictionary(const pf::PlistValue::Dictionary& record);

  // Undo. A nullopt old value leaves "propertyValue" out of the state.
  void registerUndoProperty(const std::string& propertyName, const std::optional<pf::PlistValue>& oldValue);
  // Whether registerUndoProperty would store its old value now: there is an undo delegate and its
  // registration is on. Kinds whose old value is costly to build (archived data) build it only then.
  bool isRecordingUndo() const;
  // nullopt: no action name.
  virtual std::optional<std::string> undoActionNameForProperty(const std::string& propertyName) const;
  virtual void revertProperty(const std::string& propertyName, const pf::PlistValue& value);
  // Kinds that hold a value record it (a new input connection is about to change it).
  virtual void storeParameterUndoValue() {}

  // Animation target: animators set properties ("value", "x", "y") through these.
  bool animatorCanAnimateProperty(const std::string& propertyName) const override;
  // `value` is a number (or numeric text) for the numeric properties.
  void animatorSetProperty(const std::string& propertyName, const pf::PlistValue& value) override;
  void animatorProperty(const std::string& propertyName, bool setAnimated) override;
  std::string animatorDisplayNameWithProperty(const std::string& propertyName) const override;
  std::string animatorOwnerDisplayName() const override;
  // The node's icon for the timeline row; nullptr without a node, icon name or icon provider.
  std::shared_ptr<const pf::Image> animatorIcon() const override;

  // Relations, set by MVNode::addParameter.
  MVNode* node() const { return node_; }
  void setNode(MVNode* node);
  MVNodeDelegate* nodeController() const { return nodeController_; }
  void setNodeController(MVNodeDelegate* controller) { nodeController_ = controller; }
  MVParameterUndoDelegate* undoDelegate() const { return undoDelegate_; }
  void setUndoDelegate(MVParameterUndoDelegate* undoDelegate) { undoDelegate_ = undoDelegate; }
  // The row, made and set by the interface; nullptr when headless.
  MVParameterInterfaceDelegate* parameterView() const { return parameterView_.get(); }
  void setParameterView(std::unique_ptr<MVParameterInterfaceDelegate> view)
  {
    parameterView_ = std::move(view);
    hasParameterView_ = parameterView_ != nullptr;
  }

protected:
  // Asks the row, when there is one, to lay out again.
  void setViewNeedsLayout() const
  {
    if (hasParameterView_) {
      parameterView_->setNeedsLayout();
    }
  }
  // For kinds whose hasPreview() does not depend on enabled(); set in their constructor.
  void setPreviewsWhenDisabled() { previewsWhenDisabled_ = true; }
  // The per-axis update flags of the two-axis kinds (0: X, 1: Y), kept here beside the
  // parameter's own so that a refresh of the node marks them too. Clearing one does not clear
  // the parameter's flag.
  bool axisNeedsToUpdate(int axis) const
  {
    return (axis == 1 ? needsToUpdateY_ : needsToUpdateX_) || refreshedSinceSeen();
  }
  void setAxisNeedsToUpdate(int axis, bool needsToUpdate)
  {
    catchUpWithRefresh();
    (axis == 1 ? needsToUpdateY_ : needsToUpdateX_) = needsToUpdate;
  }

private:
  // What the node counts of this parameter (awaitable, awaitsUpdate).
  struct AwaitState {
    bool awaitable = false;
    bool awaiting = false;
  };
  AwaitState awaitState() const
  {
    const bool canAwait = awaitable();
    return {canAwait, canAwait && needsToUpdate()};
  }
  // The node was refreshed since this parameter last looked.
  bool refreshedSinceSeen() const { return refreshCount_->refreshes != seenRefreshes_; }
  // Writes what the node's refreshes meant into the flags (the node's counts already hold it).
  void catchUpWithRefresh()
  {
    if (refreshedSinceSeen()) {
      seenRefreshes_ = refreshCount_->refreshes;
      needsToUpdate_ = needsToUpdateX_ = needsToUpdateY_ = true;
    }
  }
  MVParameterSocket* addSocketOfType(MVSocketType type, MVSocketDirection direction);
  // Tells the node that its warnings may have changed (nothing without a node).
  void markNodeWarningsStale() const;
  // Keeps the node's counts of parameters that can await and that await an update after a
  // change of the flags they read.
  void tellNodeIfAwaitedChanged(AwaitState before) const;
  // The push, passed on through every output socket (nullopt) or the one of that index.
  void push(std::optional<int> outputSocketIndex);

  // Laid out for the lazy evaluation: what a read of a value never touches comes first, and
  // what every read touches (the flags, the node's count of refreshes and the count seen, the
  // node, the generation stamp) comes last, where the kinds' values follow it directly. A read
  // then finds its parameter's flags and value in one or two lines of memory.
  const std::string* name_ = &pf::TextPool::empty();               // pooled
  const std::string* displayName_ = &pf::TextPool::empty();        // pooled
  const std::string* displayHeaderName_ = &pf::TextPool::empty();  // pooled
  const std::string* tooltip_ = &pf::TextPool::empty();            // pooled
  MVNodeDelegate* nodeController_ = nullptr;         // the graph controller, outlives the node
  MVParameterUndoDelegate* undoDelegate_ = nullptr;  // the document, outlives the node
  std::unique_ptr<MVParameterInterfaceDelegate> parameterView_;
  // Input sockets first, then output sockets: one list, as a document holds thousands of them.
  std::vector<std::unique_ptr<MVParameterSocket>> sockets_;
  // Small codes and point sizes.
  std::int16_t dragEditTransformType_ = 0;
  std::int16_t layoutSpaceAbove_ = 0;
  std::int16_t layoutSpaceBelow_ = 3;
  std::int16_t layoutInterfaceType_ = 0;
  bool inInputChanged_ = false;
  bool needsToUpdate_ = true;
  bool needsToUpdateX_ = true;
  bool needsToUpdateY_ = true;
  bool hasInputSocket_ = false;
  bool hasOutputSocket_ = false;
  bool layoutShowHeaderLabel_ = true;
  bool enabled_ = true;
  bool layoutDragEditSelected_ = false;
  bool animated_ = false;
  bool updateDelegatesOnValueChange_ = true;
  bool layoutHasEnableToggle_ = false;
  bool layoutHidden_ = false;
  bool layoutBackgroundTint_ = false;
  bool updateIfUnconnected_ = false;
  bool previewsWhenDisabled_ = false;
  // Whether parameterView_ is set, beside the flags: a read asks the row to lay out again
  // without reaching for the row's pointer, which most parameters of a large document lack.
  bool hasParameterView_ = false;
  std::uint8_t inputSocketCount_ = 0;
  // Sockets of each direction that have a connection, kept by the sockets.
  std::uint8_t connectedInputSocketCount_ = 0;
  std::uint16_t connectedOutputSocketCount_ = 0;
  std::uint32_t seenRefreshes_ = 0;
  static constexpr MVParameterRefreshCount kNoNodeRefreshCount{};
  const MVParameterRefreshCount* refreshCount_ = &kNoNodeRefreshCount;  // the node's, else a constant 0
  MVNode* node_ = nullptr;  // owner, outlives this parameter
  long long lastUpdateGenerationCycleID_ = 0;
};
