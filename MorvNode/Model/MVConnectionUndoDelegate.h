#pragma once

#include <optional>
#include <string>

#include "Platform/PlistValue.h"

namespace pf {
class UndoManager;
}

// The document's undo services as a connection (and a socket through it) uses them. The
// document implements this beside MVNodeUndoDelegate; the shared operations have one body.
class MVConnectionUndoDelegate {
public:
  virtual ~MVConnectionUndoDelegate() = default;

  // One record of the whole connection list as it is now, so undo restores it as it was.
  virtual void storeCurrentConnectionsUndoState(const std::optional<std::string>& actionName) = 0;
  // `records` is an array of connection records.
  virtual void storeConnectionsUndoState(const pf::PlistValue::Array& records,
                                         const std::optional<std::string>& actionName) = 0;

  virtual bool isUndoRegistrationEnabled() const = 0;
  virtual void pauseUndoRegistration() = 0;
  virtual void resumeUndoRegistration() = 0;
  virtual pf::UndoManager* undoManager() = 0;
};
