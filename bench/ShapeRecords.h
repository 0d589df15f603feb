#pragma once

#include <cstddef>
#include <string>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Nodes/Elements/ElementShapeNode.h"
#include "MorvNode/Nodes/Output/ArtboardNode.h"
#include "Platform/Color.h"
#include "Platform/PlistValue.h"

namespace bench {

// The node and connection records of a saved document of `count` shapes (rectangles, ellipses
// and stars in a grid of 300 columns, 15 points apart, each its own colour), every one connected
// to the artboard's top layer. One shape node is added to `controller` (which should be empty),
// set up per record and its record renamed, so that making the records costs little beside what
// a benchmark measures.
struct ShapeRecords {
  pf::PlistValue::Array nodes;        // the artboard first
  pf::PlistValue::Array connections;  // one per shape
};

inline ShapeRecords makeShapeRecords(MVNodeController& controller, long count)
{
  constexpr long long kKinds[] = {ElementShapeNode::kRectangle, ElementShapeNode::kEllipse,
                                  ElementShapeNode::kStarPolygon};
  auto* artboard = dynamic_cast<ArtboardNode*>(controller.addNodeOfClass("ArtboardNode", {0, 0}, false));
  auto* shape = dynamic_cast<ElementShapeNode*>(controller.addNodeOfClass("ElementShapeNode", {0, 0}, false));
  controller.addConnectionFromSocket(shape->graphicsParameter()->outputSocket(),
                                     artboard->layers().front()->inputSocket());
  const pf::PlistValue::Dictionary connection = *controller.connectionDescriptionsArray().front().asDictionary();

  ShapeRecords records;
  records.nodes.reserve(static_cast<std::size_t>(count) + 1);
  records.connections.reserve(static_cast<std::size_t>(count));
  records.nodes.emplace_back(artboard->descriptionDictionary());
  for (long i = 0; i < count; ++i) {
    shape->indexParameterNamed("Type")->setIndex(kKinds[i % 3]);
    shape->positionParameter()->setValueX(static_cast<double>(i % 300) * 15.0, static_cast<double>(i / 300) * 15.0);
    shape->fillColorParameter()->setColor(pf::Color::rgb(static_cast<double>(i % 7) / 6,
                                                         static_cast<double>(i % 5) / 4,
                                                         static_cast<double>(i % 3) / 2));
    const std::string nodeId = std::to_string(i + 100);
    pf::PlistValue::Dictionary record = shape->descriptionDictionary();
    record.set("Node id", nodeId);
    records.nodes.emplace_back(std::move(record));
    pf::PlistValue::Dictionary link = connection;
    link.set("From parameter nodeId", nodeId);
    records.connections.emplace_back(std::move(link));
  }
  return records;
}

}  // namespace bench
