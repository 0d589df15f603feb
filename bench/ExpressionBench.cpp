#include <cmath>
#include <string>
#include <string_view>

#include <benchmark/benchmark.h>

#include "Shared/ExpressionParser/ODExpressionParser.h"

namespace {

// The math node's example, with the variables a node fills before every evaluation.
const std::string kShortExpression = "((a+2)/b)+c*sin(30)";

// About 200 characters: every operator class, functions, groups, implicit multiplication and
// unary minus.
const std::string kLongExpression =
    "((a+2)/b)+c*sin(30)-sqrt(16)*cos(60)^2+round(a*2.5)%7-(b-c)(a+1)/3+2^-a*abs(c-10)"
    "+floor(7.5)-ceil(-1.5)+log(100)*ln(2)-atan(1)/45+tan(45)*(a+b+c)/(1+2*3)-asin(0.5)+acos(0)"
    "*0.001+12.5%4";

double a = 1.0;
double b = 2.0;
double c = 3.0;

double sinDegrees(double x)
{
  return std::sin(x / 180.0 * 3.141592653589793);
}

double cosDegrees(double x)
{
  return std::cos(x / 180.0 * 3.141592653589793);
}

double roundHalfAway(double x)
{
  return std::trunc(x + std::copysign(0.49999999999999994, x));
}

// The same arithmetic as kShortExpression.
double shortDirect(double x, double y, double z)
{
  return ((x + 2) / y) + z * sinDegrees(30);
}

// The same arithmetic as kLongExpression, grouped as the evaluator groups it: "%" binds loosest,
// so the text is (first % second) % 4.
double longDirect(double x, double y, double z)
{
  constexpr double kDegrees = 180.0 / 3.141592653589793;
  const double first = ((x + 2) / y) + z * sinDegrees(30) - std::sqrt(16.0) * std::pow(cosDegrees(60), 2) +
                       roundHalfAway(x * 2.5);
  const double second = 7 - (y - z) * (x + 1) / 3 + std::pow(2, -x) * std::fabs(z - 10) + std::floor(7.5) -
                        std::ceil(-1.5) + std::log10(100.0) * std::log(2.0) - std::atan(1.0) * kDegrees / 45 +
                        std::tan(45 / 180.0 * 3.141592653589793) * (x + y + z) / (1 + 2 * 3) -
                        std::asin(0.5) * kDegrees + std::acos(0.0) * kDegrees * 0.001 + 12.5;
  return std::fmod(std::fmod(first, second), 4);
}

// Parses and evaluates `expression` with the variables a, b and c, as a node does per read.
void parseExpression(benchmark::State& state, std::string_view expression)
{
  ODExpressionVariables variables;
  state.SetLabel(std::to_string(expression.size()) + " characters");
  for (auto _ : state) {
    variables["a"] = a;
    variables["b"] = b;
    variables["c"] = c;
    benchmark::DoNotOptimize(ODExpressionParser::parseExpression(expression, &variables));
  }
}
BENCHMARK_CAPTURE(parseExpression, short, kShortExpression);
BENCHMARK_CAPTURE(parseExpression, long, kLongExpression);

// The baseline: the same arithmetic written in C++, with the inputs hidden from the optimiser.
void directExpression(benchmark::State& state, double (*arithmetic)(double, double, double))
{
  for (auto _ : state) {
    double x = a;
    double y = b;
    double z = c;
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
    benchmark::DoNotOptimize(z);
    benchmark::DoNotOptimize(arithmetic(x, y, z));
  }
}
BENCHMARK_CAPTURE(directExpression, short, shortDirect);
BENCHMARK_CAPTURE(directExpression, long, longDirect);

}  // namespace
