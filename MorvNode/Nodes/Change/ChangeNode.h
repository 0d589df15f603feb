#pragma once

#include <memory>
#include <optional>
#include <string>

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Nodes/Change/ChangeSelection.h"
#include "MorvNode/Nodes/NodeKit.h"
#include "Platform/PlistValue.h"

class MVElement;
class MVElementGroup;

// Base of the nodes that change the graphics passing through them. It takes one element on
// "Graphics" and hands on a changed copy: the input tree is shared and never changed, the output
// is built from a copy of it (a group's copy shares its members until a member is changed).
//
// "Apply to" chooses what the change reaches: the whole input as one (Group), each member of a
// group (Each), or the members a selection pattern picks (Selected). A subclass supplies the
// change itself (applyChangeToElement), optional group-wide preparation, its rows and its class
// constants; the modes it offers, its initial mode, whether it publishes the node index "Index"
// and whether its output re-expresses members in the parent's space come from its Modes.
//
// By itself the node (display name "Change") passes every element through unchanged.
class ChangeNode : public MVNode {
public:
  // Mode numbers of changeMode().
  static constexpr int kGroup = 0;
  static constexpr int kEach = 1;
  static constexpr int kSelected = 2;

  // What a change node class offers.
  struct Modes {
    bool group = true;
    bool each = true;
    bool selected = true;
    int initial = kGroup;           // a mode number; an offered mode
    bool untransforms = false;      // Each/Selected output: a new group of transformed copies
    bool publishesIndexes = false;  // publishes "Index" while it changes member k
  };

  ChangeNode() : ChangeNode(Modes{}) {}
  explicit ChangeNode(const Modes& modes);

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  // 0 Group, 1 Each, 2 Selected, from the "Change Mode" position.
  int changeMode() const;
  // The selection test for member `index` of the current pass (Each: always; the count of the
  // pass must be set).
  bool shouldApplyChangeToElement(long long index);

  // The apply loop (see the class comment). Nothing in, or a disabled node: the input as given.
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                               std::shared_ptr<const MVElement> inputElement) override;
  // Sets "Index" to -1 before an evaluation, for nodes that publish it.
  void resetNodeIndexes() override;
  void updateLinkedParameters() override;
  void updateOutputParameters() override;
  // The connection warnings of the "Graphics" row.
  void checkWarnings() override;
  // The one warning on how `graphics` (a node's "Graphics" row) is connected, if any; shared
  // with the group nodes.
  static void addGraphicsConnectionWarning(MVNode& node, const MVParameter& graphics);

  // Older-generation records: "Has Offset" / "Has Rotation" carry into the enable toggles of
  // "Offset" / "Rotation"; other names are kept. nullopt: the old value is dropped.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;
  // The old "Change Mode" number (0 Group, 1 Each, 2 Selected, by name among the offered modes;
  // another number: the first position) and the "Selection Offset" toggle (on when not 0).
  bool loadLegacyMV2NodeDictionary(const pf::PlistValue::Dictionary& record) override;

  // The current pass.
  long long currentElementIndex() const { return currentElementIndex_; }
  long long currentArrayCount() const { return currentArrayCount_; }
  bool inputElementIsArray() const { return inputElementIsArray_; }
  bool inputElementHasClippingMask() const { return inputElementHasClippingMask_; }
  const Modes& modes() const { return modes_; }

  MVParameterGraphics* graphicsParameter() const { return &graphics_; }
  MVParameterIndex* changeModeParameter() const { return &changeMode_; }
  MVParameterIndex* selectionModeParameter() const { return &selectionMode_; }
  MVParameterValue* selectionOffsetParameter() const { return &selectionOffset_; }

protected:
  // Changes `element` in place: the member being changed, or in Group mode the input's copy.
  // The base changes nothing.
  virtual void applyChangeToElement(MVElement& element) { (void)element; }
  // Once per pass with the whole input, before any member is changed.
  virtual void prepareChangesBasedOnInput(const MVElement& input) { (void)input; }
  void setCurrentArrayCount(long long count) { currentArrayCount_ = count; }
  // The placement slots the apply nodes share (0 scale, 1 scale X, 2 scale Y, 3 offset X,
  // 4 offset Y, 5 rotation): changes `member` by `value`, and a clipping mask of `clipped` by the
  // inverse so the mask stays where it was (a zero or non-finite scale's inverse is skipped).
  // False for any other slot, which is left to the caller.
  static bool applyPlacementSlot(MVElement& member, MVElementGroup* clipped, long long slot, double value);
  // For subclasses with a loop of their own: what their pass found in the input.
  void setInputElementFlags(bool isArray, bool hasClippingMask)
  {
    inputElementIsArray_ = isArray;
    inputElementHasClippingMask_ = hasClippingMask;
  }

  // The pattern of the selection rows.
  ChangeSelection selection();

private:
  // Position of each offered mode in "Change Mode"; -1 when not offered.
  struct Segments {
    int group = -1;
    int each = -1;
    int selected = -1;
  };
  static Segments segmentsFor(const Modes& modes);
  static nodekit::Choice changeModeChoice(const Modes& modes);
  // The position of mode number `mode` (0 when not offered).
  int segmentOf(int mode) const;

  Modes modes_;
  Segments segments_ = segmentsFor(modes_);

  long long currentElementIndex_ = 0;
  long long currentArrayCount_ = 0;
  bool inputElementIsArray_ = false;
  bool inputElementHasClippingMask_ = false;

  MVParameterGraphics& graphics_ = nodekit::graphics(*this, {.name = "Graphics", .spaceBelow = 0});
  MVParameterIndex& changeMode_ = nodekit::choice(*this,
                                                  {.name = "Change Mode",
                                                   .displayName = "Apply to",
                                                   .tooltip = "Controls what the node change is applied to",
                                                   .showHeaderLabel = false,
                                                   .spaceBelow = 2,
                                                   .backgroundTint = true},
                                                  changeModeChoice(modes_));
  MVParameterIndex& selectionMode_ = nodekit::choice(
      *this,
      {.name = "Selection Mode",
       .tooltip = "Controls how the elements to change are selected in the group",
       .showHeaderLabel = false,
       .backgroundTint = true},
      {.names = {"Half", "Third", "Quarter", "Single", "Counted", "Random"},
       .icons = {"icon_selection_half.png", "icon_selection_third.png", "icon_selection_quarter.png",
                 "icon_selection_single.png", "icon_selection_counted.png", "icon_random.png"},
       .tooltips = {"Every other element is selected and changed", "Every third element is selected and changed",
                    "Every forth element is selected and changed",
                    "A single element is selected based on its index offset",
                    "Elements are selected in order based on the specified Select and Skip counts",
                    "Elements are selected at random with a selection ratio defined by the Select and Skip counts"}});
  MVParameterValue& selectionSeed_ = nodekit::value(
      *this,
      {.name = "Selection Seed",
       .displayName = "Seed",
       .tooltip = "The random seed used for the random selection of elements top apply the change to",
       .backgroundTint = true},
      {.value = 0, .rangeMin = 0, .rangeMax = 10000, .integer = true});
  MVParameter& selectionHeading_ = nodekit::plain(
      *this, {.name = "Selection Count heading", .displayName = "Selection count", .backgroundTint = true});
  MVParameterValue& selectCount_ = nodekit::value(
      *this,
      {.name = "Selection Select Count",
       .displayName = "Select",
       .tooltip = "Count of elements in sequence that are selected to apply the change to.",
       .backgroundTint = true},
      {.value = 1, .rangeMin = 0, .rangeMax = 20, .integer = true});
  MVParameterValue& skipCount_ = nodekit::value(
      *this,
      {.name = "Selection Skip Count",
       .displayName = "Skip",
       .tooltip = "Count of elements in sequence that are skipped, with no change applied.",
       .backgroundTint = true},
      {.value = 1, .rangeMin = 0, .rangeMax = 20, .integer = true});
  MVParameterValue& selectionOffset_ = nodekit::value(
      *this,
      {.name = "Selection Offset",
       .displayName = "Offset",
       .header = "Selection offset",
       .tooltip = "Offset to shift the selection count, in other words where it starts counting.",
       .enableToggle = true,
       .enabled = false,
       .spaceBelow = 4,
       .backgroundTint = true},
      {.value = 1, .rangeMin = 0, .rangeMax = 20, .integer = true});
};
