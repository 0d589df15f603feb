#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "Shared/ExpressionParser/Parser/EPTokenStringFunctionSource.h"
#include "Shared/ExpressionParser/Parser/EPTokenStringVariableSource.h"
#include "Shared/ExpressionParser/Parser/Tokens/EPToken.h"

// An expression text cut into a flat list of tokens. The eight characters "%()*+-/^" delimit
// pieces; every other character belongs to a piece, and white space is skipped without ending
// one ("2 5" is the piece 25). Each piece must be a number literal, a variable or a function.
class EPTokenString {
public:
  // Holds a copy of the list (the tokens themselves are shared).
  explicit EPTokenString(std::vector<EPTokenPtr> tokens = {}) : tokenArray_(std::move(tokens)) {}

  // The tokenizer, over UTF-8 text. nullopt when a piece is of no known kind (an unknown name,
  // "2pi", "1e3", "1.2.3", a stray character). Variables take their values from `varSource`
  // now. An empty text gives an empty list.
  static std::optional<EPTokenString> fromExpression(std::string_view expression,
                                                     const EPTokenStringVariableSource& varSource,
                                                     const EPTokenStringFunctionSource& funcSource);

  // Classifies one piece, trying in order: parenthesis, "+"/"-", "*"/"/", "^", "%", number
  // literal, variable (so a variable named like a function hides it), function. nullptr when
  // none accepts the text.
  static EPTokenPtr tokenFromString(std::string_view text, const EPTokenStringVariableSource& vars,
                                    const EPTokenStringFunctionSource& functs);

  const std::vector<EPTokenPtr>& tokenArray() const { return tokenArray_; }

  // The tokens in [location, location + length). Throws std::out_of_range ("Invalid bounds
  // specified for substringWithRange:") when the range passes the end: a programming error.
  EPTokenString substringWithRange(size_t location, size_t length) const;

private:
  std::vector<EPTokenPtr> tokenArray_;
};
