#pragma once

#include <optional>

#include "Platform/GeometryStrings.h"
#include "Platform/PlistValue.h"
#include "Platform/Point.h"
#include "Platform/Rect.h"

// What a document file keeps of its window: geometry, split views, scroll offsets, the
// preview's display settings and the separate preview panel. Each field is empty when the file
// did not hold it. The document keeps the state it last read, so a document that is saved
// without a window (headless) writes back what it read; a window refreshes the state before
// every save and applies it after every load (MVDocumentWindow). Rectangles are in the window
// system's screen coordinates, offsets in the scrolled view's coordinates.
struct MVDocumentViewState {
  // The preview's display settings as a new window starts them (the preview's own start
  // values): repetitions hidden at half opacity, selection outlines shown, zoom 1, not
  // scrolled. A document without a window saves these until it has read others.
  static pf::PlistValue::Dictionary freshDisplaySettings()
  {
    return pf::PlistValue::Dictionary{{"Display Repeat Opacity", 0.5},
                                      {"Display Scaling", 1.0},
                                      {"Show Repetitions", false},
                                      {"Show Selection Outlines", true},
                                      {"Scroll Offset", pf::pointString(pf::Point())}};
  }

  std::optional<pf::Rect> windowFrame;
  // Height of the main split view's first pane. Written by every save, applied only when the
  // file is of the older generation (fromLegacyFile).
  std::optional<double> splitViewPart;
  std::optional<pf::Point> scrollOffset;  // the node editor's
  std::optional<pf::PlistValue::Dictionary> mainSplitView;
  std::optional<pf::PlistValue::Dictionary> bottomSplitView;
  std::optional<pf::PlistValue::Dictionary> displaySettings;
  std::optional<pf::Rect> previewPanelRect;
  std::optional<bool> previewPanelOpen;

  // Only in files of the older generation.
  bool fromLegacyFile = false;
  std::optional<double> repeatOpacity;
  std::optional<double> displayScaling;
  std::optional<pf::Point> previewScrollOffset;
  // Whether the animation panel opens: shown when the conversion made animators, else closed.
  std::optional<bool> animationPanelOpen;
};
