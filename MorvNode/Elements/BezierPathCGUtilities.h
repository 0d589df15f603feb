#pragma once

#include "Platform/Path.h"

// Conversions between the two path shapes the element code meets: glyph outlines and imported
// artwork may hold quadratic pieces, while bezier paths built here hold moves, lines, cubics
// and closes only.
namespace BezierPathCGUtilities {

// Appends every element of `path` to `bezierPath`, raising a quadratic piece from S through Q
// to E to the cubic with controls S + 2(Q - S)/3 and E + 2(Q - E)/3. Nothing for nullptr.
void appendCGPath(pf::Path& bezierPath, const pf::Path* path);
// A shared path with the same elements; nullptr for an empty one.
pf::SharedPath cgPath(const pf::Path& bezierPath);
// Moves the path so that the centre of its bounds (curves, not control points) is the origin;
// nothing for an empty path.
void centerAtZero(pf::Path& bezierPath);
// The same in x only.
void centerHorizontally(pf::Path& bezierPath);

}  // namespace BezierPathCGUtilities
