#pragma once

#include <memory>
#include <string>

#include "MorvNode/Model/MVParameterValue.h"
#include "Platform/TextPool.h"

// A pair of numbers, X and Y (a position, a size, a scale), as one parameter with one row.
// Socket 0 of each direction belongs to X and socket 1 to Y, so other nodes can drive or read
// the axes separately; each axis keeps its own update flag. An optional aspect lock holds X/Y at
// a fixed ratio. Limits, rounding, the disabled value and the value source are the one-axis
// parameter's; its single stored value and "Value" key are not used, and value() reads X.
class MVParameterValue2D : public MVParameterValue {
public:
  static std::unique_ptr<MVParameterValue2D> parameterWithName(const std::string& name);

  MVParameterValue2D();

  std::string_view className() const override { return "MVParameterValue2D"; }
  std::string parameterViewClass() const override { return "MVParameterValue2DView"; }

  // Presets that node classes apply while declaring their parameters. They set the fields
  // directly: no undo, no change push.
  void setPositionPresets();  // 0, 0; no aspect toggle; "X", "Y"
  void setSizePresets();      // 50, 50; aspect toggle, unlocked; "Width", "Height"
  void setScalePresets();     // 1, 1; aspect toggle, locked at 1; "X", "Y"

  // Axis labels of the row, undo names and animator names.
  const std::string& displayNameX() const { return *displayNameX_; }
  void setDisplayNameX(const std::string& name);
  const std::string& displayNameY() const { return *displayNameY_; }
  void setDisplayNameY(const std::string& name);
  // A hidden axis has its sockets disabled.
  bool layoutShowX() const { return layoutShowX_; }
  void setLayoutShowX(bool show);
  bool layoutShowY() const { return layoutShowY_; }
  void setLayoutShowY(bool show);

  // Sockets. nullptr when missing (logged when the parameter should have them).
  MVParameterSocket* inputSocketX() const;
  MVParameterSocket* inputSocketY() const;
  MVParameterSocket* outputSocketX() const;
  MVParameterSocket* outputSocketY() const;
  void setupSockets() override;
  // Under the lock only one input axis can be connected: the other's socket is disabled.
  void setSocketsEnableState(bool enabled) override;

  bool canEditValueX() const;
  bool canEditValueY() const;
  bool canEditValue() const override;

  // Stores nothing: a two-axis value is set per axis (logged with a node).
  void setValue(double value) override;
  void setValueX(double x, double y);
  // Under the lock the other axis follows through the aspect.
  void setValueX(double x);
  void setValueY(double y);
  double valueX() { return valueForSocketIndex(0); }
  double valueY() { return valueForSocketIndex(1); }
  // The per-axis pull: 0 is X, 1 is Y. Unlike the one-axis pull it stamps no cycle.
  double valueForSocketIndex(int index) override;
  // What input socket `index` delivers (limited), else the stored axis value.
  double inputValueForSocketIndex(int index);
  // The stored axis value (the disabled value while disabled), rounded but not limited.
  double localValueX() const;
  double localValueY() const;

  // Aspect lock. Locking takes the current X/Y as the aspect (1 when X equals Y, 0 when Y is 0);
  // it needs the row's toggle and is undone with an alert when the connections form a loop.
  bool layoutHasAspectToggle() const { return layoutHasAspectToggle_; }
  // Without a toggle the aspect is never locked (files are read the same way), so taking the
  // toggle away also unlocks it. A layout setting of the node class, not an undo step.
  void setLayoutHasAspectToggle(bool has);
  bool aspectLocked() const { return aspectLocked_; }
  void setAspectLocked(bool locked);
  double aspect() const { return aspect_; }  // X / Y
  // Stored as it is, for node classes that fix a ratio; the values are left alone.
  void setAspect(double aspect) { aspect_ = aspect; }
  // The row shows the toggle locked and disabled.
  bool aspectLockForced() const { return aspectLockForced_; }
  void setAspectLockForced(bool forced);

  bool needsToUpdateX() const { return axisNeedsToUpdate(0); }
  bool needsToUpdateY() const { return axisNeedsToUpdate(1); }
  // A change arriving at input socket 0 or 1 reaches output socket 0 or 1 (both under the
  // lock). It schedules no regeneration itself.
  void inputChanged() override;
  void inputChangedSocket(int index) override;

  // A non-null source first unlocks the aspect.
  void setValueSource(MVParameterValueSource* source) override;

  // "valueX" and "valueY" with the stored values.
  void storeParameterUndoValue() override;
  void revertProperty(const std::string& propertyName, const pf::PlistValue& value) override;
  std::optional<std::string> undoActionNameForProperty(const std::string& propertyName) const override;

  // Animated properties "x" and "y"; under the lock only one axis can carry an animator.
  bool animatedX() const { return animatedX_; }
  bool animatedY() const { return animatedY_; }
  bool animatorCanAnimateProperty(const std::string& propertyName) const override;
  void animatorSetProperty(const std::string& propertyName, const pf::PlistValue& value) override;
  void animatorProperty(const std::string& propertyName, bool setAnimated) override;
  std::string animatorDisplayNameWithProperty(const std::string& propertyName) const override;

  // "ValueX", "ValueY", "Aspect Locked" and, while locked, "Aspect"; no "Value".
  pf::PlistValue::Dictionary descriptionDictionary() const override;
  bool loadDescriptionDictionary(const pf::PlistValue::Dictionary& record) override;
  std::string description() const override;

private:
  MVParameterSocket* socketAt(bool input, std::size_t index, const char* format) const;
  // setSocketsEnableState with the parameter's own state.
  void reapplySocketsEnableState();

  double valueX_ = 0.0;  // stored values, also the per-axis caches
  double valueY_ = 0.0;
  const std::string* displayNameX_ = &pf::TextPool::text("X");  // pooled
  const std::string* displayNameY_ = &pf::TextPool::text("Y");  // pooled
  bool layoutShowX_ = true;
  bool layoutShowY_ = true;
  bool layoutHasAspectToggle_ = false;
  bool aspectLocked_ = false;
  double aspect_ = 1.0;
  bool aspectLockForced_ = false;
  bool animatedX_ = false;
  bool animatedY_ = false;
  bool inInputChangedX_ = false;  // re-entrancy guards of the per-socket push
  bool inInputChangedY_ = false;
};
