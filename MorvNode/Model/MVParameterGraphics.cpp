#include "MorvNode/Model/MVParameterGraphics.h"

std::unique_ptr<MVParameterGraphics> MVParameterGraphics::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterGraphics>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

MVParameterGraphics::MVParameterGraphics()
{
  setLayoutShowHeaderLabel(false);
  setLayoutSpaceBelow(2);
  setHasInputSocket(true);
  setHasOutputSocket(true);
}

void MVParameterGraphics::setupSockets()
{
  MVParameter::setupSockets();
  if (hasInputSocket() && inputSockets().empty()) {
    addInputSocketOfType(MVSocketType::Element);
  }
  if (hasOutputSocket() && outputSockets().empty()) {
    addOutputSocketOfType(MVSocketType::Element);
  }
}
