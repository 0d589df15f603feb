#include "Platform/UndoManager.h"

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Support/LogCapture.h"

#include "Platform/Log.h"
#include "Platform/ManualRunLoop.h"

namespace {

using testsupport::LogCapture;

// One value whose setter registers its own inverse, as model objects do: undo sets the old value
// and so registers the redo.
class UndoManagerTest : public testing::Test {
protected:
  UndoManagerTest() { pf::RunLoop::setCurrent(&loop_); }
  ~UndoManagerTest() override { pf::RunLoop::setCurrent(nullptr); }

  void set(int newValue)
  {
    const int old = value_;
    undo_.registerUndo([this, old] { set(old); });
    value_ = newValue;
  }

  // One user action: one pass of the run loop.
  void edit(int newValue, const std::string& name)
  {
    loop_.runEvent([&] {
      undo_.setActionName(name);
      set(newValue);
    });
  }

  pf::ManualRunLoop loop_;
  pf::UndoManager undo_;
  int value_ = 0;
};

TEST_F(UndoManagerTest, EverythingRegisteredInOnePassIsOneStep)
{
  loop_.runEvent([&] {
    set(1);
    set(2);
    set(3);
    EXPECT_EQ(undo_.groupingLevel(), 1);
    EXPECT_TRUE(undo_.canUndo());
  });
  EXPECT_EQ(undo_.groupingLevel(), 0);
  loop_.runEvent([&] { set(4); });
  loop_.runEvent([] {});  // a pass without registrations adds no step

  undo_.undo();
  EXPECT_EQ(value_, 3);
  undo_.undo();
  EXPECT_EQ(value_, 0);
  EXPECT_FALSE(undo_.canUndo());
  undo_.redo();
  EXPECT_EQ(value_, 3);
  undo_.redo();
  EXPECT_EQ(value_, 4);
  EXPECT_FALSE(undo_.canRedo());
}

TEST_F(UndoManagerTest, TimerFiresArePassesToo)
{
  pf::Timer first = loop_.scheduleOneShot(0.1, [&] { set(1); });
  pf::Timer second = loop_.scheduleOneShot(0.1, [&] { set(2); });
  loop_.advance(0.1);
  undo_.undo();
  EXPECT_EQ(value_, 1);
}

TEST_F(UndoManagerTest, UndoInsideThePassRevertsThePassSoFar)
{
  loop_.runEvent([&] {
    set(5);
    set(6);
    undo_.undo();
    EXPECT_EQ(value_, 0);
    EXPECT_EQ(undo_.groupingLevel(), 0);
  });
  EXPECT_TRUE(undo_.canRedo());
  undo_.redo();
  EXPECT_EQ(value_, 6);
}

TEST_F(UndoManagerTest, UndoRunsActionsInReverseAndRedoReplaysInOrder)
{
  std::vector<std::string> trace;
  // Each action records itself and registers its inverse under the same label.
  std::function<void(std::string)> step = [&](std::string label) {
    trace.push_back(label);
    undo_.registerUndo([&, label] { step(label); });
  };
  loop_.runEvent([&] {
    undo_.registerUndo([&] { step("a"); });
    undo_.beginUndoGrouping();
    undo_.registerUndo([&] { step("b"); });
    undo_.beginUndoGrouping();
    undo_.registerUndo([&] { step("c"); });
    undo_.endUndoGrouping();
    undo_.endUndoGrouping();
    undo_.registerUndo([&] { step("d"); });
  });
  undo_.undo();
  EXPECT_EQ(trace, (std::vector<std::string>{"d", "c", "b", "a"}));
  trace.clear();
  undo_.redo();
  EXPECT_EQ(trace, (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_FALSE(undo_.canRedo());
}

TEST_F(UndoManagerTest, EndOfStepActionsRunAfterTheStepInsideItsReverse)
{
  std::vector<std::string> trace;
  // "late" defers itself to the end of the step it is replayed in; its inverse does the same.
  std::function<void(std::string)> step = [&](std::string label) {
    trace.push_back(label);
    undo_.registerUndo([&, label] { step(label); });
  };
  std::function<void()> late = [&] {
    undo_.performAtEndOfStep([&] {
      trace.push_back("late");
      undo_.registerUndo(late);
    });
  };
  loop_.runEvent([&] {
    undo_.registerUndo([&] { step("a"); });
    undo_.registerUndo(late);
    undo_.registerUndo([&] { step("b"); });
  });
  undo_.undo();
  EXPECT_EQ(trace, (std::vector<std::string>{"b", "a", "late"}));
  trace.clear();
  undo_.redo();  // one step: the deferred action's inverse joined the reverse step
  EXPECT_EQ(trace, (std::vector<std::string>{"a", "b", "late"}));
  EXPECT_FALSE(undo_.canRedo());

  trace.clear();
  undo_.performAtEndOfStep([&] { trace.push_back("now"); });  // outside a replay: at once
  EXPECT_EQ(trace, std::vector<std::string>{"now"});
}

TEST_F(UndoManagerTest, ExplicitGroupSpanningPassesIsOneStep)
{
  // A drag: the first movement opens a group, the release closes it, several passes apart.
  loop_.runEvent([&] {
    undo_.beginUndoGrouping();
    set(1);
  });
  EXPECT_EQ(undo_.groupingLevel(), 2);
  EXPECT_FALSE(undo_.canUndo());
  loop_.runEvent([&] { set(2); });
  loop_.runEvent([&] {
    set(3);
    undo_.setActionName("drag");
    undo_.endUndoGrouping();
  });
  EXPECT_EQ(undo_.groupingLevel(), 0);
  EXPECT_EQ(undo_.undoActionName(), "drag");
  undo_.undo();
  EXPECT_EQ(value_, 0);
  EXPECT_FALSE(undo_.canUndo());
}

TEST_F(UndoManagerTest, ActionNamesFollowTheirStepsAcrossUndoAndRedo)
{
  edit(1, "first");
  edit(2, "second");
  struct Expect {
    const char* command;
    int value;
    const char* undoName;
    const char* redoName;
  };
  const Expect steps[] = {
      {"start", 2, "second", ""},  {"undo", 1, "first", "second"}, {"undo", 0, "", "first"},
      {"redo", 1, "first", "second"}, {"redo", 2, "second", ""},
  };
  for (const Expect& expect : steps) {
    SCOPED_TRACE(expect.command);
    const std::string command = expect.command;
    if (command == "undo") {
      undo_.undo();
    } else if (command == "redo") {
      undo_.redo();
    }
    EXPECT_EQ(value_, expect.value);
    EXPECT_EQ(undo_.undoActionName(), expect.undoName);
    EXPECT_EQ(undo_.redoActionName(), expect.redoName);
  }
}

TEST_F(UndoManagerTest, NameSetBeforeTheGroupOpensNamesTheStep)
{
  // Adding a node: the name first, then a group around the registrations, then the name again.
  loop_.runEvent([&] {
    undo_.setActionName("adding shape node");
    undo_.beginUndoGrouping();
    set(1);
    set(2);
    undo_.setActionName("adding shape node");
    undo_.endUndoGrouping();
    EXPECT_EQ(undo_.undoActionName(), "adding shape node");
  });
  EXPECT_EQ(undo_.undoActionName(), "adding shape node");
  undo_.undo();
  EXPECT_EQ(undo_.redoActionName(), "adding shape node");
}

TEST_F(UndoManagerTest, UndoAndRedoStatesAreVisibleToActions)
{
  std::vector<std::string> states;
  std::function<void()> probe = [&] {
    states.push_back(undo_.isUndoing() ? "undoing" : undo_.isRedoing() ? "redoing" : "idle");
    undo_.registerUndo(probe);
  };
  loop_.runEvent([&] { undo_.registerUndo(probe); });
  undo_.undo();
  undo_.redo();
  undo_.undo();
  EXPECT_EQ(states, (std::vector<std::string>{"undoing", "redoing", "undoing"}));
  EXPECT_FALSE(undo_.isUndoing());
}

TEST_F(UndoManagerTest, RegistrationSwitchIsACounter)
{
  LogCapture log;
  undo_.disableUndoRegistration();
  undo_.disableUndoRegistration();
  edit(1, "ignored");
  undo_.enableUndoRegistration();
  EXPECT_FALSE(undo_.isUndoRegistrationEnabled());
  edit(2, "ignored too");
  EXPECT_FALSE(undo_.canUndo());
  undo_.enableUndoRegistration();
  EXPECT_TRUE(undo_.isUndoRegistrationEnabled());
  edit(3, "kept");
  // An extra enable is logged and does not bank a later disable.
  undo_.enableUndoRegistration();
  EXPECT_EQ(log.lines().size(), 1u);
  undo_.disableUndoRegistration();
  EXPECT_FALSE(undo_.isUndoRegistrationEnabled());
  undo_.enableUndoRegistration();
  undo_.undo();
  EXPECT_EQ(value_, 2);
  EXPECT_FALSE(undo_.canUndo());
}

TEST_F(UndoManagerTest, NewActionClearsRedoButUndoAndRedoDoNot)
{
  edit(1, "one");
  edit(2, "two");
  undo_.undo();
  undo_.undo();
  undo_.redo();
  EXPECT_TRUE(undo_.canRedo());  // the redo registered an undo without clearing redo
  edit(5, "five");
  EXPECT_FALSE(undo_.canRedo());
  EXPECT_EQ(undo_.redoActionName(), "");
  undo_.undo();
  EXPECT_EQ(value_, 1);
}

TEST_F(UndoManagerTest, EmptyGroupsAreDropped)
{
  edit(1, "real");
  loop_.runEvent([&] {
    undo_.setActionName("nothing happened");
    undo_.beginUndoGrouping();
    undo_.endUndoGrouping();
  });
  EXPECT_EQ(undo_.undoActionName(), "real");
  undo_.undo();
  EXPECT_FALSE(undo_.canUndo());
}

TEST_F(UndoManagerTest, MisuseIsLoggedAndTheManagerStaysUsable)
{
  LogCapture log;
  undo_.endUndoGrouping();
  EXPECT_EQ(undo_.groupingLevel(), 0);

  // Undo with an explicit group still open is refused.
  loop_.runEvent([&] {
    undo_.beginUndoGrouping();
    set(1);
    undo_.undo();
    EXPECT_EQ(value_, 1);
    undo_.endUndoGrouping();
  });

  // An action that throws is logged; the others run and the redo step still forms.
  loop_.runEvent([&] {
    set(2);
    undo_.registerUndo([] { throw std::runtime_error("broken record"); });
    set(3);
  });
  undo_.undo();
  EXPECT_EQ(value_, 1);
  EXPECT_TRUE(undo_.canRedo());

  // An action that leaves a group open has it closed for it.
  loop_.runEvent([&] {
    undo_.registerUndo([&] { undo_.beginUndoGrouping(); });
  });
  undo_.undo();
  EXPECT_EQ(undo_.groupingLevel(), 0);
  EXPECT_EQ(log.lines().size(), 4u);

  undo_.undo();
  EXPECT_EQ(value_, 0);
}

TEST_F(UndoManagerTest, RemoveAllActionsEmptiesStacksAndOpenGroups)
{
  edit(1, "one");
  edit(2, "two");
  undo_.undo();
  loop_.runEvent([&] {
    undo_.beginUndoGrouping();
    set(7);
    undo_.removeAllActions();
  });
  EXPECT_EQ(undo_.groupingLevel(), 0);
  EXPECT_FALSE(undo_.canUndo());
  EXPECT_FALSE(undo_.canRedo());
  edit(8, "after");
  EXPECT_EQ(undo_.undoActionName(), "after");
}

TEST_F(UndoManagerTest, WithoutGroupingByEventEachRegistrationNeedsAGroup)
{
  LogCapture log;
  undo_.setGroupsByEvent(false);
  loop_.runEvent([&] {
    set(1);
    set(2);
  });
  EXPECT_EQ(log.lines().size(), 2u);  // each became a step of its own
  undo_.undo();
  EXPECT_EQ(value_, 1);

  loop_.runEvent([&] {
    undo_.beginUndoGrouping();
    set(3);
  });
  EXPECT_EQ(undo_.groupingLevel(), 1);  // the end of the pass does not close an explicit group
  undo_.endUndoGrouping();
  undo_.undo();
  EXPECT_EQ(value_, 1);
}

TEST(UndoManagerWithoutRunLoop, PassGroupWaitsForAnExplicitClose)
{
  LogCapture log;
  pf::UndoManager undo;
  int value = 0;
  undo.registerUndo([&] { value = 1; });
  undo.registerUndo([&] { value = 2; });
  EXPECT_EQ(log.lines().size(), 1u);
  undo.closeEventGroup();
  EXPECT_EQ(undo.groupingLevel(), 0);
  undo.undo();
  EXPECT_EQ(value, 1);
}

// What tells a document's window whether it differs from the saved file.
TEST_F(UndoManagerTest, ContentStateComesBackWithUndoAndRedoAndChangesWithNewEdits)
{
  const unsigned long long empty = undo_.contentState();
  edit(1, "one");
  const unsigned long long afterOne = undo_.contentState();
  EXPECT_NE(afterOne, empty);
  edit(2, "two");
  const unsigned long long afterTwo = undo_.contentState();
  EXPECT_NE(afterTwo, afterOne);

  undo_.undo();
  EXPECT_EQ(undo_.contentState(), afterOne);
  undo_.redo();
  EXPECT_EQ(undo_.contentState(), afterTwo);
  undo_.undo();
  undo_.undo();
  EXPECT_EQ(undo_.contentState(), empty);

  // A different edit from the same starting point is a different content.
  edit(3, "three");
  EXPECT_NE(undo_.contentState(), afterOne);
  EXPECT_NE(undo_.contentState(), afterTwo);

  // An edit still in the pass's open group already counts as a change.
  const unsigned long long beforePending = undo_.contentState();
  set(4);
  EXPECT_NE(undo_.contentState(), beforePending);
  undo_.closeEventGroup();
  const unsigned long long closed = undo_.contentState();
  EXPECT_NE(closed, beforePending);
}

}  // namespace
