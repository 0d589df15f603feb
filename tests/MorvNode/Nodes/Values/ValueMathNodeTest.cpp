#include "MorvNode/Nodes/Values/ValueMathNode.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "MorvNode/Nodes/NodeTestSupport.h"
#include "MorvNode/Nodes/Values/ValueMiniMathNode.h"
#include "MorvNode/Nodes/Values/ValueNode.h"

namespace {

class ValueMathNodeTest : public NodeGraphTest {
protected:
  // A plain value node holding `value`, its output connected to `input`.
  ValueNode* feed(MVParameter* input, double value)
  {
    auto* source = add<ValueNode>("ValueNode");
    source->valueParameter()->setValue(value);
    controller().addConnectionFromSocket(source->valueParameter()->outputSocket(), input->inputSocket());
    return source;
  }
  static bool warns(MVNode* node, const std::string& message)
  {
    node->checkWarnings();
    const auto& messages = node->warningMessages();
    return std::find(messages.begin(), messages.end(), message) != messages.end();
  }
};

struct ExpressionCase {
  std::string expression;
  double result;
  bool parseError;
};

TEST_F(ValueMathNodeTest, EvaluatesTheExpressionWithTheThreeInputsAsVariables)
{
  auto* math = add<ValueMathNode>("ValueMathNode");
  MVParameterValueExpression& value = math->expressionParameter();
  EXPECT_EQ(value.valueForSocketIndex(0), 5.0);  // 1*2+3

  feed(math->parameterNamed("A"), 4.0);
  const std::vector<ExpressionCase> cases{
      {"a*b+c", 11.0, false},
      {"((a+2)/b)+c", 6.0, false},
      {"sqrt(a)/2", 1.0, false},
      {"a+d", 0.0, true},
  };
  for (const ExpressionCase& c : cases) {
    SCOPED_TRACE(c.expression);
    value.setExpressionString(c.expression);
    EXPECT_EQ(value.valueForSocketIndex(0), c.result);
    EXPECT_EQ(value.parsingErrorFlag(), c.parseError);
  }
}

TEST_F(ValueMathNodeTest, AProposedNumberPassesThroughAndAColourChangesNothing)
{
  auto* math = add<ValueMathNode>("ValueMathNode");
  math->setProposedValue(7.0);
  EXPECT_EQ(math->expressionParameter().expressionString(), "a");
  EXPECT_EQ(math->expressionParameter().valueForSocketIndex(0), 7.0);

  math->setProposedValue(pf::Color::white());
  EXPECT_EQ(math->expressionParameter().expressionString(), "a");
  EXPECT_EQ(log.countContaining("setProposedValue"), 1);
}

TEST_F(ValueMathNodeTest, SimpleMathReadsItsOwnInputAsAAndZeroOnceDisconnected)
{
  auto* mini = add<ValueMiniMathNode>("ValueMiniMathNode");
  MVParameterValueExpression& value = mini->expressionParameter();
  EXPECT_FALSE(mini->hasNodeHeader());
  EXPECT_EQ(value.valueForSocketIndex(0), 0.0);  // a = 0, 0/2

  ValueNode* source = feed(&value, 6.0);
  EXPECT_EQ(value.valueForSocketIndex(0), 3.0);
  controller().removeConnection(source->valueParameter()->outputSocket()->outputConnections().front());
  EXPECT_EQ(value.valueForSocketIndex(0), 0.0);

  // Only a (and pi) are variables here.
  value.setExpressionString("b+1");
  EXPECT_EQ(value.valueForSocketIndex(0), 0.0);
  EXPECT_TRUE(value.parsingErrorFlag());
}

TEST_F(ValueMathNodeTest, SimpleMathWarnsAboutAnUnconnectedASocketOnlyWhenItsOutputIsUsed)
{
  const std::string warning = "No value is connected to the a-socket, so 'a' will be given the value 0.";
  auto* mini = add<ValueMiniMathNode>("ValueMiniMathNode");
  EXPECT_FALSE(warns(mini, warning));  // nothing downstream

  auto* sink = add<ValueNode>("ValueNode");
  controller().addConnectionFromSocket(mini->expressionParameter().outputSocket(),
                                       sink->valueParameter()->inputSocket());
  EXPECT_TRUE(warns(mini, warning));
  // Any letter a counts, even inside a function name.
  mini->expressionParameter().setExpressionString("atan(1)");
  EXPECT_TRUE(warns(mini, warning));
  mini->expressionParameter().setExpressionString("pi");
  EXPECT_FALSE(warns(mini, warning));

  mini->expressionParameter().setExpressionString("a/2");
  feed(&mini->expressionParameter(), 1.0);
  EXPECT_FALSE(warns(mini, warning));
}

}  // namespace
