#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MorvNode/Document/DocumentTestSupport.h"
#include "MorvNode/Model/MVConnection.h"
#include "MorvNode/Model/MVParameterSocket.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"

namespace {

::testing::AssertionResult sameRecord(const pf::PlistValue& actual, const pf::PlistValue& expected)
{
  if (actual == expected) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "graph record\n"
                                       << actual.description() << "\nexpected\n"
                                       << expected.description();
}

// Long editing sessions drawn from a seeded generator: every step is undone back to the empty
// document and redone again, and the saved graph must match the record taken after each step.
class EditingSessionTest : public DocumentFixture, public ::testing::WithParamInterface<unsigned> {
protected:
  // The saved graph without the values of connected inputs and of outputs computed by their
  // node: those hold the last value pulled, which depends on whether a generation ran since.
  pf::PlistValue sessionRecord() const
  {
    pf::PlistValue::Array nodeRecords;
    for (const auto& node : controller.nodeArray()) {
      pf::PlistValue::Dictionary record = node->descriptionDictionary();
      pf::PlistValue::Array parameterRecords = *record.find("Parameters")->asArray();
      for (std::size_t index = 0; index < parameterRecords.size(); ++index) {
        if (node->parameters()[index]->hasConnectedInput() || node->parameters()[index]->hasValueSource()) {
          pf::PlistValue::Dictionary parameterRecord = *parameterRecords[index].asDictionary();
          parameterRecord.erase("Value");
          parameterRecord.erase("Color");
          parameterRecords[index] = pf::PlistValue(std::move(parameterRecord));
        }
      }
      record.set("Parameters", pf::PlistValue(std::move(parameterRecords)));
      nodeRecords.emplace_back(std::move(record));
    }
    pf::PlistValue::Dictionary record;
    record.set("Nodes", pf::PlistValue(std::move(nodeRecords)));
    record.set("Connections", pf::PlistValue(controller.connectionDescriptionsArray()));
    return pf::PlistValue(std::move(record));
  }

  template <class T>
  T* pick(std::vector<T*> items)
  {
    if (items.empty()) {
      return nullptr;
    }
    return items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(random)];
  }
  std::vector<MVNode*> nodes(bool withArtboard) const
  {
    std::vector<MVNode*> list;
    for (const auto& node : controller.nodeArray()) {
      if (withArtboard || node->className() != "ArtboardNode") {
        list.push_back(node.get());
      }
    }
    return list;
  }
  std::vector<MVParameterSocket*> sockets(bool outputs) const
  {
    std::vector<MVParameterSocket*> list;
    for (const auto& node : controller.nodeArray()) {
      for (const auto& parameter : node->parameters()) {
        for (const auto& socket : outputs ? parameter->outputSockets() : parameter->inputSockets()) {
          list.push_back(socket.get());
        }
      }
    }
    return list;
  }
  std::vector<MVConnection*> connections() const
  {
    std::vector<MVConnection*> list;
    for (const auto& connection : controller.connectionArray()) {
      list.push_back(connection.get());
    }
    return list;
  }
  std::string randomClass()
  {
    static const std::vector<std::string> classes{"TestSourceNode", "TestProcessNode", "EditTestShapeNode",
                                                  "TestElementNode"};
    return classes[std::uniform_int_distribution<std::size_t>(0, classes.size() - 1)(random)];
  }

  // One random edit as one undo step; false when nothing fitted.
  bool randomStep()
  {
    const int kind = std::uniform_int_distribution<int>(0, 14)(random);
    const pf::Point location(std::uniform_int_distribution<int>(0, 30)(random) * 20.0,
                             std::uniform_int_distribution<int>(0, 10)(random) * 20.0);
    switch (kind) {
    case 0:
    case 1: {
      const std::string nodeClass = randomClass();
      const bool autoConnect = std::uniform_int_distribution<int>(0, 1)(random) == 1;
      return add(nodeClass, location, autoConnect) != nullptr;
    }
    case 2:
    case 3: {
      MVParameterSocket* from = pick(sockets(true));
      MVParameterSocket* to = pick(sockets(false));
      if (from == nullptr || to == nullptr || from->socketType() != to->socketType() ||
          from->parameter()->node() == to->parameter()->node()) {
        return false;
      }
      return step([&] {
        document.storeCurrentConnectionsUndoState("adding connection");
        return controller.addConnectionFromSocket(from, to) != nullptr;
      });
    }
    case 4: {
      MVNode* node = pick(nodes(true));
      return node != nullptr && (step([&] { controller.removeNode(node); }), true);
    }
    case 5: {
      MVNode* node = pick(nodes(false));
      return node != nullptr && step([&] { return controller.duplicateNode(node) != nullptr; });
    }
    case 6: {
      MVNode* node = pick(nodes(false));
      const std::string nodeClass = randomClass();
      if (node == nullptr || node->className() == nodeClass) {
        return false;
      }
      step([&] { controller.replaceNode(node, nodeClass); });
      return true;
    }
    case 7: {
      MVNode* node = pick(nodes(false));
      return node != nullptr && (step([&] { controller.unlinkNode(node, false); }), true);
    }
    case 8:
    case 9: {
      // An edit of a random parameter of any node, the artboard included, as the inspector
      // makes it.
      MVNode* node = pick(nodes(true));
      if (node == nullptr || node->parameters().empty()) {
        return false;
      }
      std::vector<MVParameter*> parameters;
      for (const auto& parameter : node->parameters()) {
        parameters.push_back(parameter.get());
      }
      MVParameter* parameter = pick(parameters);
      const int choice = std::uniform_int_distribution<int>(0, 3)(random);
      const double number = std::uniform_int_distribution<int>(1, 100)(random);
      if (auto* twoAxis = dynamic_cast<MVParameterValue2D*>(parameter)) {
        step([&] {
          if (choice == 0) {
            twoAxis->setAspectLocked(!twoAxis->aspectLocked());
          } else if (choice == 1) {
            twoAxis->setValueY(number);
          } else {
            twoAxis->setValueX(number);
          }
        });
      } else if (auto* value = dynamic_cast<MVParameterValue*>(parameter)) {
        step([&] { value->setValue(number); });
      } else if (auto* flag = dynamic_cast<MVParameterBool*>(parameter)) {
        step([&] { flag->setValue(!flag->value()); });
      } else if (auto* color = dynamic_cast<MVParameterColor*>(parameter)) {
        step([&] { color->setColor(pf::Color::rgb(number / 100.0, 0.5, 0.25)); });
      } else if (choice == 3 && node->canDisable()) {
        step([&] { node->setEnabled(!node->enabled()); });
      } else {
        return false;
      }
      return true;
    }
    case 10: {
      MVNode* node = pick(nodes(false));
      const std::string nodeClass = randomClass();
      return node != nullptr && step([&] { return controller.addNodeOfClass(nodeClass, node) != nullptr; });
    }
    case 11: {
      MVConnection* connection = pick(connections());
      return connection != nullptr && (step([&] {
                                         document.storeCurrentConnectionsUndoState("deleting connection");
                                         controller.removeConnection(connection);
                                       }),
                                       true);
    }
    case 12: {
      MVNode* node = pick(nodes(false));
      return node != nullptr && (step([&] { node->reverseConnectionOrder(); }), true);
    }
    default: {
      MVConnection* connection = pick(connections());
      if (connection == nullptr) {
        return false;
      }
      const std::string nodeClass = randomClass();
      return step([&] { return controller.addNodeOfClassOnConnection(nodeClass, connection, location) != nullptr; });
    }
    }
  }

  std::mt19937 random{GetParam()};
};

TEST_P(EditingSessionTest, UndoAllAndRedoAllRestoreEveryRecord)
{
  pf::setLogEcho(false);
  std::vector<pf::PlistValue> records;
  records.reserve(64);
  records.push_back(sessionRecord());
  ASSERT_NE(add("ArtboardNode"), nullptr);
  records.push_back(sessionRecord());
  for (int attempt = 0; attempt < 200 && records.size() < 60; ++attempt) {
    const bool stepped = randomStep();
    // Generate after most steps, so that the pull runs over what each edit left behind.
    if (attempt % 3 != 0) {
      runLoop.advance(0.01);
    }
    if (stepped && !(sessionRecord() == records.back())) {
      records.push_back(sessionRecord());
    } else {
      ASSERT_TRUE(sameRecord(sessionRecord(), records.back()));
    }
  }
  // A step that changed nothing may leave an empty step behind; every other undo must land
  // exactly on the record before it.
  std::size_t index = records.size() - 1;
  for (int guard = 0; document.undoManager()->canUndo() && guard < 400; ++guard) {
    SCOPED_TRACE(testing::Message() << "undo back from step " << index);
    undo();
    runLoop.advance(0.01);
    if (!(sessionRecord() == records[index])) {
      ASSERT_GT(index, 0U);
      ASSERT_TRUE(sameRecord(sessionRecord(), records[--index]));
    }
  }
  EXPECT_EQ(index, 0U);
  EXPECT_GE(records.size(), 30U);
  EXPECT_FALSE(document.undoManager()->canUndo());
  for (int guard = 0; document.undoManager()->canRedo() && guard < 400; ++guard) {
    SCOPED_TRACE(testing::Message() << "redo from step " << index);
    redo();
    runLoop.advance(0.01);
    if (!(sessionRecord() == records[index])) {
      ASSERT_LT(index + 1, records.size());
      ASSERT_TRUE(sameRecord(sessionRecord(), records[++index]));
    }
  }
  EXPECT_EQ(index, records.size() - 1);
  pf::setLogEcho(true);
}

INSTANTIATE_TEST_SUITE_P(Seeds, EditingSessionTest, ::testing::Range(1U, 21U));
// Sessions in which undoing a flag must show an input again before its connection can come back.
INSTANTIATE_TEST_SUITE_P(HiddenInputSeeds, EditingSessionTest, ::testing::Values(27U, 299U));

}  // namespace
