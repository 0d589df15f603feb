#pragma once

#include <optional>
#include <string>

#include "Platform/Color.h"

// The controls of the animation export panel that send changes to the export.
enum class MVAnimationExportPanelControl {
  FormatMenu,            // value: index in MVExportSettings::animationFormats()
  CodecMenu,             // value: index in MVAnimationExport::codecMenuCodecs()
  ScaleToDisplayButton,  // value: non-zero when on
  SizeXField,            // value: the width typed
  SizeYField,            // value: the height typed
  MatteButton,           // value: non-zero when on
  MatteColorWell,        // the colour argument
};

// What the animation export panel shows, as the export computes it from the document's export
// settings; the interface only displays it.
struct MVAnimationExportPanelState {
  std::string fileFormat;             // the one file type the panel allows
  std::optional<int> formatIndex;     // nullopt: the format is not in the list
  bool showsCodecMenu = false;        // movies ("mov", "mp4", "mpeg4")
  std::optional<int> codecIndex;      // in MVAnimationExport::codecMenuCodecs()
  bool scaleToDisplay = false;        // the button is on and the size fields are disabled
  bool showsPixelLabel = false;       // every format but "pdf" and "svg"
  double sizeX = 0.0;                 // as shown: whole pixels with the label
  double sizeY = 0.0;
  std::string framesText;             // "5s loop @ 30fps (150 frames)"
  std::optional<std::string> frameFilesText;  // the numbered files' names, for frame-file formats
  bool showsMatteControls = false;    // button and label, for "gif"
  bool matteOn = false;
  bool showsMatteWell = false;
  std::optional<pf::Color> matteColor;
};
