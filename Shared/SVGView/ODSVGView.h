#pragma once

#include <memory>
#include <string>

#include <QWidget>

class ODSVG;

// A widget that shows an SVG document fitted into its area (the document's own drawing: its
// proposed shape, centred). Told the screen's pixel density so that bitmap layers render sharp.
// Main thread only, like every widget.
class ODSVGView : public QWidget {
  Q_OBJECT

public:
  explicit ODSVGView(QWidget* parent = nullptr);
  explicit ODSVGView(std::shared_ptr<ODSVG> svg, QWidget* parent = nullptr);
  // A view of the resource document `name` (ODSVG::svgNamed); an empty view when there is none.
  static ODSVGView* viewWithSVGNamed(const std::string& name, QWidget* parent = nullptr);
  ~ODSVGView() override;

  // The resource the view shows; setting it loads the document.
  const std::string& imageName() const { return imageName_; }
  void setImageName(const std::string& name);
  const std::shared_ptr<ODSVG>& SVG() const { return svg_; }
  // Shows the document (nullptr shows nothing) and schedules a repaint.
  void setSVG(std::shared_ptr<ODSVG> svg);

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  void prepareForDrawing(ODSVG* svg);

  std::string imageName_;
  std::shared_ptr<ODSVG> svg_;
};
