#pragma once

#include "MorvNode/Nodes/Change/GroupNode.h"

// "Flatten": dissolves one level of nested groups, so that later group operations see the
// members of sub-groups as members of their own. A clipped sub-group stays whole (its clip
// would be lost); a group whose one member is clipped passes unchanged with a warning.
class GroupMergeNode : public GroupNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }

  std::shared_ptr<const MVElement> graphicsElementForParameter(MVParameter* parameter,
                                                               std::shared_ptr<const MVElement> inputElement) override;
};
