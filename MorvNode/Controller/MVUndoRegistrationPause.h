#pragma once

#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"

// Pauses the document's undo registration for its lifetime (the document counts pauses, so
// guards nest). Nothing without a document.
class MVUndoRegistrationPause {
public:
  explicit MVUndoRegistrationPause(NodeControllerDocumentProtocol* document) : document_(document)
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
  NodeControllerDocumentProtocol* document_;  // owns the controller, outlives this guard
};
