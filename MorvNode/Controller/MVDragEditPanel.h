#pragma once

// The strip of drag-edit buttons above the preview, as the graph controller reaches it. The
// interface implements it and reads the available parameters and the chosen one from the
// controller's MVDragEdit; headless there is none.
class MVDragEditPanel {
public:
  virtual ~MVDragEditPanel() = default;
  // The available parameters changed: rebuild the buttons (the panel hides while there are none).
  virtual void dragEditInterfaceChanged() = 0;
  // Another parameter (or none) was chosen: switch the buttons and lay them out again.
  virtual void dragEditSelectionChanged() = 0;
};
