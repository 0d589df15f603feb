#pragma once

#include <string>

// The document window's small statistics panel as the graph controller fills it. The interface
// layer implements it; headless there is none.
class MVStatisticsPanel {
public:
  virtual ~MVStatisticsPanel() = default;

  // "400 x 200 px @2x"
  virtual void setRenderSizeText(const std::string& text) = 0;
  // "12" or "12 (7 rendered)"
  virtual void setElementCountText(const std::string& text) = 0;
  // "500ms total update", "Updating... (1.2s total)"
  virtual void setCalculationTimeText(const std::string& text) = 0;
  // "250ms generation  20ms render"
  virtual void setRenderTimeText(const std::string& text) = 0;
};
