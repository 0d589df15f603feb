#pragma once

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Elements/MVElementDelegate.h"
#include "Platform/AffineTransform.h"
#include "Platform/Log.h"
#include "Platform/Rect.h"
#include "Support/LogCapture.h"

namespace elementtest {

using testsupport::LogCapture;

// A graph controller that hands out element IDs 1, 2, ... and has a fixed artboard.
class FakeElementController : public MVElementDelegate {
public:
  long long uniqueElementID() override { return ++lastID; }
  pf::Size artboardSize() const override { return artboard; }

  long long lastID = 0;
  pf::Size artboard{200, 100};
};

inline void expectNear(pf::Point actual, pf::Point expected, double tolerance = 1e-9)
{
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
}

inline void expectNear(const pf::Rect& actual, const pf::Rect& expected, double tolerance = 1e-9)
{
  EXPECT_NEAR(actual.minX(), expected.minX(), tolerance);
  EXPECT_NEAR(actual.minY(), expected.minY(), tolerance);
  EXPECT_NEAR(actual.width(), expected.width(), tolerance);
  EXPECT_NEAR(actual.height(), expected.height(), tolerance);
}

// Two transforms map a few sample points alike.
inline void expectSameMapping(const pf::AffineTransform& actual, const pf::AffineTransform& expected)
{
  for (const pf::Point p : {pf::Point(0, 0), pf::Point(1, 0), pf::Point(0, 1), pf::Point(-3.5, 7.25)}) {
    SCOPED_TRACE(p.description());
    expectNear(actual.apply(p), expected.apply(p), 1e-7);
  }
}

}  // namespace elementtest
