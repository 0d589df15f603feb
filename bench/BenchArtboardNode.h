#pragma once

#include <memory>
#include <string>
#include <vector>

#include "MorvNode/Controller/MVArtboardSource.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Elements/MVElementGroup.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"

// Small stand-ins shared by the graph benchmarks.

inline std::shared_ptr<MVElementGroup> makeGroup(MVElementDelegate* controller, const std::string& name)
{
  auto group = std::make_shared<MVElementGroup>();
  group->setNodeController(controller);
  group->setElementName(name);
  return group;
}

// The artboard: one layer taking every connection, output as the artboard builds it.
class BenchArtboardNode : public MVNode, public MVArtboardSource {
public:
  static const MVNodeClass& nodeClassInfo()
  {
    static const MVNodeClass info = [] {
      MVNodeClass nodeClass;
      nodeClass.className = "ArtboardNode";
      nodeClass.create = [] { return std::make_unique<BenchArtboardNode>(); };
      return nodeClass;
    }();
    return info;
  }
  const MVNodeClass& nodeClass() const override { return nodeClassInfo(); }
  void initNodeParameters() override
  {
    MVNode::initNodeParameters();
    auto layer = MVParameterGraphicsLayer::parameterWithName("OutputLayer1");
    layer->setDisplayName("Top layer");
    layer_ = addParameter(std::move(layer));
    auto size = MVParameterValue2D::parameterWithName("Size");
    size->setValueX(200.0, 200.0);
    size_ = addParameter(std::move(size));
    auto background = MVParameterColor::parameterWithName("Background Color");
    background->setColor(pf::Color::white());
    background_ = addParameter(std::move(background));
    auto opacity = MVParameterValue::parameterWithName("Background Opacity");
    opacity->setValue(1.0);
    opacity_ = addParameter(std::move(opacity));
  }
  std::shared_ptr<const MVElement> layersOutputElement() override
  {
    std::shared_ptr<const MVElement> input = layer_->element();
    if (input == nullptr) {
      return nullptr;
    }
    MVElementDelegate* controller = nodeController()->elementDelegate();
    auto layerGroup = makeGroup(controller, layer_->displayName());
    layerGroup->addElementWithoutRecalculatingPivot(std::move(input));
    auto layers = makeGroup(controller, "Artboard layers");
    layers->addElementWithoutRecalculatingPivot(std::move(layerGroup));
    return layers;
  }
  MVParameterValue2D* sizeParameter() const override { return size_; }
  MVParameterColor* backgroundColorParameter() const override { return background_; }
  MVParameterValue* backgroundOpacityParameter() const override { return opacity_; }
  std::vector<MVParameterGraphicsLayer*> layersArray() const override { return {layer_}; }
  MVParameterGraphicsLayer* layer() const { return layer_; }

private:
  MVParameterGraphicsLayer* layer_ = nullptr;  // owned by the node's parameters
  MVParameterValue2D* size_ = nullptr;          // owned by the node's parameters
  MVParameterColor* background_ = nullptr;      // owned by the node's parameters
  MVParameterValue* opacity_ = nullptr;         // owned by the node's parameters
};

