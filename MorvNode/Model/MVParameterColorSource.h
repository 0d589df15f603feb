#pragma once

#include "Platform/Color.h"

class MVParameter;

// Computes a colour parameter's colour from the colour its input delivers.
class MVParameterColorSource {
public:
  virtual ~MVParameterColorSource() = default;
  virtual pf::Color colorForParameter(MVParameter* parameter, const pf::Color& inputColor) = 0;
};
