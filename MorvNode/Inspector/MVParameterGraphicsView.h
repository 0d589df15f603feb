#pragma once

#include <memory>

#include "MorvNode/Inspector/MVParameterView.h"

class MVElement;
class MVParameterGraphics;
class QFrame;
class QLabel;

namespace pf {
class WorkQueue;
}

// The row of an element parameter: a one-line label, or, when the parameter asks for a
// preview, a 100-point-high box showing its element, rendered off the main thread by a renderer
// of the row's own. One render is in flight at a time; a newer element waits for it, and a
// render that has run for more than 1/30 s is aborted and restarted with the newest element.
class MVParameterGraphicsView : public MVParameterView {
  Q_OBJECT

public:
  static constexpr int kPreviewHeight = 100;          // points
  static constexpr double kRenderPatience = 1.0 / 30;  // seconds before a render is aborted

  explicit MVParameterGraphicsView(QWidget* parent = nullptr);
  ~MVParameterGraphicsView() override;

  void setParameter(MVParameter* parameter) override;
  void initInterface() override;
  void updateInterface() override;
  // Label: its top + 2; preview: centred on the box.
  double socketInterfaceLocationForSocket(int index) const override;
  // Renders the element into the preview on the shared preview queue (nullptr: an empty one).
  void startPreviewRenderingWithElement(std::shared_ptr<const MVElement> element);
  // The renderer reported a finished pass (main thread).
  void renderThreadFinished();

  QLabel* parameterFieldLabel() const { return parameterFieldLabel_; }
  QFrame* previewBackgroundBox() const { return previewBackgroundBox_; }
  QLabel* previewImageView() const { return previewImageView_; }
  // True while a render of this row is in flight.
  bool isRendering() const;
  // The queue previews render on; created on first use.
  static pf::WorkQueue& previewQueue();

protected:
  void resizeEvent(QResizeEvent* event) override;

private:
  struct Rendering;

  MVParameterGraphics* parameter_ = nullptr;  // owned by its node; cleared when it goes
  QLabel* parameterFieldLabel_ = nullptr;      // children
  QFrame* previewBackgroundBox_ = nullptr;
  QLabel* previewImageView_ = nullptr;
  // Shared with the pass in flight, which releases its share on the main thread.
  std::shared_ptr<Rendering> rendering_;
  bool previewPending_ = false;  // a newer element waits for the running pass
};
