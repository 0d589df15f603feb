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

void registerNodeClasses()
{
  MVClassRegistry& registry = MVClassRegistry::shared();
  // Element nodes.
  registry.registerNodeClass(ElementNode::nodeClassInfo());
  registry.registerNodeClass(ElementShapeNode::nodeClassInfo());
  registry.registerNodeClass(ElementLineNode::nodeClassInfo());
  registry.registerNodeClass(ElementImportNode::nodeClassInfo());
  registry.registerNodeClass(ElementTextNode::nodeClassInfo());
  registry.registerNodeClass(ElementListNode::nodeClassInfo());
  // Value nodes.
  registry.registerNodeClass(ValueNode::nodeClassInfo());
  registry.registerNodeClass(ValueMathNode::nodeClassInfo());
  registry.registerNodeClass(ValueMiniMathNode::nodeClassInfo());
  registry.registerNodeClass(ValueRandomNode::nodeClassInfo());
  registry.registerNodeClass(ValueRemapNode::nodeClassInfo());
  registry.registerNodeClass(ValueCapNode::nodeClassInfo());
  registry.registerNodeClass(ValueRoundNode::nodeClassInfo());
  registry.registerNodeClass(ValueListNode::nodeClassInfo());
  registry.registerNodeClass(ValueElementSizeNode::nodeClassInfo());
  registry.registerNodeClass(ValueNodeIndexNode::nodeClassInfo());
  registry.registerNodeClass(ValueTimeFunctionNode::nodeClassInfo());
  registry.registerNodeClass(AnimationInfoNode::nodeClassInfo());
  // Repeaters.
  registry.registerNodeClass(RepeatGridNode::nodeClassInfo());
  registry.registerNodeClass(RepeatRadialNode::nodeClassInfo());
  registry.registerNodeClass(RepeatRandomNode::nodeClassInfo());
  registry.registerNodeClass(RepeatMirrorNode::nodeClassInfo());
  registry.registerNodeClass(RepeatTransformNode::nodeClassInfo());
  registry.registerNodeClass(RepeatSeamlessNode::nodeClassInfo());
  // Change and group nodes.
  registry.registerNodeClass(ChangeNode::nodeClassInfo());
  registry.registerNodeClass(GroupNode::nodeClassInfo());
  registry.registerNodeClass(GroupMergeNode::nodeClassInfo());
  registry.registerNodeClass(GroupSelectNode::nodeClassInfo());
  registry.registerNodeClass(ChangeTransformNode::nodeClassInfo());
  registry.registerNodeClass(ChangePivotNode::nodeClassInfo());
  registry.registerNodeClass(GroupRandomizeNode::nodeClassInfo());
  registry.registerNodeClass(GroupRandomizeColorNode::nodeClassInfo());
  registry.registerNodeClass(ChangeAlignNode::nodeClassInfo());
  registry.registerNodeClass(GroupDistributeNode::nodeClassInfo());
  registry.registerNodeClass(GroupPackNode::nodeClassInfo());
  registry.registerNodeClass(GroupArrangeNode::nodeClassInfo());
  registry.registerNodeClass(GroupExplodeNode::nodeClassInfo());
  registry.registerNodeClass(ChangeClipNode::nodeClassInfo());
  registry.registerNodeClass(ChangeReplaceNode::nodeClassInfo());
  registry.registerNodeClass(ChangeColorNode::nodeClassInfo());
  registry.registerNodeClass(ChangeOpacityNode::nodeClassInfo());
  registry.registerNodeClass(ChangeStrokeNode::nodeClassInfo());
  registry.registerNodeClass(GroupApplyFunctionNode::nodeClassInfo());
  registry.registerNodeClass(GroupApplyElementNode::nodeClassInfo());
  // Colour nodes.
  registry.registerNodeClass(ColorNode::nodeClassInfo());
  registry.registerNodeClass(ColorListNode::nodeClassInfo());
  registry.registerNodeClass(ColorAdjustmentNode::nodeClassInfo());
  // Output and document nodes.
  registry.registerNodeClass(ArtboardNode::nodeClassInfo());
  registry.registerNodeClass(NoteNode::nodeClassInfo());
}
