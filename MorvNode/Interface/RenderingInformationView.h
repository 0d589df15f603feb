#pragma once

#include <QFrame>

#include "MorvNode/Controller/MVStatisticsPanel.h"

class QLabel;

// The rendering information of a document's preview: render size, element count, update and
// render times, as the graph controller reports them after each generation and render. It sits
// between the preview and its control strip and starts hidden; View > Show Rendering Information
// toggles it. The controller's reference to it is set by the window's menu extension and never
// outlives the window's document, which goes before this view. Main thread only.
class RenderingInformationView : public QFrame, public MVStatisticsPanel {
  Q_OBJECT

public:
  explicit RenderingInformationView(QWidget* parent = nullptr);

  void setRenderSizeText(const std::string& text) override;
  void setElementCountText(const std::string& text) override;
  void setCalculationTimeText(const std::string& text) override;
  void setRenderTimeText(const std::string& text) override;

  QString text() const;

private:
  QLabel* renderSize_ = nullptr;       // child
  QLabel* elementCount_ = nullptr;     // child
  QLabel* calculationTime_ = nullptr;  // child
  QLabel* renderTime_ = nullptr;       // child
};
