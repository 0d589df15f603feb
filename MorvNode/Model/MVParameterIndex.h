#pragma once

#include <memory>
#include <string>
#include <vector>

#include "MorvNode/Model/MVParameter.h"

// A choice of one entry from a list of internal names (saved), display names, tooltips and
// icons: a mode, a shape type, an alignment.
// TODO(Parameter kinds): index limits, undo, records and the row classes.
class MVParameterIndex : public MVParameter {
public:
  static std::unique_ptr<MVParameterIndex> parameterWithName(const std::string& name);

  std::string_view className() const override { return "MVParameterIndex"; }
  std::string parameterViewClass() const override { return "MVParameterIndexView"; }

  long long index() const { return index_; }
  const std::vector<std::string>& indexNames() const { return indexNames_; }
  // The internal name at the index; "Unknown" (logged) without names or outside them.
  virtual std::string indexName() const;

protected:
  long long index_ = 0;
  std::vector<std::string> indexNames_;
};
