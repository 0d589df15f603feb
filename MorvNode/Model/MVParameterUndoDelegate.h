#pragma once

#include <optional>
#include <string>

#include "Platform/PlistValue.h"

class MVParameter;

namespace pf {
class UndoManager;
}

// The document's undo services as a parameter uses them. Undo states are dictionaries
// {"parameterName", "propertyName", "propertyValue"}; the document adds the parameter's
// persistent identifier and later hands the old value back through revertProperty().
class MVParameterUndoDelegate {
public:
  virtual ~MVParameterUndoDelegate() = default;

  // nullptr when the identifier is malformed or names no parameter.
  virtual MVParameter* parameterWithPresistentParameterIdentifier(const std::string& identifier) = 0;
  // Records a reverse step; the action name is set when one is given.
  virtual void storeParameterUndoState(const pf::PlistValue::Dictionary& state, MVParameter* parameter,
                                       const std::optional<std::string>& actionName) = 0;

  // Registration follows a balanced pause/resume counter; loading runs paused.
  virtual bool isUndoRegistrationEnabled() const = 0;
  virtual void pauseUndoRegistration() = 0;
  virtual void resumeUndoRegistration() = 0;
  // nullptr when the document has none.
  virtual pf::UndoManager* undoManager() = 0;
};
