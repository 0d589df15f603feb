#pragma once

#include <string>

// An error of the SVG library: domain "ODSVGErrorDomain" and one of these codes, no further
// information.
struct ODSVGError {
  enum Code : long {
    kUnreadableFile = 0,    // the file is not readable as text
    kXMLError = 1,          // the XML reader refused the text
    kBuildFailed = 2,       // the tree could not be built (bad path data, reference cycles, limits)
    kCannotDraw = 3,        // the document cannot be drawn into the requested rectangle
    kNoUsableSize = 4,      // the document has no usable size
  };
  static constexpr const char* kDomain = "ODSVGErrorDomain";

  std::string domain = kDomain;
  long code = kUnreadableFile;
};
