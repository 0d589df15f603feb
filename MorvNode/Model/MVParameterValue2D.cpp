#include "MorvNode/Model/MVParameterValue2D.h"

std::unique_ptr<MVParameterValue2D> MVParameterValue2D::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterValue2D>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}
