#pragma once

namespace pf {

// Line end and corner shapes, shared by the stroke hit test and the drawing context.
enum class LineCap { Butt, Square, Round };
enum class LineJoin { Miter, Round, Bevel };

// How a path is stroked: the full line width in the path's own units, centred on the path.
// A miter join longer than miterLimit × width / 2 from its corner becomes a bevel.
struct StrokeStyle {
  double width = 1.0;
  LineCap cap = LineCap::Butt;
  LineJoin join = LineJoin::Miter;
  double miterLimit = 10.0;
};

}  // namespace pf
