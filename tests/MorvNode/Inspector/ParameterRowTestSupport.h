#pragma once

#include <memory>
#include <string>
#include <utility>

#include <QApplication>
#include <QWidget>

#include "MorvNode/Document/DocumentTestSupport.h"
#include "MorvNode/Inspector/MVParameterRows.h"
#include "MorvNode/Inspector/MVParameterView.h"
#include "MorvNode/Model/MVInterfaceFactories.h"
#include "MorvNode/Model/MVNode.h"
#include "Support/UiTestSupport.h"

// A real document (undo included) on a manual run loop, an offscreen application with one shown
// window, and the rows of every parameter kind registered. Parameters are added to a shape node
// and get their row as the node view would make it; user input inside step() is one undo step.
class ParameterRowTest : public DocumentFixture {
protected:
  ParameterRowTest()
  {
    MVParameterView::registerBaseRows();
    MVParameterRows::registerRows();
    window.resize(400, 400);
    node = add("EditTestShapeNode");
  }
  ~ParameterRowTest() override
  {
    // The rows go with the window before their parameters' adapters do.
    delete windowPointer_;
    MVInterfaceFactories::shared().clear();
  }

  // Adds the parameter to the node and builds its row in the window, 140 points wide.
  template <class Kind, class Row = MVParameterView>
  Row* addRow(std::unique_ptr<Kind> parameter, Kind** added = nullptr)
  {
    Kind* kind = parameter.get();
    node->addParameter(std::move(parameter));
    if (added != nullptr) {
      *added = kind;
    }
    kind->setParameterView(MVInterfaceFactories::shared().makeParameterView(*kind));
    MVParameterView* row = MVParameterView::rowOf(*kind);
    if (row == nullptr) {
      return nullptr;
    }
    row->setParent(&window);
    row->setGeometry(10, nextY_, 140, 100);
    row->setParameter(kind);
    row->initInterface();
    row->updateInterface();
    row->show();
    nextY_ += row->height() + 10;
    return dynamic_cast<Row*>(row);
  }
  void showWindow()
  {
    window.show();
    window.activateWindow();
    QApplication::processEvents();
  }

  int argc_ = 1;
  char name_[9] = "ui_tests";
  char* argv_[2] = {name_, nullptr};
  QApplication application_{argc_, argv_};
  testsupport::RecordingAlerts alerts;
  QWidget* windowPointer_ = new QWidget;
  QWidget& window = *windowPointer_;
  MVNode* node = nullptr;

private:
  int nextY_ = 10;
};
