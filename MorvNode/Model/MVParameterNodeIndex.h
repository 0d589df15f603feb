#pragma once

#include <memory>
#include <string>

#include "MorvNode/Model/MVParameterIndex.h"

// A choice among the node indexes that upstream nodes publish; its value is the chosen index's
// current number.
// TODO(Parameter kinds): the manager, updateElementIndexes, the value pull and records.
class MVParameterNodeIndex : public MVParameterIndex {
public:
  static std::unique_ptr<MVParameterNodeIndex> parameterWithName(const std::string& name);

  std::string_view className() const override { return "MVParameterNodeIndex"; }
  bool answersValue() const override { return true; }

  // The chosen key has no current index (it reads 0).
  bool invalidIndexFlag() const { return invalidIndexFlag_; }
  // The display name at the index; "Unknown" (logged) without display names or outside them.
  std::string indexDisplayName() const;

protected:
  std::vector<std::string> indexDisplayNames_;
  bool invalidIndexFlag_ = false;
};
