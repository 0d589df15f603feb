#pragma once

#include <string>

#include "Platform/PlistValue.h"

class MVNodeController;

// Converts the graph of an older-generation document into the current one, on behalf of the
// graph controller: node records are renamed to current classes and parameters through a fixed
// table, adjusted class by class, created and left to read their old records; then connections
// are made with translated parameter names, and the converted graph is cleaned up. Problems the
// user must know about go to the controller's file-loading warnings, the rest to the log. The
// document calls the steps in this order: loadLegacyMV2NodesFromArray,
// processLegacyMV2ConnectionsArray, loadLegacyMV2ConnectionsFromArray,
// legacyLoadingConvertAnimations, legacyLoadingCleanup. Main thread only.
class MVLegacyGraphConverter {
public:
  // `controller` owns the graph and outlives the converter.
  explicit MVLegacyGraphConverter(MVNodeController& controller) : controller_(controller) {}

  // Old class name -> {"NodeType": current class, "ParameterConversion": {old: new parameter
  // name}}. Rows that rename no parameter carry {"": ""}.
  static const pf::PlistValue::Dictionary& legacyNodeTranslationDictionary();

  // Creates the nodes of the old records in order, then makes sure there is exactly one artboard.
  void loadLegacyMV2NodesFromArray(const pf::PlistValue::Array& records);

  // Fills in the class names that old connection records lack from the node records (the node's
  // "Node type name", else its "Node type class").
  static pf::PlistValue::Array processLegacyMV2ConnectionsArray(pf::PlistValue::Array connections,
                                                                const pf::PlistValue::Array& nodes);
  // Makes the connections of the old records; each record that gives none counts as a failure,
  // and failures end in one loading warning.
  void loadLegacyMV2ConnectionsFromArray(const pf::PlistValue::Array& records);

  // Old animated value nodes become animators: on the one plain input they fed, or on a new value
  // node that takes over all their connections. Approximate conversions warn the user.
  void legacyLoadingConvertAnimations();

  // Node-index choices that waited for all nodes, animation-info nodes that feed nothing, and the
  // radial repeater's diameter inputs that held a radius.
  void legacyLoadingCleanup();

  // The adjustment of one record before its node is made: `parameterValues` and `record` are
  // changed in place and `newClassName` may be renamed. `oldClassName` is the record's own.
  void adjustLegacyNodeRecord(const std::string& oldClassName, pf::PlistValue::Dictionary& record,
                              pf::PlistValue::Dictionary& parameterValues, std::string& newClassName);

private:
  void addNodeForRecord(const pf::PlistValue::Dictionary& record, const std::string& className, long index);
  void keepOneArtboard();

  MVNodeController& controller_;  // owns the graph, outlives this converter
};
