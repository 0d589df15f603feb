// Auto-arrange of the node editor canvas: nodes fed by elements move right of their sources,
// nodes that only feed values or colours move left of what they feed, overlaps slide down, and
// the result is one undo step.
#include <algorithm>
#include <cmath>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Controller/NodeControllerDocumentProtocol.h"
#include "MorvNode/Editor/MVNodeView.h"
#include "MorvNode/Editor/MVNodeViewAdapter.h"
#include "MorvNode/Editor/NodeEditorView.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Nodes/Notes/NoteNode.h"
#include "Platform/UndoManager.h"
#include "Platform/UserDefaults.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr int kMaximumPasses = 10;
constexpr double kGap = 20.0;         // points between a node and its neighbour
constexpr double kOverlapGap = 10.0;  // points below a node that is in the way

double snapped(double coordinate)
{
  return std::round((coordinate - 10.0) / 20.0) * 20.0 + 10.0;
}

}  // namespace

MVNode* NodeEditorView::nodeIntersectingRect(QRectF rect, const MVNode* disregarding) const
{
  if (controller_ == nullptr) {
    return nullptr;
  }
  for (const auto& node : controller_->nodeArray()) {
    if (node.get() == disregarding) {
      continue;
    }
    if (disregarding == nullptr && dynamic_cast<const NoteNode*>(node.get()) != nullptr) {
      continue;
    }
    if (adapterOf(node.get()) == nullptr) {
      continue;
    }
    const QRectF frame = nodeFrame(node.get());
    if (frame.intersects(rect) || frame.contains(rect) || frame == rect) {
      return node.get();
    }
  }
  return nullptr;
}

void NodeEditorView::arrangeNodeViews()
{
  if (controller_ == nullptr) {
    FeedbackManager::log("Error, no nodeArray in arrangeNodeViews");
    nodesChanged();
    return;
  }
  const auto& nodes = controller_->nodeArray();
  const auto& connections = controller_->connectionArray();
  const bool snap = pf::UserDefaults::standard().boolForKey("Snap nodes to grid");
  for (int pass = 0; pass < kMaximumPasses; ++pass) {
    bool moved = false;
    for (const auto& each : nodes) {
      MVNode* node = each.get();
      // Boxes with and without views alike: their frames and kept origins.
      if (adapterOf(node) == nullptr) {
        continue;
      }
      const QRectF own = nodeFrame(node);
      double x = own.x();
      double y = own.y();
      bool placed = false;
      bool hasElementOutputs = false;
      bool hasFeederOutputs = false;
      bool first = true;
      for (const auto& connection : connections) {
        const MVNode* from = connection->fromNode();
        const MVNode* to = connection->toNode();
        if (from == nullptr || to == nullptr || from == to) {
          continue;
        }
        if (connection->connectionType() == MVSocketType::Element) {
          hasElementOutputs = hasElementOutputs || from == node;
          if (to != node) {
            continue;
          }
          if (adapterOf(from) == nullptr) {
            continue;
          }
          const QRectF s = nodeFrame(from);
          const double cx = s.x() + s.width() + kGap;
          x = first ? cx : std::max(x, cx);
          y = first ? s.y() : std::min(y, s.y());
          first = false;
          placed = true;
        } else if (from == node) {
          hasFeederOutputs = true;
        }
      }
      if (placed) {
        x = std::max(x, own.x());  // never moves a node left
      } else if (hasFeederOutputs && !hasElementOutputs) {
        first = true;
        // Value connections first, then colour connections, each in array order.
        for (MVSocketType type : {MVSocketType::Value, MVSocketType::Color}) {
          for (const auto& connection : connections) {
            if (connection->connectionType() != type || connection->fromNode() != node ||
                connection->toNode() == nullptr || connection->toNode() == node) {
              continue;
            }
            const std::optional<QPointF> input = socketCenterInCanvas(connection->toSocket());
            const std::optional<QPointF> output = socketCenterInCanvas(connection->fromSocket());
            if (adapterOf(connection->toNode()) == nullptr || !input || !output) {
              continue;
            }
            const double cx = nodeFrame(connection->toNode()).x() - own.width() - kGap;
            const double cy = input->y() + (own.y() - output->y());
            x = first ? cx : std::min(x, cx);
            y = first ? cy : std::min(y, cy);
            first = false;
            placed = true;
          }
        }
      }
      if (placed || dynamic_cast<const NoteNode*>(node) != nullptr) {
        QRectF candidate(x, y, own.width(), own.height());
        int guard = static_cast<int>(nodes.size()) + 1;  // each step passes one node
        while (const MVNode* obstacle = nodeIntersectingRect(candidate, node)) {
          const QRectF o = nodeFrame(obstacle);
          y = o.y() + o.height() + kOverlapGap;
          candidate.moveTop(y);
          if (--guard < 0) {
            break;
          }
        }
        const QPoint target(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
        if (target != own.topLeft().toPoint()) {
          moveNodeTo(node, modelPointFromCanvas(QPointF(target)));
          moved = true;
        }
      }
    }
    if (snap) {
      for (const auto& each : nodes) {
        if (const MVNodeViewAdapter* adapter = adapterOf(each.get())) {
          const pf::Point origin = adapter->frameOrigin();
          const pf::Point target(snapped(origin.x), snapped(origin.y));
          if (target.x != origin.x || target.y != origin.y) {
            moveNodeTo(each.get(), target);
            moved = true;
          }
        }
      }
    }
    if (!moved) {
      break;
    }
  }
  NodeControllerDocumentProtocol* document = controller_->document();
  pf::UndoManager* undo = document != nullptr ? document->undoManager() : nullptr;
  if (undo != nullptr) {
    undo->beginUndoGrouping();
  }
  for (const auto& each : nodes) {
    if (const MVNodeViewAdapter* adapter = adapterOf(each.get())) {
      each->setInitialNodeViewOrigin(adapter->frameOrigin());
    }
  }
  if (undo != nullptr) {
    undo->setActionName("arrange nodes");
    undo->endUndoGrouping();
  }
  nodesChanged();
}
