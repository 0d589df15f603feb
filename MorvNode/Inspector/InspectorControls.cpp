#include "MorvNode/Inspector/InspectorControls.h"

#include <QLabel>
#include <QPalette>

#include "MorvNode/Inspector/KeptTextLabel.h"
#include "MorvNode/Inspector/MVParameterView.h"
#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameter.h"
#include "Shared/ODTextField/ODTextField.h"

QLabel* InspectorControls::label(QWidget* row, const QString& toolTip, const char* colorName, bool primaryFont)
{
  auto* label = new KeptTextLabel(row);
  label->setFont(primaryFont ? MVParameterView::primaryFont() : MVParameterView::labelFont());
  label->setToolTip(toolTip);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  setTextColor(label, MVInterfaceAssets::color(colorName));
  return label;
}

void InspectorControls::setTextColor(QWidget* widget, const QColor& color)
{
  if (!color.isValid()) {
    return;
  }
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, color);
  palette.setColor(QPalette::Text, color);
  palette.setColor(QPalette::ButtonText, color);
  widget->setPalette(palette);
}

void InspectorControls::showValue(ODTextField* field, double value)
{
  if (field->editStartContentString().has_value()) {
    return;
  }
  field->setDoubleValue(value);
}

void InspectorControls::fieldTookFocus(MVParameter& parameter, bool fieldEnabled)
{
  if (!parameter.canEditValue() || !fieldEnabled || parameter.layoutHidden()) {
    return;
  }
  MVNodeDelegate* controller = parameter.nodeController();
  if (controller == nullptr) {
    return;
  }
  if (auto* graph = dynamic_cast<MVNodeController*>(controller)) {
    graph->parameterSelected(&parameter);
  }
  if (parameter.dragEditTransformType() != 0 && !parameter.layoutDragEditSelected()) {
    controller->dragEditParameterSelected(&parameter);
  }
}
