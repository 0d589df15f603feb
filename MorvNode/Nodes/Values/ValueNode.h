#pragma once

#include "MorvNode/Model/MVNode.h"

class MVParameterValue;

// The base of every node that produces a number, and itself the plain "Value" node: one
// numeric parameter whose output feeds numeric inputs of other nodes. Value nodes can be
// renamed and never disabled. Subclasses that output their own "Value" keep it in
// valueParameter(); the plain node's "Value" exists only in a node of exactly this class.
class ValueNode : public MVNode {
public:
  static const MVNodeClass& nodeClassInfo();
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  bool canRename() const override { return true; }
  bool canDisable() const override { return false; }

  // The plain node's "Value" (1, updating when unconnected), only for this very class.
  void initNodeParameters() override;
  // A number becomes the stored value of valueParameter() (an undoable change); anything else
  // is logged and changes nothing.
  void setProposedValue(const MVProposedValue& value) override;

  // nullptr for subclasses that keep no main value.
  MVParameterValue* valueParameter() const { return valueParameter_; }

protected:
  void setValueParameter(MVParameterValue* parameter) { valueParameter_ = parameter; }
  // The log line for a proposal the node cannot take.
  void logUnexpectedProposal(const MVProposedValue& value) const;

private:
  MVParameterValue* valueParameter_ = nullptr;  // owned by the node's parameters
};
