#include "MorvNode/Nodes/NodeClassRegistration.h"

#include "MorvNode/Model/MVClassRegistry.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "MorvNode/Nodes/Change/ChangeAlignNode.h"
#include "MorvNode/Nodes/Change/ChangeClipNode.h"
#include "MorvNode/Nodes/Change/ChangeColorNode.h"
#include "MorvNode/Nodes/Change/ChangeNode.h"
#include "MorvNode/Nodes/Change/ChangeOpacityNode.h"
#include "MorvNode/Nodes/Change/ChangePivotNode.h"
#include "MorvNode/Nodes/Change/ChangeReplaceNode.h"
#include "MorvNode/Nodes/Change/ChangeStrokeNode.h"
#include "MorvNode/Nodes/Change/ChangeTransformNode.h"
#include "MorvNode/Nodes/Change/GroupApplyElementNode.h"
#include "MorvNode/Nodes/Change/GroupApplyFunctionNode.h"
#include "MorvNode/Nodes/Change/GroupArrangeNode.h"
#include "MorvNode/Nodes/Change/GroupDistributeNode.h"
#include "MorvNode/Nodes/Change/GroupExplodeNode.h"
#include "MorvNode/Nodes/Change/GroupMergeNode.h"
#include "MorvNode/Nodes/Change/GroupNode.h"
#include "MorvNode/Nodes/Change/GroupPackNode.h"
#include "MorvNode/Nodes/Change/GroupRandomizeColorNode.h"
#include "MorvNode/Nodes/Change/GroupRandomizeNode.h"
#include "MorvNode/Nodes/Change/GroupSelectNode.h"
#include "MorvNode/Nodes/Colors/ColorAdjustmentNode.h"
#include "MorvNode/Nodes/Colors/ColorListNode.h"
#include "MorvNode/Nodes/Colors/ColorNode.h"
#include "MorvNode/Nodes/Elements/ElementImportNode.h"
#include "MorvNode/Nodes/Elements/ElementLineNode.h"
#include "MorvNode/Nodes/Elements/ElementListNode.h"
#include "MorvNode/Nodes/Elements/ElementNode.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/Elements/ElementTextNode.h"
#include "MorvNode/Nodes/Notes/NoteNode.h"
#include "MorvNode/Nodes/Repeaters/RepeatGridNode.h"
#include "MorvNode/Nodes/Repeaters/RepeatMirrorNode.h"
#include "MorvNode/Nodes/Repeaters/RepeatRadialNode.h"
#include "MorvNode/Nodes/Repeaters/RepeatRandomNode.h"
#include "MorvNode/Nodes/Repeaters/RepeatSeamlessNode.h"
#include "MorvNode/Nodes/Repeaters/RepeatTransformNode.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "MorvNode/Nodes/Values/AnimationInfoNode.h"
#include "MorvNode/Nodes/Values/ValueCapNode.h"
#include "MorvNode/Nodes/Values/ValueElementSizeNode.h"
#include "MorvNode/Nodes/Values/ValueListNode.h"
#include "MorvNode/Nodes/Values/ValueMathNode.h"
#include "MorvNode/Nodes/Values/ValueMiniMathNode.h"
#include "MorvNode/Nodes/Values/ValueNode.h"
#include "MorvNode/Nodes/Values/ValueNodeIndexNode.h"
#include "MorvNode/Nodes/Values/ValueRandomNode.h"
#include "MorvNode/Nodes/Values/ValueRemapNode.h"
#include "MorvNode/Nodes/Values/ValueRoundNode.h"
#include "MorvNode/Nodes/Values/ValueTimeFunctionNode.h"

const std::vector<const MVNodeClass*>& catalogueNodeClasses()
{
  static const std::vector<const MVNodeClass*> classes = {
      // Element nodes.
      &ElementNode::nodeClassInfo(),
      &ElementShapeNode::nodeClassInfo(),
      &ElementLineNode::nodeClassInfo(),
      &ElementImportNode::nodeClassInfo(),
      &ElementTextNode::nodeClassInfo(),
      &ElementListNode::nodeClassInfo(),
      // Value nodes.
      &ValueNode::nodeClassInfo(),
      &ValueMathNode::nodeClassInfo(),
      &ValueMiniMathNode::nodeClassInfo(),
      &ValueRandomNode::nodeClassInfo(),
      &ValueRemapNode::nodeClassInfo(),
      &ValueCapNode::nodeClassInfo(),
      &ValueRoundNode::nodeClassInfo(),
      &ValueListNode::nodeClassInfo(),
      &ValueElementSizeNode::nodeClassInfo(),
      &ValueNodeIndexNode::nodeClassInfo(),
      &ValueTimeFunctionNode::nodeClassInfo(),
      &AnimationInfoNode::nodeClassInfo(),
      // Repeaters.
      &RepeatGridNode::nodeClassInfo(),
      &RepeatRadialNode::nodeClassInfo(),
      &RepeatRandomNode::nodeClassInfo(),
      &RepeatMirrorNode::nodeClassInfo(),
      &RepeatTransformNode::nodeClassInfo(),
      &RepeatSeamlessNode::nodeClassInfo(),
      // Change and group nodes.
      &ChangeNode::nodeClassInfo(),
      &GroupNode::nodeClassInfo(),
      &GroupMergeNode::nodeClassInfo(),
      &GroupSelectNode::nodeClassInfo(),
      &ChangeTransformNode::nodeClassInfo(),
      &ChangePivotNode::nodeClassInfo(),
      &GroupRandomizeNode::nodeClassInfo(),
      &GroupRandomizeColorNode::nodeClassInfo(),
      &ChangeAlignNode::nodeClassInfo(),
      &GroupDistributeNode::nodeClassInfo(),
      &GroupPackNode::nodeClassInfo(),
      &GroupArrangeNode::nodeClassInfo(),
      &GroupExplodeNode::nodeClassInfo(),
      &ChangeClipNode::nodeClassInfo(),
      &ChangeReplaceNode::nodeClassInfo(),
      &ChangeColorNode::nodeClassInfo(),
      &ChangeOpacityNode::nodeClassInfo(),
      &ChangeStrokeNode::nodeClassInfo(),
      &GroupApplyFunctionNode::nodeClassInfo(),
      &GroupApplyElementNode::nodeClassInfo(),
      // Colour nodes.
      &ColorNode::nodeClassInfo(),
      &ColorListNode::nodeClassInfo(),
      &ColorAdjustmentNode::nodeClassInfo(),
      // Output and document nodes.
      &ArtboardNode::nodeClassInfo(),
      &NoteNode::nodeClassInfo(),
  };
  return classes;
}

void registerNodeClasses()
{
  MVClassRegistry& registry = MVClassRegistry::shared();
  for (const MVNodeClass* nodeClass : catalogueNodeClasses()) {
    registry.registerNodeClass(*nodeClass);
  }
}
