#include "Shared/ExpressionParser/ODExpressionParser.h"

#include <clocale>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "Shared/ExpressionParser/Parser/EPDictionaryVariableSource.h"
#include "Shared/ExpressionParser/Parser/EPExpression.h"
#include "Shared/ExpressionParser/Parser/EPStandardFunctionSource.h"
#include "Shared/ExpressionParser/Parser/EPTokenString.h"
#include "Shared/ExpressionParser/Parser/Tokens/EPNumericalToken.h"
#include "Shared/ExpressionParser/Parser/Tokens/Functions/EPSqrtFunction.h"
#include "Shared/ExpressionParser/Parser/Tokens/Operators/EPPowerOperator.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = 3.141592653589793;
// For results that the degree conversions round (sin(30) is 0.49999999999999994 in doubles).
constexpr double kRounded = 1e-12;

// Which entry point a case goes through: the facade normalises the text first, the
// number-parsing entry point takes it as it stands.
enum class Entry { Parse, Number };

struct Case {
  const char* text;
  double expected;  // NaN: the evaluation fails (NaN from the facade, nullopt from Number)
  Entry entry = Entry::Parse;
  ODExpressionVariables variables = {};
  double tolerance = 0.0;
};

const Case kCases[] = {
    // Normalisation and tokenizing.
    {"", kNaN},
    {"", kNaN, Entry::Number},
    {" 1 2 ", 12},
    {"1 2", 12, Entry::Number},                   // blanks join the digits of one piece
    {"1\u00A02", 12, Entry::Number},              // so does a no-break space
    {"1\n2\t", 12},
    {"1,5", 1.5},
    {"1:5", 1.5},
    {"1:30", 1.3},
    {"45\u00B0", 45},
    {"50%", 50},
    {"50%%", kNaN},                               // only one "%" is dropped
    {"PI", kPi},
    {"Pi", kPi},
    {"\u03C0", kPi},
    {"\u03A0", kPi},                              // lower-cased to π
    {"PI", kNaN, Entry::Number},
    {"pi", kPi, Entry::Number},
    {"\u03C0", kNaN, Entry::Number},              // π is only known through the facade's dictionary
    {"2pi", kNaN},
    {"2x", kNaN, Entry::Parse, {{"x", 1}}},
    {"2 x", kNaN, Entry::Number, {{"x", 1}}},     // one piece "2x"
    {"sin30", kNaN},
    {"1e3", kNaN},
    {"1.2.3", kNaN},
    {"3=3", kNaN},
    {".", 0},
    {".5", 0.5},
    {"5.", 5},
    {"007", 7},
    {"a", 2, Entry::Parse, {{"a", 2}}},
    {"A", 2, Entry::Parse, {{"a", 2}}},
    {"A", kNaN, Entry::Parse, {{"A", 2}}},        // the text is lowered, the name is not
    {"A", 2, Entry::Number, {{"A", 2}}},
    {"sin(30)", 60, Entry::Parse, {{"sin", 2}}},  // the variable hides the function
    {"i+1", 5, Entry::Parse, {{"i", 4}}},
    {"a*b+c", 5, Entry::Parse, {{"a", 1}, {"b", 2}, {"c", 3}}},
    {"((a+2)/b)+c*sin(30)", 3, Entry::Parse, {{"a", 1}, {"b", 2}, {"c", 3}}, kRounded},
    {"foo", kNaN},
    {"b", kNaN, Entry::Parse, {{"a", 1}}},
    {"1\xFF", kNaN},
    {"1\xFF", kNaN, Entry::Number},
    {"1;2", kNaN},

    // Implicit multiplication.
    {"2(3)", 6},
    {"(2)(3)", 6},
    {"(1+1)3", 6},
    {"2 (3)", 6},
    {"2 (3)", 6, Entry::Number},
    {"(2)pi", 2 * kPi},
    {"a(b)", 6, Entry::Parse, {{"a", 2}, {"b", 3}}},
    {"(2)a", 10, Entry::Parse, {{"a", 5}}},

    // Unary minus and plus.
    {"-3", -3},
    {"--3", 3},
    {"2--3", 5},
    {"2+-3", -1},
    {"2*-3", -6},
    {"-(2+3)", -5},
    {"2^-1", 0.5},
    {"2^-(1+1)", 0.25},
    {"2^--3", 1.5},                               // the second minus is "-1 *": (2^-1) * 3
    {"-2^2", -4},
    {"(-2)^2", 4},
    {"2^-a", 0.125, Entry::Parse, {{"a", 3}}},
    {"+3", kNaN},
    {"2*+3", kNaN},
    {"-", kNaN},
    {"+", kNaN},
    {"*", kNaN},
    {"/", kNaN},
    {"^", kNaN},
    {"%", kNaN, Entry::Number},
    {"3-", kNaN},
    {"2**3", kNaN},

    // Precedence and left grouping.
    {"2+3*4", 14},
    {"2^3^2", 64},
    {"8/2/2", 2},
    {"10-2-3", 5},
    {"7+3%4", 2},
    {"2*7%4", 2},
    {"10%3*2", 4},
    {"-7%3", -1},
    {"7%-3", 1},
    {"5%0", kNaN},                                // a NaN result, not a failure (see below)
    {"100%7%3", 2},

    // Functions, in degrees.
    {"sin(30)", 0.5, Entry::Parse, {}, kRounded},
    {"cos(60)", 0.5, Entry::Parse, {}, kRounded},
    {"tan(45)", 1, Entry::Parse, {}, kRounded},
    {"asin(1)", 90},
    {"acos(0)", 90},
    {"atan(1)", 45},
    {"log(100)", 2},
    {"ln(1)", 0},
    {"sqrt(16)", 4},
    {"round(2.5)", 3},
    {"round(-2.5)", -3},
    {"round(0.49999999999999994)", 0},
    {"round(-0.4)", -0.0},
    {"ceil(1.2)", 2},
    {"ceil(-1.5)", -1},
    {"floor(1.8)", 1},
    {"floor(-1.2)", -2},
    {"abs(-3)", 3},
    {"abs(2-5)*2", 6},
    {"SQRT(16)", 4},
    {"SQRT(16)", kNaN, Entry::Number},            // names are compared exactly
    {"2^-sqrt(4)", 0.25},
    {"2^-sin(30)", 0.7071067811865476, Entry::Parse, {}, kRounded},
    {"2^-abs(-2)", 0.25},
    {"sin(30)^2", 0.25, Entry::Parse, {}, kRounded},
    {"sin(30)cos(60)", 0.25, Entry::Parse, {}, kRounded},
    {"(2)sin(30)", 1, Entry::Parse, {}, kRounded},
    {"-sqrt(4)", -2},
    {"sqrt(sqrt(16))", 2},
    {"sin-30", kNaN},
    {"sin", kNaN},
    {"2sin(30)", kNaN},
    {"sqrt()", kNaN},
    {"sqrt(4)sqrt", kNaN},

    // Parentheses.
    {"()", kNaN},
    {"(", kNaN},
    {")", kNaN},
    {"(1))", kNaN},
    {"((1)", kNaN},
    {")1(", kNaN},
    {"((2))", 2},
    {"-(-(-(2)))", -2},

    // IEEE results are values, not failures.
    {"1/0", kInf},
    {"-1/0", -kInf},
    {"10^400", kInf},
};

std::optional<double> evaluate(const Case& c)
{
  ODExpressionVariables variables = c.variables;
  if (c.entry == Entry::Number) {
    return ODExpressionParser::numberByParsingExpression(c.text, variables);
  }
  const double result = ODExpressionParser::parseExpression(c.text, &variables);
  return std::isnan(result) ? std::nullopt : std::optional<double>(result);
}

void expectCase(const Case& c)
{
  SCOPED_TRACE(std::string(c.entry == Entry::Parse ? "parseExpression: " : "numberByParsingExpression: ") + c.text);
  const std::optional<double> result = evaluate(c);
  if (std::isnan(c.expected)) {
    EXPECT_FALSE(result.has_value()) << *result;
    return;
  }
  ASSERT_TRUE(result.has_value());
  if (c.tolerance > 0) {
    EXPECT_NEAR(*result, c.expected, c.tolerance);
  } else {
    EXPECT_EQ(*result, c.expected);
    EXPECT_EQ(std::signbit(*result), std::signbit(c.expected));
  }
}

TEST(ExpressionParser, EvaluatesEveryRule)
{
  for (const Case& c : kCases) {
    expectCase(c);
  }
}

TEST(ExpressionParser, ReadsNumbersWhateverTheLocale)
{
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr && std::setlocale(LC_ALL, "de_DE.utf8") == nullptr) {
    GTEST_SKIP() << "no comma-decimal locale installed";
  }
  EXPECT_EQ(ODExpressionParser::parseExpression("1.5*2"), 3.0);
  EXPECT_EQ(ODExpressionParser::parseExpression("1,5*2"), 3.0);
  EXPECT_EQ(ODExpressionParser::numberByParsingExpression("0.25"), 0.25);
  std::setlocale(LC_ALL, "C");
}

TEST(ExpressionParser, DomainErrorsAreResultsNotFailures)
{
  for (const char* text : {"0/0", "sqrt(-1)", "5%0", "ln(-1)", "asin(2)"}) {
    SCOPED_TRACE(text);
    const std::optional<double> result = ODExpressionParser::numberByParsingExpression(text);
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(std::isnan(*result));
  }
}

TEST(ExpressionParser, InjectsPiIntoTheCallersDictionary)
{
  ODExpressionVariables variables = {{"pi", 2}, {"a", 1}};
  EXPECT_EQ(ODExpressionParser::parseExpression("pi", &variables), kPi);
  EXPECT_EQ(variables.at("pi"), kPi);
  EXPECT_EQ(variables.at("\u03C0"), kPi);
  EXPECT_EQ(variables.at("a"), 1);

  ODExpressionVariables untouched;
  EXPECT_TRUE(std::isnan(ODExpressionParser::parseExpression("", &untouched)));
  EXPECT_EQ(untouched.size(), 2u);  // stored even when the text is empty

  // "pi" is π whatever the dictionary says, also where nothing replaces it.
  EXPECT_EQ(ODExpressionParser::numberByParsingExpression("pi", {{"pi", 2}}), kPi);
}

TEST(ExpressionParser, NormalisesTypedText)
{
  EXPECT_EQ(ODExpressionParser::prepareExpressionString(""), "");
  EXPECT_EQ(ODExpressionParser::prepareExpressionString(" 1,5 \u00B0 "), "1.5");
  EXPECT_EQ(ODExpressionParser::prepareExpressionString("SIN(A):2%%"), "sin(a).2%");
  EXPECT_EQ(ODExpressionParser::prepareExpressionString("\u2003\u03A0\u2028"), "\u03C0");
  EXPECT_EQ(ODExpressionParser::prepareExpressionString("%"), "");
}

TEST(ExpressionParser, BadInputFailsWithoutCrashing)
{
  const auto nestedOnes = [](size_t depth) {
    return std::string(depth, '(') + "1" + std::string(depth, ')');
  };
  EXPECT_EQ(ODExpressionParser::parseExpression(nestedOnes(EPExpression::kMaxNestingDepth)), 1.0);
  EXPECT_TRUE(std::isnan(ODExpressionParser::parseExpression(nestedOnes(EPExpression::kMaxNestingDepth + 1))));
  EXPECT_TRUE(std::isnan(ODExpressionParser::parseExpression(nestedOnes(40000))));
  EXPECT_TRUE(std::isnan(ODExpressionParser::parseExpression(std::string(90000, '('))));
  EXPECT_TRUE(std::isnan(ODExpressionParser::parseExpression(std::string(90000, ')'))));
  EXPECT_TRUE(std::isnan(ODExpressionParser::parseExpression(std::string(90000, '-'))));

  // Literals too large for a double fail; tiny fractions read as 0.
  EXPECT_TRUE(std::isnan(ODExpressionParser::parseExpression("1" + std::string(400, '0'))));
  EXPECT_TRUE(std::isnan(ODExpressionParser::parseExpression("-1" + std::string(400, '0') + ".5")));
  EXPECT_EQ(ODExpressionParser::parseExpression("1" + std::string(300, '0')), 1e300);
  EXPECT_EQ(ODExpressionParser::parseExpression("0." + std::string(400, '0') + "1"), 0.0);

  // Long input: linear work up to the limit, nothing beyond it.
  std::string sum = "1";
  while (sum.size() + 2 <= ODExpressionParser::kMaxExpressionLength) {
    sum += "+1";
  }
  EXPECT_EQ(ODExpressionParser::parseExpression(sum), static_cast<double>((sum.size() + 1) / 2));
  EXPECT_TRUE(std::isnan(ODExpressionParser::parseExpression(sum + "+1")));
}

TEST(ExpressionParser, DictionaryIsReusedAcrossEvaluations)
{
  // As an expression parameter does: the node refills "a" before every evaluation.
  ODExpressionVariables variables;
  for (int a = 0; a < 5; ++a) {
    variables["a"] = a;
    EXPECT_EQ(ODExpressionParser::parseExpression("a/2", &variables), a / 2.0);
  }
  EXPECT_EQ(variables.size(), 3u);
}

TEST(ExpressionTokens, PrintCopyAndNegate)
{
  const std::string ten = EPNumericalToken(10).toString();
  EXPECT_EQ(ten.substr(ten.find_first_not_of(' ')), "10");
  EXPECT_EQ(ten.size(), 994u);  // "%1000.5lf" less the five fractional zeros and the point
  const std::string twoAndAHalf = EPNumericalToken(2.5).toString();
  EXPECT_EQ(twoAndAHalf.substr(twoAndAHalf.find_first_not_of(' ')), "2.5");

  const auto power = EPPowerOperator::create("^");
  ASSERT_TRUE(power);
  EXPECT_EQ(power->negativeToken(), power);  // operators answer themselves
  EXPECT_FALSE(EPPowerOperator::create("**"));

  const auto sqrt = EPSqrtFunction::create("sqrt");
  ASSERT_TRUE(sqrt);
  const auto negated = std::dynamic_pointer_cast<const EPSqrtFunction>(sqrt->negativeToken());
  ASSERT_TRUE(negated);
  EXPECT_TRUE(negated->negative());
  EXPECT_FALSE(std::static_pointer_cast<const EPSqrtFunction>(negated->copy())->negative());
  const EPTokenPtr value = negated->applyToOperand(EPNumericalToken(9));
  ASSERT_TRUE(value && value->numberValue());
  EXPECT_EQ(*value->numberValue(), -3.0);
  EXPECT_FALSE(sqrt->applyToOperand(*power));  // an operator is no operand
}

TEST(ExpressionTokens, SubExpressionsAndRanges)
{
  const EPDictionaryVariableSource noVariables;
  const EPStandardFunctionSource functions;
  const std::optional<EPTokenString> tokens = EPTokenString::fromExpression("2*(3+(4))-1", noVariables, functions);
  ASSERT_TRUE(tokens);
  ASSERT_EQ(tokens->tokenArray().size(), 11u);

  size_t index = 2;
  const std::optional<EPTokenString> inside = EPExpression::subExpression(*tokens, index);
  ASSERT_TRUE(inside);
  EXPECT_EQ(inside->tokenArray().size(), 5u);  // 3 + ( 4 )
  EXPECT_EQ(index, 8u);
  index = 0;
  EXPECT_FALSE(EPExpression::subExpression(*tokens, index));  // not at a "("

  EXPECT_EQ(tokens->substringWithRange(9, 2).tokenArray().size(), 2u);
  EXPECT_THROW((void)tokens->substringWithRange(10, 2), std::out_of_range);
}

}  // namespace
