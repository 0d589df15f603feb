#include "MorvNode/Editor/NodeEditorConnectionLayer.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <set>
#include <unordered_map>
#include <utility>

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QWidget>

#include "MorvNode/Editor/MVConnectionView.h"
#include "MorvNode/Editor/MVNodeView.h"
#include "MorvNode/Model/MVConnection.h"
#include "Platform/DrawingContext.h"
#include "Platform/Path.h"
#include "Platform/Surface.h"

namespace {

constexpr double kReach = 8.0;           // points around a drawn area: more than half the widest pen
constexpr double kBoxCornerRadius = 5.0;  // points: the corners of a node view's box
constexpr std::size_t kMaxDirtyRects = 16;  // more changed places are drawn as their bounding box

pf::Color colorOf(QRgb rgba)
{
  return pf::Color::rgb(qRed(rgba) / 255.0, qGreen(rgba) / 255.0, qBlue(rgba) / 255.0, qAlpha(rgba) / 255.0);
}

// The pixels of a bitmap as a QImage sharing its memory (Cairo's ARGB32 is Qt's premultiplied
// ARGB32).
QImage imageOf(pf::Bitmap& bitmap)
{
  return QImage(reinterpret_cast<uchar*>(bitmap.data()), bitmap.width(), bitmap.height(),
                static_cast<qsizetype>(bitmap.stride()), QImage::Format_ARGB32_Premultiplied);
}

// The runs of a flattened curve whose segments meet `area`, as subpaths in the coordinates of a
// picture whose top-left pixel shows `origin`: stroking a wide antialiased pen costs by the
// length of the path, so a long curve is stroked only where it shows.
pf::Path visibleRuns(const QPolygonF& points, const QRectF& area, QPointF origin, bool whole)
{
  pf::Path path;
  auto point = [origin](const QPointF& p) { return pf::Point(p.x() - origin.x(), p.y() - origin.y()); };
  bool inRun = false;
  for (qsizetype i = 1; i < points.size(); ++i) {
    const QPointF& a = points[i - 1];
    const QPointF& b = points[i];
    const bool meets = whole || (std::max(a.x(), b.x()) >= area.left() && std::min(a.x(), b.x()) <= area.right() &&
                                 std::max(a.y(), b.y()) >= area.top() && std::min(a.y(), b.y()) <= area.bottom());
    if (!meets) {
      inRun = false;
      continue;
    }
    if (!inRun) {
      path.moveTo(point(a));
      inRun = true;
    }
    path.lineTo(point(b));
  }
  return path;
}

}  // namespace

bool NodeEditorConnectionLayer::Item::looksTheSame(const Item& other) const
{
  return bounds == other.bounds && isCurve == other.isCurve && isRoundedBox == other.isRoundedBox &&
         from == other.from && to == other.to && reversed == other.reversed && dashed == other.dashed &&
         fill == other.fill && edge == other.edge;
}

NodeEditorConnectionLayer::NodeEditorConnectionLayer(const QWidget& canvas, std::function<QRect()> visibleArea,
                                                     std::function<void(const QRect&)> requestPaint)
  : canvas_(canvas)
  , visibleArea_(std::move(visibleArea))
  , requestPaint_(std::move(requestPaint))
{
}

NodeEditorConnectionLayer::~NodeEditorConnectionLayer() = default;

void NodeEditorConnectionLayer::invalidate()
{
  picture_.reset();
  items_.clear();
  pending_ = QRegion();
  partTile_.reset();
}

std::vector<NodeEditorConnectionLayer::Item> NodeEditorConnectionLayer::currentItems(const QRect& area)
{
  // The kept item of a widget: mostly the next one in the kept order; a map is made only once
  // the order differs.
  std::size_t cursor = 0;
  std::unordered_map<const QWidget*, std::size_t> before;
  auto keptIndex = [this, &cursor, &before](const QWidget* widget) {
    if (cursor < items_.size() && items_[cursor].widget == widget) {
      return cursor++;
    }
    if (before.empty() && !items_.empty()) {
      before.reserve(items_.size());
      for (std::size_t i = 0; i < items_.size(); ++i) {
        before.emplace(items_[i].widget, i);
      }
    }
    const auto found = before.find(widget);
    if (found == before.end()) {
      return kNotKept;
    }
    cursor = found->second + 1;
    return found->second;
  };
  // The few looks there are, each resolved once per walk.
  std::array<std::optional<std::pair<QRgb, QRgb>>, 32> looks;
  std::vector<Item> items = std::move(spare_);
  items.clear();
  items.reserve(items_.size());
  for (const QObject* child : canvas_.children()) {
    if (const auto* view = qobject_cast<const MVConnectionView*>(child)) {
      const MVConnection* connection = view->connection();
      if (!view->isDrawnByCanvas() || view->isRemoved() || (connection == nullptr && !view->referenceMode()) ||
          !view->geometry().intersects(area)) {
        continue;
      }
      Item item;
      item.widget = view;
      item.bounds = view->geometry();
      item.isCurve = true;
      item.from = view->fromEndLocation();
      item.to = view->toEndLocation();
      item.reversed = connection == nullptr || connection->toSocket() == nullptr;
      item.dashed = connection != nullptr && connection->isBeingEdited();
      const int type = view->colorType();  // -1 (no end) to 2
      const bool black = view->hasBlackFill();
      std::optional<std::pair<QRgb, QRgb>>& look =
        looks[static_cast<std::size_t>(std::clamp(type + 1, 0, 3) * 8 + (black ? 4 : 0) + (view->selected() ? 2 : 0) +
                                       (view->hoverHighlight() ? 1 : 0))];
      if (!look) {
        const auto [fill, edge] = MVConnectionView::colorsFor(type, black, view->selected(), view->hoverHighlight());
        look = std::make_pair(fill.rgba(), edge.rgba());
      }
      item.fill = look->first;
      item.edge = look->second;
      // Flattened curves are kept while their ends stay.
      item.kept = keptIndex(view);
      if (item.kept != kNotKept) {
        const Item& kept = items_[item.kept];
        if (kept.isCurve && kept.from == item.from && kept.to == item.to && kept.reversed == item.reversed) {
          item.points = kept.points;
        }
      }
      item.view = view;
      items.push_back(std::move(item));
      continue;
    }
    const auto* widget = qobject_cast<const QWidget*>(child);
    // Whatever else shows on the canvas hides the curves below it; the overlay and other
    // decorations that let the pointer through do not.
    if (widget == nullptr || widget->isHidden() || widget->testAttribute(Qt::WA_TransparentForMouseEvents) ||
        !widget->geometry().intersects(area)) {
      continue;
    }
    const auto* node = qobject_cast<const MVNodeView*>(widget);
    if (node != nullptr && node->isRemoved()) {
      continue;
    }
    Item item;
    item.widget = widget;
    item.bounds = widget->geometry();
    item.isRoundedBox = node != nullptr;
    item.kept = keptIndex(widget);
    items.push_back(std::move(item));
  }
  return items;
}

std::optional<QRegion> NodeEditorConnectionLayer::changedRegion(const std::vector<Item>& items) const
{
  std::vector<QRect> changed;
  // A curve changes the tiles it passes through, not the whole of its frame (which for a long
  // one is most of the visible area).
  std::set<std::pair<int, int>> cells;
  // Only cells of the kept picture's area count: a curve with an end far away (a socket whose
  // place is not known yet stands at the canvas origin) would otherwise list millions.
  const QRectF within = QRectF(area_).adjusted(-kReach, -kReach, kReach, kReach);
  // `drawn`: an item of the kept picture (its view may be gone; only its kept points are read).
  auto addCurve = [&cells, &changed, &within](const Item& item, bool drawn) {
    if (!item.isCurve) {
      changed.push_back(item.bounds);
      return;
    }
    if (!item.points && !drawn && item.view != nullptr) {
      const QList<QPolygonF> polygons = item.view->curve().toSubpathPolygons();
      item.points = std::make_shared<const QPolygonF>(polygons.isEmpty() ? QPolygonF() : polygons.front());
    }
    if (!item.points) {
      if (!drawn) {
        changed.push_back(item.bounds);
      }
      return;  // a kept item without points was never drawn: nothing of it to take away
    }
    const QPolygonF& points = *item.points;
    for (qsizetype i = 0; i < points.size(); ++i) {
      const QPointF& a = points[i];
      const QPointF& b = points[std::min(i + 1, points.size() - 1)];
      const QRectF box = QRectF(a, b).normalized().adjusted(-kReach, -kReach, kReach, kReach) & within;
      if (box.isEmpty()) {
        continue;
      }
      const int left = static_cast<int>(std::floor(box.left() / kTileSide));
      const int right = static_cast<int>(std::floor(box.right() / kTileSide));
      const int top = static_cast<int>(std::floor(box.top() / kTileSide));
      const int bottom = static_cast<int>(std::floor(box.bottom() / kTileSide));
      for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
          cells.emplace(x, y);
        }
      }
    }
  };
  std::vector<bool> seen(items_.size(), false);
  std::size_t lastIndex = 0;
  bool any = false;
  for (const Item& item : items) {
    // The kept items may have been let go since the walk (the picture moved to a new area).
    if (item.kept >= items_.size()) {
      addCurve(item, false);
      continue;
    }
    // What stays must keep its order; anything restacked is drawn anew everywhere.
    if (any && item.kept < lastIndex) {
      return std::nullopt;
    }
    any = true;
    lastIndex = item.kept;
    seen[item.kept] = true;
    const Item& old = items_[item.kept];
    if (!item.looksTheSame(old)) {
      addCurve(old, true);
      addCurve(item, false);
    }
  }
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (!seen[i]) {
      addCurve(items_[i], true);
    }
  }
  QRegion region;
  if (changed.size() > kMaxDirtyRects) {
    QRect box;
    for (const QRect& rect : changed) {
      box |= rect;
    }
    region = QRegion(box);
  } else {
    for (const QRect& rect : changed) {
      region += rect;
    }
  }
  if (cells.size() > 4 * kMaxDirtyRects) {
    QRect box;
    for (const auto& [x, y] : cells) {
      box |= QRect(x * kTileSide, y * kTileSide, kTileSide, kTileSide);
    }
    return region + box;
  }
  for (const auto& [x, y] : cells) {
    region += QRect(x * kTileSide, y * kTileSide, kTileSide, kTileSide);
  }
  return region;
}

QRegion NodeEditorConnectionLayer::moveTo(const QRect& area, double ratio)
{
  if (picture_ && ratio == ratio_ && area == area_) {
    return {};
  }
  const int width = static_cast<int>(std::ceil(area.width() * ratio));
  const int height = static_cast<int>(std::ceil(area.height() * ratio));
  std::optional<pf::Bitmap> next = pf::Bitmap::create(width, height);
  QRegion fresh(area);
  // A scroll by whole device pixels keeps what both areas show.
  if (next && picture_ && ratio == ratio_ && ratio == std::round(ratio) && area.intersects(area_)) {
    QImage target = imageOf(*next);
    QPainter copy(&target);
    copy.setCompositionMode(QPainter::CompositionMode_Source);
    copy.drawImage(QPointF(area_.topLeft() - area.topLeft()) * ratio, imageOf(*picture_));
    copy.end();
    fresh -= area_;
  } else {
    items_.clear();  // nothing of them is kept
    pending_ = QRegion();
  }
  pending_ &= area;
  picture_ = std::move(next);
  area_ = area;
  ratio_ = ratio;
  return fresh;
}

int NodeEditorConnectionLayer::drawItems(pf::Bitmap& picture, QPoint origin, double ratio, const QRect& rect,
                                         const std::vector<Item>& items, std::size_t first,
                                         std::optional<std::chrono::steady_clock::time_point> deadline,
                                         std::optional<std::size_t>* resume)
{
  if (resume != nullptr) {
    resume->reset();
  }
  pf::Surface surface = pf::Surface::onBitmapRows(picture, 0, picture.height());
  pf::DrawingContext context(surface);
  context.scale(ratio, ratio);
  const QRect local = rect.translated(-origin);
  const pf::Rect clip(local.x(), local.y(), local.width(), local.height());
  context.clipToRect(clip);
  if (first == 0) {
    context.clearRect(clip);
  }
  const QRectF reach = QRectF(rect).adjusted(-kReach, -kReach, kReach, kReach);
  const QPointF offset(origin);
  int strokes = 0;
  context.setLineCap(pf::LineCap::Round);
  context.setLineJoin(pf::LineJoin::Round);
  for (std::size_t index = first; index < items.size(); ++index) {
    const Item& item = items[index];
    if (!item.bounds.intersects(rect)) {
      continue;
    }
    if (deadline && resume != nullptr && index > first && std::chrono::steady_clock::now() > *deadline) {
      *resume = index;
      break;
    }
    if (!item.isCurve) {
      // A box hides what is stacked below it.
      const QRectF box = QRectF(item.bounds).translated(-offset);
      pf::Path shape;
      const pf::Rect frame(box.x(), box.y(), box.width(), box.height());
      if (item.isRoundedBox) {
        shape.addRoundedRect(frame, kBoxCornerRadius, kBoxCornerRadius);
      } else {
        shape.addRect(frame);
      }
      context.setBlendMode(pf::BlendMode::Clear);
      context.fillPath(shape);
      context.setBlendMode(pf::BlendMode::Normal);
      continue;
    }
    // As MVConnectionView draws itself: the end rings, the edge, the fill, the end dots. A
    // dashed curve keeps its whole length so that the dashes do not restart at the edge.
    if (!item.points && item.view != nullptr) {
      const QList<QPolygonF> polygons = item.view->curve().toSubpathPolygons();
      item.points = std::make_shared<const QPolygonF>(polygons.isEmpty() ? QPolygonF() : polygons.front());
    }
    const pf::Path line = item.points ? visibleRuns(*item.points, reach, offset, item.dashed) : pf::Path();
    pf::Path dots;
    for (const QPointF& end : {item.from, item.to}) {
      if (reach.contains(end)) {
        dots.addEllipse(pf::Rect(end.x() - offset.x() - 3.0, end.y() - offset.y() - 3.0, 6.0, 6.0));
      }
    }
    if (line.isEmpty() && dots.isEmpty()) {
      continue;
    }
    ++strokes;
    const pf::Color fill = colorOf(item.fill);
    const pf::Color edge = colorOf(item.edge);
    context.setStrokeColor(edge);
    context.setLineDash({}, 0.0);
    if (!dots.isEmpty()) {
      context.setLineWidth(2.0);
      context.strokePath(dots);
    }
    if (!line.isEmpty()) {
      if (item.dashed) {
        context.setLineDash({4.0, 10.0}, 0.0);
      }
      context.setLineWidth(5.0);
      context.strokePath(line);
      context.setStrokeColor(fill);
      context.setLineWidth(3.0);
      context.strokePath(line);
    }
    if (!dots.isEmpty()) {
      context.setFillColor(fill);
      context.fillPath(dots);
    }
  }
  return strokes;
}

void NodeEditorConnectionLayer::drawPending()
{
  if (pending_.isEmpty()) {
    return;
  }
  // Tiles are cells of a fixed grid (within the area), so that a tile left half drawn is the
  // same tile in the next paint.
  QRegion cells;
  for (const QRect& rect : pending_) {
    const int left = static_cast<int>(std::floor(rect.left() / static_cast<double>(kTileSide))) * kTileSide;
    const int top = static_cast<int>(std::floor(rect.top() / static_cast<double>(kTileSide))) * kTileSide;
    const int right = static_cast<int>(std::floor(rect.right() / static_cast<double>(kTileSide))) * kTileSide;
    const int bottom = static_cast<int>(std::floor(rect.bottom() / static_cast<double>(kTileSide))) * kTileSide;
    cells += QRect(QPoint(left, top), QPoint(right + kTileSide - 1, bottom + kTileSide - 1));
  }
  pending_ = cells & area_;
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(kPaintBudget));
  QRegion drawn;
  bool outOfTime = false;
  // A tile left half drawn goes on from where it stopped.
  if (partTile_) {
    std::optional<std::size_t> resume;
    lastStrokeCount_ += drawItems(*picture_, area_.topLeft(), ratio_, partTile_->first, items_, partTile_->second,
                                  deadline, &resume);
    if (resume) {
      partTile_->second = *resume;
      outOfTime = true;
    } else {
      drawn += partTile_->first;
      partTile_.reset();
    }
  }
  const QRect box = cells.boundingRect();
  for (int y = box.top(); y <= box.bottom() && !outOfTime; y += kTileSide) {
    for (int x = box.left(); x <= box.right() && !outOfTime; x += kTileSide) {
      const QRect tile = QRect(x, y, kTileSide, kTileSide) & area_;
      if (tile.isEmpty() || !pending_.intersects(tile) || drawn.intersects(tile) ||
          (partTile_ && partTile_->first == tile)) {
        continue;
      }
      {
        std::optional<std::size_t> resume;
        lastStrokeCount_ += drawItems(*picture_, area_.topLeft(), ratio_, tile, items_, 0, deadline, &resume);
        if (resume) {
          partTile_ = std::make_pair(tile, *resume);
          outOfTime = true;
        } else {
          drawn += tile;
          outOfTime = std::chrono::steady_clock::now() > deadline;
        }
      }
    }
  }
  pending_ -= drawn;
  if (!pending_.isEmpty() && requestPaint_) {
    requestPaint_(pending_.boundingRect());
  }
}

void NodeEditorConnectionLayer::paint(QPainter& painter, const QRect& exposed)
{
  lastStrokeCount_ = 0;
  const double ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
  const QRect area = visibleArea_ ? visibleArea_() : QRect();
  if (!area.isEmpty() && area.intersects(exposed)) {
    std::vector<Item> items = currentItems(area);
    QRegion dirty = moveTo(area, ratio);
    if (!picture_) {
      return;  // refused size (logged)
    }
    const std::optional<QRegion> changed = changedRegion(items);
    // A tile left half drawn is drawn again from the start once anything changed.
    if (partTile_ && (!changed || !changed->isEmpty() || !dirty.isEmpty())) {
      partTile_.reset();
    }
    pending_ = changed ? (pending_ + dirty + *changed) & area : QRegion(area);
    spare_ = std::exchange(items_, std::move(items));
    drawPending();
    const QRect shown = exposed & area_;
    painter.drawImage(QRectF(shown), imageOf(*picture_),
                      QRectF(QPointF(shown.topLeft() - area_.topLeft()) * ratio_, QSizeF(shown.size()) * ratio_));
  }
  // What lies outside the visible area (a picture of the whole canvas) is drawn as it is asked.
  const QRegion outside = QRegion(exposed) - area;
  for (const QRect& rect : outside) {
    const int width = static_cast<int>(std::ceil(rect.width() * ratio));
    const int height = static_cast<int>(std::ceil(rect.height() * ratio));
    std::optional<pf::Bitmap> part = pf::Bitmap::create(width, height);
    if (!part) {
      continue;
    }
    lastStrokeCount_ += drawItems(*part, rect.topLeft(), ratio, rect, currentItems(rect));
    painter.drawImage(QRectF(rect), imageOf(*part));
  }
}
