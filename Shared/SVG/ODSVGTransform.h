#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/AffineTransform.h"
#include "Platform/Rect.h"

class ODSVGPath;

// One entry of an SVG transform list (the transform and gradientTransform attributes) and its
// affine matrix. A value type; a list is a std::vector in the order of the attribute text.
// Everything here is locale-free.
class ODSVGTransform {
public:
  enum Command : long { kMatrix = 0, kTranslate = 1, kScale = 2, kRotate = 3, kSkewX = 4, kSkewY = 5, kNone = 6 };

  ODSVGTransform() = default;
  ODSVGTransform(long command, std::vector<double> parameters);

  // Every name(arguments) entry of the text in order; names that are no transform are skipped.
  // Linear in the text.
  static std::vector<ODSVGTransform> transformsForString(std::string_view text);
  // "matrix" 0, "translate" 1, "scale" 2, "rotate" 3, "skewx" 4, "skewy" 5 (any case); else 6.
  static long commandForCommandString(std::string_view name);
  // matrix 2, translate -1, scale 0, rotate 1, anything else 10.
  static long sortForTransformCommand(long command);
  static ODSVGTransform transformByTranslatingX(double x, double y);

  // "matrix(a,b,c,d,tx,ty)" with "%g" numbers.
  static std::string affineTransformToSVGMatrixString(const pf::AffineTransform& matrix);
  // Simple transform texts ("translate(5, 7)", "rotate(30)", "scale(2)") equivalent to the
  // matrix, for descriptions and diagnostics.
  static std::vector<std::string> affineTransformToSVGTransformAttributeString(const pf::AffineTransform& matrix);
  static std::vector<ODSVGTransform> transformsFromAffineTransform(const pf::AffineTransform& matrix);

  // The matrix of this entry. Arguments the text left out: a matrix with fewer than six
  // numbers and any kind without numbers is the identity; a rotate with two numbers turns
  // about (P1, 0).
  pf::AffineTransform CGAffineTransform() const;
  // `matrix` with this entry applied on top for translate, scale and rotate; this entry's own
  // matrix for the other kinds.
  pf::AffineTransform stackIdentity(const pf::AffineTransform& matrix) const;
  // Scales the centre of a rotate about a point by the larger side of the rectangle.
  void recalculateWithBounds(const pf::Rect& bounds);
  std::string description() const;

  long command() const { return command_; }
  void setCommand(long command) { command_ = command; }
  const std::vector<double>& parameters() const { return parameters_; }
  void setParameters(std::vector<double> parameters) { parameters_ = std::move(parameters); }
  long parameterCount() const { return static_cast<long>(parameters_.size()); }
  long sort() const { return sort_; }
  void setSort(long sort) { sort_ = sort; }

private:
  long command_ = kMatrix;
  std::vector<double> parameters_;
  long sort_ = 0;
};

// One matrix for a whole list: the first entry acts first on a point, the last entry last.
// An empty list is the identity.
pf::AffineTransform ODSVGConcatTransforms(const std::vector<ODSVGTransform>& transforms);
void ODSVGApplyTransform(const std::vector<ODSVGTransform>& transforms,
                         const std::function<void(const ODSVGTransform&)>& callback);
// The decomposed texts joined with " ".
std::string ODSVGDebugTransforms(const std::vector<ODSVGTransform>& transforms);
std::string ODSVGDebugAffineTransform(const pf::AffineTransform& matrix);

// Degree trigonometry; the inverse and tangent functions compute in single precision.
double ODSVGMathRad(double degrees);
double ODSVGMathDeg(double radians);
double ODSVGMathSin(double degrees);
double ODSVGMathTan(double degrees);
double ODSVGMathAcos(double x);
double ODSVGMathAsin(double x);
double ODSVGMathAtan(double x);
