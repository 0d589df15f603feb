#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <QPointF>
#include <QPolygonF>
#include <QRect>
#include <QRegion>
#include <QRgb>

#include "Platform/Bitmap.h"

class MVConnectionView;
class QPainter;
class QWidget;

// The connection curves of the editor canvas, drawn in one pass instead of by a widget each.
// The canvas's connection views stay its children, in the stacking order the canvas gives them
// among the node views, but are hidden; the overlay draws this layer above every node view.
// Walking the canvas's children from the bottom, a curve is drawn and a box (a node view, or any
// other shown widget) erases what lies under it, so that drawn over the boxes the layer shows
// exactly what the views stacked among them would show.
//
// The layer keeps a picture of the visible area (device pixels) and draws anew only where
// something in it changed since: a curve's ends or look, a box's frame, what is stacked where.
// Every change reaches the screen through a repaint of its area, which the connection views ask
// of the canvas themselves; a repaint with nothing changed draws the picture. A scroll keeps
// the part of the picture that stays in view. Curves are flattened once per change of their
// ends and stroked only where they cross the area drawn.
//
// Drawing anew goes tile by tile, and one paint spends at most kPaintBudget on it: the rest of
// the changed area keeps its former picture until the repaints the layer asks for at once have
// drawn it. A thousand long curves thus never hold the window (and the preview beside the
// editor) for longer than a frame. Canvas coordinates; main thread only.
class NodeEditorConnectionLayer {
public:
  static constexpr double kPaintBudget = 0.008;  // seconds of drawing anew per paint
  static constexpr int kTileSide = 256;          // points

  // `canvas` holds the views and outlives the layer; `visibleArea` answers the area shown now
  // and `requestPaint` asks for a later paint of an area (both canvas coordinates).
  NodeEditorConnectionLayer(const QWidget& canvas, std::function<QRect()> visibleArea,
                            std::function<void(const QRect&)> requestPaint);
  ~NodeEditorConnectionLayer();
  NodeEditorConnectionLayer(const NodeEditorConnectionLayer&) = delete;
  NodeEditorConnectionLayer& operator=(const NodeEditorConnectionLayer&) = delete;

  // Draws the layer's part of `exposed` (canvas coordinates) with `painter`, whose coordinates
  // are the canvas's.
  void paint(QPainter& painter, const QRect& exposed);
  // Forgets the kept picture: the next paint draws everything anew.
  void invalidate();
  // How many curves the last paint stroked (zero when it only drew the kept picture).
  int lastStrokeCount() const { return lastStrokeCount_; }
  // Whether part of the picture is still to be drawn anew by the paints asked for.
  bool hasPendingArea() const { return !pending_.isEmpty(); }

private:
  // One thing that shows on the canvas, in stacking order: a curve or a box that hides what
  // lies below it.
  static constexpr std::size_t kNotKept = static_cast<std::size_t>(-1);

  struct Item {
    const QWidget* widget = nullptr;  // identity only, never dereferenced after the walk
    QRect bounds;                     // canvas coordinates, all that it paints
    bool isCurve = false;
    bool isRoundedBox = false;        // a node view's box, with rounded corners
    QPointF from;
    QPointF to;
    bool reversed = false;            // drawn from the to end (the dash phase starts there)
    bool dashed = false;
    QRgb fill = 0;
    QRgb edge = 0;
    // The curve flattened (canvas coordinates), made when first drawn and kept while the ends
    // stay; nullptr until then.
    mutable std::shared_ptr<const QPolygonF> points;
    const MVConnectionView* view = nullptr;  // valid only during the paint that made the item
    // The index of the same widget's item in the kept items, kNotKept when it is new.
    std::size_t kept = kNotKept;

    bool looksTheSame(const Item& other) const;
  };

  // What shows in `area`, each item matched with its kept one (by a cursor through the kept
  // order, which is the usual case, and by a look-up only where the order differs).
  std::vector<Item> currentItems(const QRect& area);
  // What changed between the kept items and `items` (canvas coordinates); nullopt when the
  // order of what is shown changed, which the whole area is drawn anew for.
  std::optional<QRegion> changedRegion(const std::vector<Item>& items) const;
  // Draws the items that meet `rect` into `picture`, whose top-left pixel shows `origin`, at
  // `ratio` device pixels per point; the picture is cleared within `rect` first. Answers how
  // many curves it stroked.
  // Drawing stops before the item at `deadline` when one is given, answering in `resume` the
  // index to go on from (nullopt once the tile is complete).
  static int drawItems(pf::Bitmap& picture, QPoint origin, double ratio, const QRect& rect,
                       const std::vector<Item>& items, std::size_t first = 0,
                       std::optional<std::chrono::steady_clock::time_point> deadline = std::nullopt,
                       std::optional<std::size_t>* resume = nullptr);
  // Moves the kept picture to `area`, keeping what both show; answers the part to draw anew.
  QRegion moveTo(const QRect& area, double ratio);
  // Draws pending tiles within the budget and asks for a paint of what is left.
  void drawPending();

  const QWidget& canvas_;
  std::function<QRect()> visibleArea_;
  std::function<void(const QRect&)> requestPaint_;
  std::optional<pf::Bitmap> picture_;  // the kept picture of area_, device pixels
  QRect area_;                          // canvas coordinates
  double ratio_ = 1.0;                  // device pixels per point of the picture
  std::vector<Item> items_;             // what the picture shows, in stacking order
  std::vector<Item> spare_;             // the items before those, kept for their storage
  QRegion pending_;                     // canvas coordinates: still to be drawn anew
  // A tile whose lower items are drawn, and the index in items_ of the first one left; kept
  // only while nothing changes.
  std::optional<std::pair<QRect, std::size_t>> partTile_;
  int lastStrokeCount_ = 0;
};
