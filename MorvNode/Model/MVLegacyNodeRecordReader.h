#pragma once

#include <optional>
#include <string>

#include "Platform/PlistValue.h"

class MVNode;

// Reads a node record of the older file generation into a node of the current generation: the
// node-level keys, then each old parameter value under the current name that the node's class
// gives it (MVNode::legacyMV2ParameterNameTranslation). A translated name may carry markers:
// "[ENABLE]" anywhere (the old value is a flag that sets the named parameter's enabled state) or
// ":X" / ":Y" at the end (the old value is one axis of a two-axis parameter). Old colours are
// keyed-archive data under the companion key "<name>_keyed_data", else the older non-keyed
// archive in the value itself. Whatever has no counterpart or does not match is skipped (logged
// where it may surprise); the node keeps its defaults for it. Main thread only.
class MVLegacyNodeRecordReader {
public:
  static constexpr const char* kEnableMarker = "[ENABLE]";
  static constexpr const char* kKeyedDataSuffix = "_keyed_data";

  // The steps of the node base's reading; always true.
  static bool load(MVNode& node, const pf::PlistValue::Dictionary& record);

  // A translated name split into its parts: the parameter name, the axis (0 for ":X", 1 for
  // ":Y", nullopt without an axis marker) and whether "[ENABLE]" was there. A ":" followed by
  // anything else is logged and names the part before it.
  struct TranslatedName {
    std::string name;
    std::optional<int> axis;
    bool enable = false;
  };
  static TranslatedName parseTranslatedName(std::string translated);
};
