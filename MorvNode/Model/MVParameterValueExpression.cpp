#include "MorvNode/Model/MVParameterValueExpression.h"

std::unique_ptr<MVParameterValueExpression> MVParameterValueExpression::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterValueExpression>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}
