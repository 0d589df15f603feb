#pragma once

#include <string>

#include "Platform/PlistValue.h"

class MVDocument;

// Reads the top level of an older-generation document file (version "2.9.9" or lower): display,
// animation and export state as flat keys, and the node and connection arrays, which the graph
// controller's older-generation converter (MVLegacyGraphConverter) translates. Undo registration
// is paused around it by MVDocumentFileReader. Main thread only.
class MVLegacyDocumentReader {
public:
  static constexpr const char* kRandomizeWarningShownKey = "Has shown Morvalis 2 randomize warning";

  static void loadFromLegacyFileDictionary(MVDocument& document, const pf::PlistValue::Dictionary& file);

  // Whether any record of the array has the "Node type name"; false for an empty array.
  static bool legacyNodeDescriptionArrayContainsNodeOfType(const pf::PlistValue::Array& nodes,
                                                           const std::string& nodeType);
};
