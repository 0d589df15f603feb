#pragma once

#include <optional>
#include <string>

#include "Platform/Color.h"

// The controls of the image export panel that send changes to the document.
enum class MVExportPanelControl {
  FormatMenu,            // value: index in MVExportSettings::fileFormats()
  SizeUnitMenu,          // value: index in MVExportSettings::vectorSizeUnitTitles()
  ScaleToDisplayButton,  // value: non-zero when on
  SizeXField,            // value: the width typed
  SizeYField,            // value: the height typed
  MatteButton,           // value: non-zero when on
  MatteColorWell,        // the colour argument
};

// What the image export panel shows, as the document computes it from its export settings;
// the interface only displays it.
struct MVExportPanelState {
  std::string fileFormat;                // the one file type the panel allows
  std::optional<int> formatIndex;        // nullopt: the format is not in the list
  bool scaleToDisplay = false;           // the button is on and the size fields are disabled
  bool showsSizeUnitMenu = false;        // vector sizes ("pdf", "eps")
  int sizeUnitIndex = 0;
  bool showsPixelLabel = false;          // bitmap and SVG sizes, in pixels
  double sizeX = 0.0;                    // as shown: rounded up to whole pixels with the label
  double sizeY = 0.0;
  bool showsEPSWarning = false;
  bool showsSVGWarning = false;
  bool showsMatteControls = false;       // button and label, for "gif"
  bool matteOn = false;
  bool showsMatteWell = false;
  std::optional<pf::Color> matteColor;   // what the well takes, when there is one
};
