#pragma once

#include <memory>
#include <string_view>

class EPFunctionToken;

// Answers the tokenizer's questions about function names.
class EPTokenStringFunctionSource {
public:
  virtual ~EPTokenStringFunctionSource() = default;
  virtual bool functionExists(std::string_view name) const = 0;
  // A new function token, or nullptr for a name the source does not know.
  virtual std::shared_ptr<EPFunctionToken> functionTokenForName(std::string_view name) const = 0;
};
