#pragma once

#include <cairo.h>

#include "Platform/AffineTransform.h"
#include "Platform/Path.h"

// Baseline helpers: our paths and matrices handed to Cairo directly, without the drawing layer,
// so that a benchmark can set the renderer beside a plain Cairo loop drawing the same picture.
namespace plaincairo {

inline void appendPath(cairo_t* cr, const pf::Path& path)
{
  for (const pf::PathElement& element : path.elements()) {
    const auto& p = element.points;
    switch (element.type) {
    case pf::PathElementType::MoveTo:
      cairo_move_to(cr, p[0].x, p[0].y);
      break;
    case pf::PathElementType::LineTo:
      cairo_line_to(cr, p[0].x, p[0].y);
      break;
    case pf::PathElementType::QuadCurveTo: {
      // Raised to the exact cubic: control points two thirds of the way to the quadratic one.
      double x0 = 0;
      double y0 = 0;
      cairo_get_current_point(cr, &x0, &y0);
      cairo_curve_to(cr, x0 + 2 * (p[0].x - x0) / 3, y0 + 2 * (p[0].y - y0) / 3, p[1].x + 2 * (p[0].x - p[1].x) / 3,
                     p[1].y + 2 * (p[0].y - p[1].y) / 3, p[1].x, p[1].y);
      break;
    }
    case pf::PathElementType::CurveTo:
      cairo_curve_to(cr, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
      break;
    case pf::PathElementType::CloseSubpath:
      cairo_close_path(cr);
      break;
    }
  }
}

// Fills `count` squares of side `side`, centred in the cells of a grid `columns` wide (row by
// row), one fill per square, with the current source: the plain way to draw a repeated shape.
inline void fillSquareGrid(cairo_t* cr, long count, long columns, double cell, double side)
{
  for (long i = 0; i < count; ++i) {
    const double x = (static_cast<double>(i % columns) + 0.5) * cell - side / 2;
    const double y = (static_cast<double>(i / columns) + 0.5) * cell - side / 2;
    cairo_rectangle(cr, x, y, side, side);
    cairo_fill(cr);
  }
}

inline void concatMatrix(cairo_t* cr, const pf::AffineTransform& t)
{
  const cairo_matrix_t matrix{t.a, t.b, t.c, t.d, t.tx, t.ty};
  cairo_transform(cr, &matrix);
}

}  // namespace plaincairo
