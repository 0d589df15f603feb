#pragma once

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Nodes/NodeKit.h"

class MVElement;
class MVElementGroup;
class MVParameterBool;
class MVParameterGraphics;

// Base of the repeater nodes (grid, radial, random, mirror, transform, seamless). A repeater
// takes one element tree on "Graphics" and answers, on the same parameter's output, a new group
// of repetitions of it. The base owns what they share: the "Graphics" row, the optional
// "Dynamic elements" switch, the input steps (reference placeholder, pass-through while
// disabled), the source of each repetition (a copy of the input, or in dynamic mode a fresh
// element pulled after the repetition's node indexes were published), the index sessions, the
// connection warnings, the ceiling on counts that come from values and the older-generation
// names all repeaters share.
//
// The input tree is shared with whoever else holds it and is never changed: a repetition is a
// copy that the repeater then moves, turns, renames and stamps.
class RepeaterNode : public MVNode {
public:
  // Ceiling of the repetitions one repeater makes in one generation, whatever its counts say
  // (a count read from a connected value may be any number): above it the repeater makes this
  // many and warns. 250,000 leaves of a plain shape take about 100 MB.
  static constexpr long long kMaxRepetitions = 250000;

  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  bool isRepeaterNode() const override { return true; }

  // "Graphics" must be recomputed.
  void updateOutputParameters() override;
  // Hides "Dynamic elements" unless something upstream might make each repetition differ.
  void updateLinkedParameters() override;
  void setMightHaveDynamicInput(bool might) override;
  // Sets each of the repeater's index names to -1 (through the controller, which notifies).
  void resetNodeIndexes() override;
  // A 15 x 15 black square named "Rectangle" at the origin.
  std::shared_ptr<const MVElement> getReferenceInputGraphicsNamed(const std::string& name) override;
  // One connection warning at most, then the count ceiling's warning of the last generation.
  void checkWarnings() override;

  // The input steps every repeater shares, then repeat().
  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                               std::shared_ptr<const MVElement> inputElement) override;

  // Older-generation names shared by every repeater; nullopt drops the value.
  std::optional<std::string> legacyMV2ParameterNameTranslation(const std::string& name) const override;

  MVParameterGraphics* graphicsParameter() const { return &graphics_; }
  // nullptr for the repeaters without the switch (mirror, seamless).
  MVParameterBool* dynamicElementsParameter() const { return dynamicElements_; }
  // "Dynamic elements" on and something upstream might differ per repetition.
  bool isDynamicMode() const;

protected:
  // Adds "Dynamic elements" as the last row; subclasses with the switch call it last in their
  // constructor.
  void addDynamicElementsParameter();
  // The names resetNodeIndexes() clears; none in the base.
  virtual std::vector<std::string> nodeIndexNames() const { return {}; }
  // The repetitions of `input` (never nullptr unless the node is in dynamic mode, where the
  // repetitions are pulled): a new group, or `input` itself when there is nothing to repeat.
  virtual std::shared_ptr<const MVElement> repeat(const std::shared_ptr<const MVElement>& input) = 0;

  // The element a repetition starts from, for the repeater to change: a copy of `input`, or in
  // dynamic mode a copy of `input` when `firstInDynamicMode`, else an element pulled afresh from
  // "Graphics". nullptr when there is none (the repetition is skipped).
  std::shared_ptr<MVElement> repetitionOf(const std::shared_ptr<const MVElement>& input, bool firstInDynamicMode);
  // Publishes a node index for the repetition being built, only when something upstream might
  // read it (unless `always`).
  void publishIndex(const std::string& name, long long value, bool always = false);
  void endIndexSessions(std::initializer_list<const char*> names);
  // A new empty group with the controller and the name.
  std::shared_ptr<MVElementGroup> makeGroup(const std::string& name) const;
  // Appends " <a>" or " <a>-<b>" to the element's name; an element without name keeps none.
  static void appendNameSuffix(MVElement& element, long long a);
  static void appendNameSuffix(MVElement& element, long long a, long long b);
  // A fresh element ID from the controller; 0 without one.
  long long newElementID() const;
  // A count from a value: truncated (R5 saturation) and held at `ceiling`, with the warning
  // noted for checkWarnings when it had to be held.
  long long cappedCount(double value, long long ceiling = kMaxRepetitions);
  // Notes the ceiling's warning for checkWarnings.
  void noteCountCapped(long long ceiling);
  // Clears the noted warning at the start of a build.
  void clearCountWarning() { countWarning_.reset(); }

private:
  MVParameterGraphics& graphics_ = nodekit::graphics(*this, {.name = "Graphics", .spaceBelow = 4});
  MVParameterBool* dynamicElements_ = nullptr;  // owned by the parameter list; nullptr without the switch
  std::optional<std::string> countWarning_;
};
