#pragma once

#include <optional>
#include <string>

// The output preview as the graph controller reaches it. The interface layer implements it;
// headless the controller has none and every call is skipped.
class MVNodeControllerOutputDelegate {
public:
  virtual ~MVNodeControllerOutputDelegate() = default;

  // Renders the controller's new output element.
  virtual void updatePattern() = 0;
  // Renders the selection outlines again.
  virtual void updateSelection() = 0;
  // Space held: the preview pans.
  virtual void setSpaceHeldFlag(bool held) = 0;
  // Shows the text in the preview's status line; nullopt clears it.
  virtual void setStatusMessage(const std::optional<std::string>& message) = 0;
  // The read-out of the value being drag-edited.
  virtual void setDragEditInfoText(const std::string& text) = 0;
};
