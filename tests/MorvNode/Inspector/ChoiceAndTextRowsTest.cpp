#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "MorvNode/Inspector/MVParameterBoolView.h"
#include "MorvNode/Inspector/MVParameterChangeModeView.h"
#include "MorvNode/Inspector/MVParameterColorView.h"
#include "MorvNode/Inspector/MVParameterFontView.h"
#include "MorvNode/Inspector/MVFontPanel.h"
#include "MorvNode/Inspector/MVParameterIndexSegmentView.h"
#include "MorvNode/Inspector/MVParameterIndexView.h"
#include "MorvNode/Inspector/MVParameterStringView.h"
#include "MorvNode/Inspector/MVParameterValueExpressionView.h"
#include "MorvNode/Inspector/MVParameterValueFunctionView.h"
#include "MorvNode/Inspector/MVSegmentedControl.h"
#include "MorvNode/Inspector/MyColorWell.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterFont.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterString.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "MorvNode/Model/MVParameterValueFunction.h"
#include "ParameterRowTestSupport.h"
#include "Platform/Font.h"

namespace {

using ChoiceAndTextRowsTest = ParameterRowTest;

std::unique_ptr<MVParameterIndex> choice(const std::string& name, int interfaceType)
{
  auto parameter = MVParameterIndex::parameterWithName(name);
  parameter->setLayoutInterfaceType(interfaceType);
  parameter->setIndexDisplayNames({"Circle", "Square", "-", "Star"});
  parameter->setIndexIcons({"icon_a", "icon_b", "", "icon_c"});
  return parameter;
}

TEST_F(ChoiceAndTextRowsTest, PopupSeparatorsKeepTheIndexesOfTheEntries)
{
  MVParameterIndex* index = nullptr;
  auto* row = addRow<MVParameterIndex, MVParameterIndexView>(choice("Shape", 0), &index);
  ASSERT_NE(row, nullptr);
  QComboBox* popup = row->parameterPopupButton();
  ASSERT_EQ(popup->count(), 4);
  EXPECT_EQ(popup->itemText(3), "Star");
  step([&] {
    popup->setCurrentIndex(3);
    row->valueControlChanged(popup);
  });
  EXPECT_EQ(index->index(), 3);
  undo();
  EXPECT_EQ(index->index(), 0);

  // New entries reach the pop-up at the next refresh.
  step([&] {
    index->setIndexNames({"one", "two"});
    index->setIndexDisplayNames({"One", "Two"});
  });
  row->updateInterface();
  EXPECT_EQ(popup->count(), 2);
  EXPECT_FALSE(index->indexesChanged());
}

TEST_F(ChoiceAndTextRowsTest, ClickingTheChosenSegmentTurnsTheChoiceOff)
{
  MVParameterIndex* index = nullptr;
  testsupport::QuietLog quiet;  // the test icons do not exist
  auto* row = addRow<MVParameterIndex, MVParameterIndexSegmentView>(choice("Shape", 1), &index);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->parameterPopupButton(), nullptr);
  showWindow();
  MVSegmentedControl* segments = row->parameterSelector();
  step([&] { QTest::mouseClick(segments->segment(1), Qt::LeftButton); });
  EXPECT_EQ(index->index(), 1);
  row->updateInterface();
  step([&] { QTest::mouseClick(segments->segment(1), Qt::LeftButton); });
  EXPECT_EQ(index->index(), -1);
  row->updateInterface();
  for (int segment = 0; segment < segments->segmentCount(); ++segment) {
    EXPECT_FALSE(segments->isSelected(segment));
  }
  undo();
  EXPECT_EQ(index->index(), 1);
}

TEST_F(ChoiceAndTextRowsTest, TheLastChangeModeShowsTheSelectionPopup)
{
  testsupport::QuietLog quiet;
  MVParameterIndex* selection = nullptr;
  auto selectionMode = MVParameterIndex::parameterWithName("Selection Mode");
  selectionMode->setIndexDisplayNames({"Index", "Pattern"});
  selectionMode->setLayoutHidden(true);
  node->addParameter(std::move(selectionMode));
  selection = node->indexParameterNamed("Selection Mode");
  step([&] { selection->setLayoutHidden(false); });
  MVParameterIndex* mode = nullptr;
  auto parameter = choice("Change mode", 2);
  parameter->setIndexDisplayNames({"All", "Random", "Selection"});
  parameter->setIndexIcons({"a", "b", "c"});
  auto* row = addRow<MVParameterIndex, MVParameterChangeModeView>(std::move(parameter), &mode);
  ASSERT_NE(row, nullptr);
  ASSERT_NE(row->selectionModePopupButton(), nullptr);
  showWindow();
  EXPECT_FALSE(row->selectionModePopupButton()->isVisible());
  step([&] { QTest::mouseClick(row->parameterSelector()->segment(2), Qt::LeftButton); });
  EXPECT_EQ(mode->index(), 2);
  row->updateInterface();
  EXPECT_TRUE(row->selectionModePopupButton()->isVisible());
  // Interface animation is off here: the segments are below the name at once.
  EXPECT_EQ(row->parameterSelector()->pos(), row->selectorTargetOrigin());
  EXPECT_GT(row->parameterSelector()->y(), row->selectorLabel()->y());
  step([&] {
    row->selectionModePopupButton()->setCurrentIndex(1);
    row->valueControlChanged(row->selectionModePopupButton());
  });
  EXPECT_EQ(selection->index(), 1);
}

TEST_F(ChoiceAndTextRowsTest, SwitchAndColourRowsStoreWithUndo)
{
  MVParameterBool* flag = nullptr;
  auto* switchRow = addRow<MVParameterBool, MVParameterBoolView>(MVParameterBool::parameterWithName("Closed"), &flag);
  MVParameterColor* color = nullptr;
  auto* colorRow = addRow<MVParameterColor, MVParameterColorView>(MVParameterColor::parameterWithName("Fill"), &color);
  ASSERT_NE(switchRow, nullptr);
  ASSERT_NE(colorRow, nullptr);
  showWindow();
  const bool before = flag->value();
  step([&] { QTest::mouseClick(switchRow->parameterButton(), Qt::LeftButton, {}, QPoint(5, 8)); });
  EXPECT_EQ(flag->value(), !before);
  undo();
  EXPECT_EQ(flag->value(), before);

  const pf::Color original = color->localColor();
  MyColorWell* well = colorRow->parameterColorWell();
  step([&] {
    well->setColor(QColor::fromRgbF(0.25f, 0.5f, 1.0f, 1.0f));
    colorRow->valueControlChanged(well);
  });
  EXPECT_NEAR(color->localColor().green(), 0.5, 1e-4);
  undo();
  EXPECT_EQ(color->localColor(), original);
  // Another sender, or a hidden well, changes nothing.
  step([&] { colorRow->valueControlChanged(switchRow->parameterButton()); });
  well->hide();
  step([&] { colorRow->valueControlChanged(well); });
  EXPECT_EQ(color->localColor(), original);
}

TEST_F(ChoiceAndTextRowsTest, TextAndFormulaAreStoredAtTheEndOfTheirEdit)
{
  MVParameterString* text = nullptr;
  auto* textRow = addRow<MVParameterString, MVParameterStringView>(MVParameterString::parameterWithName("Text"), &text);
  MVParameterValueExpression* formula = nullptr;
  auto* formulaRow = addRow<MVParameterValueExpression, MVParameterValueExpressionView>(
      MVParameterValueExpression::parameterWithName("Formula"), &formula);
  ASSERT_NE(textRow, nullptr);
  ASSERT_NE(formulaRow, nullptr);
  showWindow();
  step([&] { text->setString(std::string("Start")); });
  textRow->updateInterface();

  step([&] {
    textRow->textField()->setFocus();
    QApplication::processEvents();
    textRow->textField()->selectAll();
    QTest::keyClicks(textRow->textField(), "Hello");
    QTest::keyClick(textRow->textField(), Qt::Key_Return);
  });
  EXPECT_EQ(text->string(), std::optional<std::string>("Hello"));
  undo();
  EXPECT_EQ(text->string(), std::optional<std::string>("Start"));

  // Many lines grow the text up to its limit.
  const int oneLine = textRow->textField()->height();
  textRow->textField()->setPlainText(QString("line\n").repeated(40));
  EXPECT_GT(textRow->textField()->height(), oneLine);
  EXPECT_LE(textRow->textField()->height(), MVParameterStringView::kMaxTextHeight);

  step([&] {
    formulaRow->textField()->setFocus();
    QApplication::processEvents();
    formulaRow->textField()->selectAll();
    QTest::keyClicks(formulaRow->textField(), "a*2");
    QApplication::focusWidget()->clearFocus();
  });
  EXPECT_EQ(formula->expressionString(), "a*2");
  formulaRow->textField()->setPlainText(QString("a+1+").repeated(200));
  EXPECT_LE(formulaRow->textField()->height(), MVParameterValueExpressionView::kMaxTextHeight);

  // A disabled parameter stores nothing.
  step([&] { formula->setEnabled(false); });
  step([&] {
    formulaRow->textField()->setFocus();
    QTest::keyClicks(formulaRow->textField(), "+3");
    formulaRow->controlTextDidEndEditing();
  });
  EXPECT_EQ(formula->expressionString(), "a*2");
}

TEST_F(ChoiceAndTextRowsTest, FontRowTakesTheChosenFaceAtItsSize)
{
  MVParameterFont* font = nullptr;
  auto* row = addRow<MVParameterFont, MVParameterFontView>(MVParameterFont::parameterWithName("Font"), &font);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(MVFontPanel::postScriptNameOfFace("DejaVu Sans", "Bold"), "DejaVuSans-Bold");
  const double size = font->font() ? font->font()->pointSize() : 12.0;
  step([&] { row->changeFont("DejaVuSans-Bold"); });
  ASSERT_TRUE(font->font().has_value());
  EXPECT_EQ(font->font()->fontName(), "DejaVuSans-Bold");
  EXPECT_EQ(font->font()->pointSize(), size);
  row->updateInterface();
  EXPECT_EQ(row->fontButton()->text().toStdString(), "DejaVuSans-Bold");
}

TEST_F(ChoiceAndTextRowsTest, FunctionRowMovesItsTimeMarker)
{
  auto parameter = MVParameterValueFunction::parameterWithName("Function");
  parameter->setLayoutShowTime(true);
  MVParameterValueFunction* function = nullptr;
  auto* row = addRow<MVParameterValueFunction, MVParameterValueFunctionView>(std::move(parameter), &function);
  ASSERT_NE(row, nullptr);
  ASSERT_NE(row->timeMarkerView(), nullptr);
  showWindow();
  EXPECT_EQ(row->graphSizeView()->height(), MVParameterValueFunctionView::kGraphHeight);
  EXPECT_GE(row->height(), row->graphSizeView()->y() + MVParameterValueFunctionView::kGraphHeight);
  const QPixmap drawn = row->grab();  // draws the graph
  EXPECT_FALSE(drawn.isNull());
  row->updateInterface();
  EXPECT_EQ(row->timeMarkerView()->x(), 2 - row->timeMarkerView()->width() / 2);
}

}  // namespace
