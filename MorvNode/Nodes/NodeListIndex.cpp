#include "MorvNode/Nodes/NodeListIndex.h"

#include <cmath>

#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterNodeIndex.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "Platform/Numbers.h"

double NodeListIndex::rawIndex(MVNode& node, long long mode, int count, MVParameterValue& index,
                               MVParameterValue& offset, MVParameterNodeIndex& nodeIndex)
{
  switch (mode) {
  case kValue:
    return index.value();
  case kRandom: {
    node.updateIncrementalRandomSeed();
    const double r = node.randomDoubleWithSeed(0);
    return offset.value() + count * r;
  }
  case kElementIndex:
    return nodeIndex.value() + offset.value();
  default:
    return 0.0;
  }
}

int NodeListIndex::position(double x, int count)
{
  if (count < 1) {
    return 0;
  }
  const int whole = pf::saturatingCast<int>(std::floor(x));
  const int remainder = whole % count;
  return remainder < 0 ? remainder + count : remainder;
}

double NodeListIndex::fraction(double x)
{
  return std::isfinite(x) ? x - std::floor(x) : 0.0;
}

void NodeListIndex::showRowsForMode(MVNode& node, long long mode, MVParameter& index, MVParameter& offset,
                                    MVParameterNodeIndex& nodeIndex)
{
  index.setLayoutHidden(mode != kValue);
  offset.setLayoutHidden(mode != kRandom && mode != kElementIndex);
  if (MVParameter* showSeed = node.showRandomSeedParameter()) {
    showSeed->setLayoutHidden(mode != kRandom);
  }
  nodeIndex.setLayoutHidden(mode != kElementIndex);
  if (mode == kElementIndex) {
    nodeIndex.inputChanged();
  }
}
