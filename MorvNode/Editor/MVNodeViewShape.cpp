#include "MorvNode/Editor/MVNodeViewShape.h"

#include <limits>
#include <string>

#include "MorvNode/Editor/MVNodeView.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeClass.h"
#include "MorvNode/Model/MVParameter.h"

namespace {

constexpr double kEstimatedRowHeight = 24.0;  // points: a row with one control

}  // namespace

std::string MVNodeViewShape::keyOf(const MVNode& node)
{
  std::string key;
  keyOf(node, key);
  return key;
}

void MVNodeViewShape::keyOf(const MVNode& node, std::string& key)
{
  key.assign(node.className());
  key += ':';
  for (const auto& parameter : node.parameters()) {
    key += parameter->layoutHidden() ? '0' : '1';
  }
  // A simple math box's width follows its expression.
  if (const int width = MVNodeView::nodeViewWidth(node); width != static_cast<int>(node.nodeClass().nodeViewDefaultWidth)) {
    key += ':';
    key += std::to_string(width);
  }
}

MVNodeViewShape MVNodeViewShape::estimate(const MVNode& node)
{
  MVNodeViewShape shape;
  const double width = MVNodeView::nodeViewWidth(node);
  const double none = std::numeric_limits<double>::quiet_NaN();
  double y = node.hasNodeHeader() ? MVNodeView::kHeaderHeight : MVNodeView::kNoHeaderTop;
  for (const auto& parameter : node.parameters()) {
    const bool shown = !parameter->layoutHidden();
    const double middle = y + kEstimatedRowHeight / 2.0;
    shape.inputs.emplace_back(parameter->inputSockets().size(), shown ? QPointF(0.0, middle) : QPointF(none, none));
    shape.outputs.emplace_back(parameter->outputSockets().size(), shown ? QPointF(width, middle) : QPointF(none, none));
    if (shown) {
      y += kEstimatedRowHeight;
    }
  }
  shape.size = pf::Size(width, y + MVNodeView::kBottomMargin);
  return shape;
}
