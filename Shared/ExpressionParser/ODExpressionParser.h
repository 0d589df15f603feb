#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "Shared/ExpressionParser/ODExpressionVariables.h"

// Evaluates typed arithmetic ("12,5", "30*2", "sin(45)*10", "a*b+c") to a double. Stateless; it
// neither logs nor throws: anything it cannot evaluate is NaN (or nullopt from the
// numberByParsingExpression entry points). Numbers are read independent of the process locale.
//
// The grammar, which saved documents depend on: numbers without exponents, variables and pi,
// the functions sin, cos, tan, asin, acos, atan (degrees), log, ln, sqrt, round, ceil, floor and
// abs; implicit multiplication after a group or before one ("2(3)", "(2)pi"); unary minus, also
// right after "^" ("2^-3"); the passes functions, "^", "*" "/", "+" "-", and last "%" (looser
// than "+"), each grouping from the left (2^3^2 is 64).
class ODExpressionParser {
public:
  // Longer texts (in UTF-8 bytes, as given to numberByParsingExpression) are not evaluated.
  static constexpr size_t kMaxExpressionLength = 100000;

  // Normalises typed text: removes "°" and all white space and line breaks, turns "," and ":"
  // into "." (1,5 and 1:5 are 1.5), lower-cases (full Unicode mapping) and drops one trailing
  // "%" (50% is 50). An empty text stays empty.
  static std::string prepareExpressionString(std::string_view expression);

  // Normalises the text and evaluates it with the variables. "pi" and "π" are stored in the
  // caller's dictionary first (replacing what it had under them) and stay there; nullptr
  // offers only those two. NaN for empty or unreadable text. Main thread, or at least not
  // concurrently with other users of the same dictionary.
  static double parseExpression(std::string_view expression, ODExpressionVariables* variables);
  static double parseExpression(std::string_view expression);

  // Evaluates the text as it stands (no normalisation: "PI" is unknown, blanks inside a number
  // join its digits). The variables are read, never changed; "pi" is always known, "π" only when
  // the dictionary holds it. nullopt for empty or unreadable text; a result may still be NaN or
  // infinite (0/0, 1/0).
  static std::optional<double> numberByParsingExpression(std::string_view expression);
  static std::optional<double> numberByParsingExpression(std::string_view expression,
                                                         const ODExpressionVariables& variables);

private:
  static std::optional<double> evaluate(std::string_view expression, const ODExpressionVariables* variables);
};
