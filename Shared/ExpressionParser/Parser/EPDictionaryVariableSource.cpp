#include "Shared/ExpressionParser/Parser/EPDictionaryVariableSource.h"

namespace {

constexpr std::string_view kPiName = "pi";

}  // namespace

bool EPDictionaryVariableSource::variableExists(std::string_view name) const
{
  return name == kPiName || (varDictionary_ != nullptr && varDictionary_->find(name) != varDictionary_->end());
}

double EPDictionaryVariableSource::variableValue(std::string_view name) const
{
  if (name == kPiName) {
    return kExpressionPi;
  }
  if (varDictionary_ != nullptr) {
    const auto entry = varDictionary_->find(name);
    if (entry != varDictionary_->end()) {
      return entry->second;
    }
  }
  return 0.0;
}
