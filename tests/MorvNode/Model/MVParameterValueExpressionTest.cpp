#include "MorvNode/Model/MVParameterValueExpression.h"

#include <limits>
#include <optional>

#include <gtest/gtest.h>

#include "ModelTestSupport.h"
#include "MorvNode/Model/MVParameterExpressionVariablesSource.h"

namespace {

// A node-like variables source offering "b".
struct VariablesSource : MVParameterExpressionVariablesSource {
  void updateVariablesForExpressionParameter(MVParameterValueExpression* parameter) override
  {
    ++calls;
    parameter->variablesDictionary().insert_or_assign("b", b);
  }
  double b = 0.0;
  int calls = 0;
};

class ExpressionTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    registerTestNodeClasses();
    source = controller.addNode("TestSourceNode");
    node = controller.addNode("TestProcessNode");
    auto parameter = MVParameterValueExpression::parameterWithName("Formula");
    parameter->setHasInputSocket(true);
    expression = node->addParameter(std::move(parameter));
    undo.records.clear();
  }

  LogCapture log;
  RecordingUndo undo;
  FakeController controller{&undo};
  MVNode* source = nullptr;
  MVNode* node = nullptr;
  MVParameterValueExpression* expression = nullptr;
};

TEST_F(ExpressionTest, EvaluatesWithTheInputAsA)
{
  struct Case {
    const char* text;
    std::optional<double> minimum;
    std::optional<double> maximum;
    double result;
    bool parsingError;
  };
  const Case cases[] = {
      {"a+1", std::nullopt, std::nullopt, 1.0, false},  // unconnected input: a is 0
      {"2 * (a + 3)", std::nullopt, std::nullopt, 6.0, false},
      {"100", std::nullopt, 10.0, 10.0, false},
      {"2 +", std::nullopt, std::nullopt, 0.0, true},
      {"2 +", 4.0, std::nullopt, 4.0, true},  // the failed 0 is still limited
      {"x", std::nullopt, std::nullopt, 0.0, true},
      {"", std::nullopt, std::nullopt, 0.0, true},
      {"1/0", std::nullopt, std::nullopt, std::numeric_limits<double>::max(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    auto parameter = MVParameterValueExpression::parameterWithName("Formula");
    parameter->setHasInputSocket(true);
    parameter->setupSockets();
    if (c.minimum) {
      parameter->setMinValueLimit(*c.minimum);
    }
    if (c.maximum) {
      parameter->setMaxValueLimit(*c.maximum);
    }
    parameter->setExpressionString(c.text);
    EXPECT_EQ(parameter->valueForSocketIndex(0), c.result);
    EXPECT_EQ(parameter->value(), c.result);
    EXPECT_EQ(parameter->parsingErrorFlag(), c.parsingError);
  }
}

TEST_F(ExpressionTest, ConnectedInputAndVariablesSourceAreReadOnEveryPull)
{
  VariablesSource variables;
  expression->setExpressionVariablesSource(&variables);
  expression->setExpressionString("a*b");
  source->valueParameterNamed("Value")->setValue(4.0);
  ASSERT_NE(controller.connect(source->parameterNamed("Value"), expression), nullptr);
  variables.b = 2.5;
  EXPECT_EQ(expression->valueForSocketIndex(0), 10.0);
  variables.b = 3.0;
  EXPECT_EQ(expression->valueForSocketIndex(0), 12.0);  // nothing cached
  EXPECT_EQ(variables.calls, 2);

  expression->setExpressionString("a +");
  expression->valueForSocketIndex(0);
  EXPECT_TRUE(expression->parsingErrorFlag());
  expression->setExpressionString("a");
  EXPECT_EQ(expression->valueForSocketIndex(0), 4.0);
  EXPECT_FALSE(expression->parsingErrorFlag());  // the next success clears it
}

TEST_F(ExpressionTest, SetValueChangesNothingAndTextChangesAreUndoable)
{
  expression->valueForSocketIndex(0);
  expression->setValue(5.0);
  EXPECT_EQ(expression->value(), 1.0);

  expression->setExpressionString("a+2");
  expression->setExpressionString("a+2");
  ASSERT_EQ(undo.records.size(), 1u);
  EXPECT_EQ(undo.records[0].actionName, "change expression");
  EXPECT_EQ(undo.records[0].state.find("propertyValue")->stringOr(), "a+1");
  // The change was pushed: the node heard of it.
  EXPECT_TRUE(expression->needsToUpdate());

  expression->revertProperty("expressionString", *undo.records[0].state.find("propertyValue"));
  EXPECT_EQ(expression->expressionString(), "a+1");
  EXPECT_EQ(expression->description(), "<MVParameterValueExpression [Change Process 'Formula'] expression:a+1 value:0>");
}

TEST_F(ExpressionTest, RecordsNeedTheExpression)
{
  expression->setExpressionString("sin(30)*a");
  const pf::PlistValue::Dictionary record = expression->descriptionDictionary();
  EXPECT_EQ(record.find("Expression")->stringOr(), "sin(30)*a");
  EXPECT_EQ(record.find("Value")->asReal(), 0.0);

  auto loaded = MVParameterValueExpression::parameterWithName("Formula");
  EXPECT_TRUE(loaded->loadDescriptionDictionary(record));
  EXPECT_EQ(loaded->expressionString(), "sin(30)*a");

  pf::PlistValue::Dictionary withoutText = record;
  withoutText.erase("Expression");
  EXPECT_FALSE(loaded->loadDescriptionDictionary(withoutText));
  EXPECT_EQ(log.countContaining("loadDescriptionDictionary, missing Expression string key"), 1);
}

}  // namespace
