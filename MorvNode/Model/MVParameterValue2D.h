#pragma once

#include <memory>
#include <string>

#include "MorvNode/Model/MVParameterValue.h"

// A two-axis value (X and Y), with one socket per axis in each direction.
// TODO(Parameter kinds): the axes, their sockets, aspect lock, records and animation.
class MVParameterValue2D : public MVParameterValue {
public:
  static std::unique_ptr<MVParameterValue2D> parameterWithName(const std::string& name);

  std::string_view className() const override { return "MVParameterValue2D"; }
  std::string parameterViewClass() const override { return "MVParameterValue2DView"; }
};
