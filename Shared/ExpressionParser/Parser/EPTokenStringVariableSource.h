#pragma once

#include <string_view>

// Answers the tokenizer's questions about variable names.
class EPTokenStringVariableSource {
public:
  virtual ~EPTokenStringVariableSource() = default;
  virtual bool variableExists(std::string_view name) const = 0;
  // The value of a name for which variableExists() is true.
  virtual double variableValue(std::string_view name) const = 0;
};
