#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Platform/PlistValue.h"
#include "Platform/Point.h"

class MVNode;
class MVNodeController;

// The node clipboard: a record of a set of nodes and their connections ("Document", "Nodes",
// "Connections", "View offset"), its form on the desktop clipboard, and the adding of a record's
// nodes and connections to a graph. The editor's Copy, Cut, Paste and the document's Duplicate
// use it. The record travels as a binary property list under kPasteboardType and is read back
// strictly: anything but a sound record of the expected kinds is refused whole, so a broken or
// hostile clipboard pastes nothing. Editor coordinates throughout (points, y down). Main thread
// only.
class MVNodeClipboard {
public:
  // The private clipboard type of node records.
  static constexpr const char* kPasteboardType = "application/x-com.oradel.morvalis.mv3nodes";
  // A record holding more nodes or connections than these is refused (a paste of that size
  // would stall the editor; no real selection comes near).
  static constexpr std::size_t kMaxNodes = 5000;
  static constexpr std::size_t kMaxConnections = 50000;
  // Pasted boxes are kept within this distance of the editor origin, in points.
  static constexpr double kMaxCoordinate = 500000.0;

  // The image types a paste reads, preferred first: exactly the formats the import node decodes
  // (PNG, PDF, SVG, EPS, TIFF, JPEG, GIF).
  static const std::vector<std::string>& imagePasteboardTypes();
  // Whether a paste reads one of the `available` types (node records or an image).
  static bool canPasteFromTypes(const std::vector<std::string>& available);

  // The record of `nodes` (in the given order) without "View offset": "Document" is the
  // controller's document's identifier, "Connections" holds every connection with at least one
  // end on one of the nodes (set only when there is one).
  static pf::PlistValue::Dictionary descriptionOfNodesAndConnections(MVNodeController& controller,
                                                                     const std::vector<MVNode*>& nodes);

  // The clipboard bytes of a record; nullopt with the reason in `error` when it cannot be
  // written.
  static std::optional<std::vector<std::uint8_t>> encode(const pf::PlistValue::Dictionary& record, std::string& error);
  // The record in clipboard bytes; nullopt with the reason in `error` for anything but a binary
  // property list holding a dictionary of dictionaries, arrays, data, strings and numbers, with
  // "Document" and "View offset" strings and "Nodes" and "Connections" arrays of dictionaries
  // within the caps above.
  static std::optional<pf::PlistValue::Dictionary> decode(std::span<const std::uint8_t> bytes, std::string& error);

  // Adds the record's nodes with fresh IDs and its connections, one undo step named "pasting
  // node(s)" (`paste`) or "duplicating node(s)", and selects the new nodes alone. A paste moves
  // each box 40 points right and down, and by the scrolling since the copy when the record's
  // "View offset" differs from `currentOffset` (then snapped to the grid when "Snap nodes to
  // grid" is on). A connection end on a node outside the record stays only for a record copied
  // from this document. Artboard records are skipped: a document has exactly one artboard.
  // Records that cannot be made into nodes are logged and skipped. Returns the new nodes.
  static std::vector<MVNode*> addNodesAndConnectionsFromDictionary(MVNodeController& controller,
                                                                   const pf::PlistValue::Dictionary& record,
                                                                   bool paste, pf::Point currentOffset);

  // n * 20 + 10 nearest to the coordinate (halves away from zero), the grid boxes snap to.
  static double snappedCoordinate(double coordinate);
};
