#pragma once

#include "MorvNode/Model/MVParameterUndoDelegate.h"

// Pauses the document's undo registration for its lifetime (the document counts pauses, so
// guards nest): loading a record, bulk edits. Nothing without a document.
class MVUndoRegistrationPause {
public:
  explicit MVUndoRegistrationPause(MVParameterUndoDelegate* document) : document_(document)
  {
    if (document_ != nullptr) {
      document_->pauseUndoRegistration();
    }
  }
  MVUndoRegistrationPause(const MVUndoRegistrationPause&) = delete;
  MVUndoRegistrationPause& operator=(const MVUndoRegistrationPause&) = delete;
  ~MVUndoRegistrationPause()
  {
    if (document_ != nullptr) {
      document_->resumeUndoRegistration();
    }
  }

private:
  MVParameterUndoDelegate* document_;  // outlives this guard
};
