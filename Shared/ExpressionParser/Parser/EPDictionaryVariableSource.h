#pragma once

#include "Shared/ExpressionParser/ODExpressionVariables.h"
#include "Shared/ExpressionParser/Parser/EPTokenStringVariableSource.h"

// Variables from a dictionary, plus "pi", which is always known and always π.
class EPDictionaryVariableSource : public EPTokenStringVariableSource {
public:
  // The dictionary is not owned: it must outlive the source and stay unchanged while it is
  // used (one evaluation). nullptr offers "pi" alone.
  explicit EPDictionaryVariableSource(const ODExpressionVariables* dictionary = nullptr) : varDictionary_(dictionary) {}

  // Names are compared exactly (case matters).
  bool variableExists(std::string_view name) const override;
  // π for "pi" whatever the dictionary holds; 0 for an unknown name.
  double variableValue(std::string_view name) const override;

private:
  const ODExpressionVariables* varDictionary_;  // not owned, may be nullptr
};
