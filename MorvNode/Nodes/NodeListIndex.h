#pragma once

class MVNode;
class MVParameter;
class MVParameterNodeIndex;
class MVParameterValue;

// How the list nodes (value list, colour list, element list) pick their entry. Their "Index
// Mode" chooses where the raw index comes from: the "Index" value, a fresh random draw per
// request, or the current index of a node index that a repeater or change node publishes (both
// plus "Index Offset"). The raw index then becomes a list position by floor and wrap, so that
// -1 is the last entry and every number, even NaN or one beyond the integer range, selects one.
class NodeListIndex {
public:
  // Values of the "Index Mode" choice (saved in documents).
  static constexpr long long kValue = 0;
  static constexpr long long kRandom = 1;
  static constexpr long long kElementIndex = 2;

  // The raw index for a list of `count` entries. In random mode the node's incremental seed is
  // advanced first, so successive requests of one generation draw anew: offset + count × r with
  // r in [0, 1). Any other mode gives 0.
  static double rawIndex(MVNode& node, long long mode, int count, MVParameterValue& index, MVParameterValue& offset,
                         MVParameterNodeIndex& nodeIndex);
  // floor(x) through the saturating conversion to int (NaN gives 0), wrapped into 0 … count - 1;
  // 0 when count < 1.
  static int position(double x, int count);
  // x - floor(x), the weight of the next entry when interpolating; 0 for NaN and infinities.
  static double fraction(double x);
  // Shows the rows the mode uses: "Index" in value mode, "Index Offset" in the other two, "Show
  // seed" in random mode and the node index in element-index mode, where it is also told to
  // read its index again.
  static void showRowsForMode(MVNode& node, long long mode, MVParameter& index, MVParameter& offset,
                              MVParameterNodeIndex& nodeIndex);
};
