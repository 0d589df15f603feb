#pragma once

#include <optional>
#include <string>

#include "MorvNode/Model/MVConnectionUndoDelegate.h"
#include "MorvNode/Model/MVNodeUndoDelegate.h"
#include "MorvNode/Model/NodeHelpProvider.h"

// The document as its graph controller sees it: the undo services it hands to nodes, parameters
// and connections, the node reference, and the few document commands the controller triggers.
class NodeControllerDocumentProtocol : public MVNodeUndoDelegate,
                                       public MVConnectionUndoDelegate,
                                       public NodeHelpProvider {
public:
  // The operations both undo delegates declare, declared once more so that calls through this
  // interface are not ambiguous; the document gives each one body.
  void storeCurrentConnectionsUndoState(const std::optional<std::string>& actionName) override = 0;
  bool isUndoRegistrationEnabled() const override = 0;
  void pauseUndoRegistration() override = 0;
  void resumeUndoRegistration() override = 0;
  pf::UndoManager* undoManager() override = 0;

  // The version string of the file the document was read from ("3.0.0"...); empty for a new one.
  virtual std::string fileVersion() const = 0;
  // Expands the animation timeline when it is collapsed.
  virtual void openAnimationPanel() = 0;
  // Pauses playback when playing, else plays (when there is something to play).
  virtual void animationTogglePlay() = 0;

  // Tells this document apart from every other one, in this process and in any other, for its
  // whole life: a node clipboard record names the document it was copied from by it. Random,
  // so that a closed document's successor never inherits it as it could an address.
  const std::string& documentIdentifier() const { return documentIdentifier_; }

private:
  static std::string makeDocumentIdentifier();

  std::string documentIdentifier_ = makeDocumentIdentifier();
};
