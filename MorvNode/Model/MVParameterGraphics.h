#pragma once

#include <memory>
#include <string>

#include "MorvNode/Model/MVParameter.h"

class MVParameterGraphicsSource;

// A parameter carrying element trees between nodes: element input, the graphics source (its
// node) building the output, element output.
// TODO(Parameter kinds): the cached pull, previews, the push and the layer kind.
class MVParameterGraphics : public MVParameter {
public:
  static std::unique_ptr<MVParameterGraphics> parameterWithName(const std::string& name);

  MVParameterGraphics();

  std::string_view className() const override { return "MVParameterGraphics"; }
  std::string parameterViewClass() const override { return "MVParameterGraphicsView"; }
  void setupSockets() override;

  // The node that builds the output; not owned.
  MVParameterGraphicsSource* graphicsSource() const { return graphicsSource_; }
  void setGraphicsSource(MVParameterGraphicsSource* source) { graphicsSource_ = source; }
  bool hasValueSource() const override { return graphicsSource_ != nullptr; }

protected:
  MVParameterGraphicsSource* graphicsSource_ = nullptr;  // a node, outlives this parameter
};
