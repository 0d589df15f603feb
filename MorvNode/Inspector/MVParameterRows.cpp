#include "MorvNode/Inspector/MVParameterRows.h"

#include "MorvNode/Inspector/MVParameterBoolView.h"
#include "MorvNode/Inspector/MVParameterChangeModeView.h"
#include "MorvNode/Inspector/MVParameterColorView.h"
#include "MorvNode/Inspector/MVParameterFileView.h"
#include "MorvNode/Inspector/MVParameterFontView.h"
#include "MorvNode/Inspector/MVParameterGraphicsLayerView.h"
#include "MorvNode/Inspector/MVParameterGraphicsView.h"
#include "MorvNode/Inspector/MVParameterIndexSegmentView.h"
#include "MorvNode/Inspector/MVParameterIndexView.h"
#include "MorvNode/Inspector/MVParameterStringView.h"
#include "MorvNode/Inspector/MVParameterValue2DView.h"
#include "MorvNode/Inspector/MVParameterValueExpressionView.h"
#include "MorvNode/Inspector/MVParameterValueFunctionView.h"
#include "MorvNode/Inspector/MVParameterValueView.h"
#include "MorvNode/Model/MVParameterBool.h"
#include "MorvNode/Model/MVParameterColor.h"
#include "MorvNode/Model/MVParameterFile.h"
#include "MorvNode/Model/MVParameterFont.h"
#include "MorvNode/Model/MVParameterGraphics.h"
#include "MorvNode/Model/MVParameterGraphicsLayer.h"
#include "MorvNode/Model/MVParameterIndex.h"
#include "MorvNode/Model/MVParameterString.h"
#include "MorvNode/Model/MVParameterValue.h"
#include "MorvNode/Model/MVParameterValue2D.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "MorvNode/Model/MVParameterValueFunction.h"

void MVParameterRows::registerRows()
{
  // Base kinds before the kinds derived from them.
  MVParameterView::registerRow<MVParameterValue, MVParameterValueView>();
  MVParameterView::registerRow<MVParameterValue2D, MVParameterValue2DView>();
  MVParameterView::registerRow<MVParameterValueExpression, MVParameterValueExpressionView>();
  MVParameterView::registerRow<MVParameterValueFunction, MVParameterValueFunctionView>();
  MVParameterView::registerRow<MVParameterColor, MVParameterColorView>();
  MVParameterView::registerRow<MVParameterBool, MVParameterBoolView>();
  MVParameterView::registerRow<MVParameterString, MVParameterStringView>();
  MVParameterView::registerRow<MVParameterFont, MVParameterFontView>();
  MVParameterView::registerRow<MVParameterFile, MVParameterFileView>();
  MVParameterView::registerRow<MVParameterGraphics, MVParameterGraphicsView>();
  MVParameterView::registerRow<MVParameterGraphicsLayer, MVParameterGraphicsLayerView>();
  // Choices (node indexes too): the form follows the parameter's interface type.
  MVInterfaceFactories::shared().registerParameterView<MVParameterIndex>([](MVParameter& parameter) {
    switch (parameter.layoutInterfaceType()) {
    case 2:
      return MVParameterView::makeAdapter(new MVParameterChangeModeView());
    case 1:
      return MVParameterView::makeAdapter(new MVParameterIndexSegmentView());
    default:
      return MVParameterView::makeAdapter(new MVParameterIndexView());
    }
  });
}
