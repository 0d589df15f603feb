#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "MorvNode/Document/MVDocumentViewState.h"
#include "Platform/PlistValue.h"

// The document's window as the document's core sees it; the interface implements it and the
// core runs without one (tests, conversion, export). Main thread only.
class MVDocumentWindow {
public:
  virtual ~MVDocumentWindow() = default;

  // Before a save: the window writes its current geometry, split views, scroll offset, display
  // settings and preview panel into `state` (the zero rectangle, 0 or the origin for a part it
  // does not have).
  virtual void storeViewState(MVDocumentViewState& state) const = 0;
  // After a load: the window applies what the file held (fitting the saved frames to the
  // screen), in the order it needs.
  virtual void applyViewState(const MVDocumentViewState& state) = 0;

  // The preview's rendered image for the file: its page drawn as PDF; nullopt while the
  // preview has not rendered anything.
  virtual std::optional<std::vector<std::uint8_t>> previewImagePDFData() = 0;
  // The same image as JPEG with the compression factor (0 to 1); empty when it cannot be made.
  virtual std::vector<std::uint8_t> previewImageJPEGData(float compressionFactor) = 0;

  // The preview's status line ("Loading..."); nullopt clears it.
  virtual void setStatusMessage(const std::optional<std::string>& message) = 0;

  // Shows the animation timeline, expanding the collapsed areas that hold it.
  virtual void openAnimationPanel() {}

  // The preview's zoom: view points per artboard unit (what "Scale To Display" exports at).
  virtual double previewDisplayScale() const { return 1.0; }

  // The preview's display settings (zoom, repetitions, outlines, scroll offset) as the file
  // keeps them, and their restore by an undo step; an empty dictionary and nothing without a
  // preview.
  virtual pf::PlistValue::Dictionary displaySettingsDictionary() const { return {}; }
  virtual void loadDisplaySettings(const pf::PlistValue::Dictionary& settings) { (void)settings; }
};
