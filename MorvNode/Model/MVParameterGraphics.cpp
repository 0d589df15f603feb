#include "MorvNode/Model/MVParameterGraphics.h"

#include "MorvNode/Elements/MVElement.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVNodeDelegate.h"
#include "MorvNode/Model/MVParameterGraphicsSource.h"
#include "Platform/Format.h"

std::unique_ptr<MVParameterGraphics> MVParameterGraphics::parameterWithName(const std::string& name)
{
  auto parameter = std::make_unique<MVParameterGraphics>();
  parameter->setName(name);
  parameter->setDisplayName(name);
  return parameter;
}

MVParameterGraphics::MVParameterGraphics()
{
  setLayoutShowHeaderLabel(false);
  setLayoutSpaceBelow(2);
  setHasInputSocket(true);
  setHasOutputSocket(true);
  setPreviewsWhenDisabled();  // see hasPreview
}

void MVParameterGraphics::setupSockets()
{
  MVParameter::setupSockets();
  if (hasInputSocket() && inputSockets().empty()) {
    addInputSocketOfType(MVSocketType::Element);
  }
  if (hasOutputSocket() && outputSockets().empty()) {
    addOutputSocketOfType(MVSocketType::Element);
  }
}

bool MVParameterGraphics::hasPreview() const
{
  return layoutHasPreview_ && !layoutHidden();
}

std::shared_ptr<const MVElement> MVParameterGraphics::inputElement() const
{
  return hasConnectedInputSocket() ? inputSockets().front()->inputElement() : nullptr;
}

std::shared_ptr<const MVElement> MVParameterGraphics::element()
{
  if (!needsToUpdate()) {
    return cachedElement_;
  }
  generating_ = true;
  // The old cache goes before the pull: where it is a group of many inputs, each upstream
  // element it held is then freed as its own node replaces it, while its memory is at hand,
  // instead of the whole old tree being freed in one sweep afterwards.
  cachedElement_.reset();
  if (graphicsSource_ != nullptr && graphicsSource_->hasNodeIndexes() && graphicsSource_->mightHaveDynamicInput()) {
    graphicsSource_->resetNodeIndexes();
  }
  std::shared_ptr<const MVElement> input = inputElement();
  std::shared_ptr<const MVElement> output =
      graphicsSource_ != nullptr ? graphicsSource_->graphicsElementForParameter(this, input) : input;
  generating_ = false;
  // The old cache was only dropped, not released: a reader may still draw it.
  cachedElement_ = output;
  if (MVNodeDelegate* controller = node() != nullptr ? node()->nodeController() : nullptr) {
    setLastUpdateGenerationCycleID(controller->currentGenerationCycleID());
  }
  setNeedsToUpdate(false);
  previewNeedsUpdate_ = true;
  setViewNeedsLayout();
  return output;
}

void MVParameterGraphics::prefetchElementPull(int step) const
{
  if (step == 0) {
    pf::prefetchMemory(this, sizeof(*this));
    return;
  }
  // A pull that recomputes releases the cached element first: its memory is asked for beside
  // the source's.
  if (step == 1) {
    if (graphicsSource_ != nullptr) {
      __builtin_prefetch(graphicsSource_);
    }
    if (cachedElement_) {
      __builtin_prefetch(cachedElement_.get());
    }
    return;
  }
  if (graphicsSource_ != nullptr) {
    graphicsSource_->prefetchGraphicsInputs(step - 2);
  }
  if (cachedElement_) {
    cachedElement_->prefetchRelease(step - 2);
  }
}

std::shared_ptr<const MVElement> MVParameterGraphics::previewElement()
{
  if (previewElement_ && !previewNeedsUpdate_) {
    return previewElement_;
  }
  // The old preview is dropped, not released: a row may still be drawing it.
  previewElement_.reset();
  // The source is asked even without a cached element: a disabled node delivers nothing, yet
  // its preview shows what it would generate.
  const std::shared_ptr<const MVElement> preview =
      graphicsSource_ != nullptr ? graphicsSource_->graphicsPreviewElementForParameter(this, cachedElement_)
                                 : cachedElement_;
  if (preview) {
    // A copy for the name: the cache and what the source answered stay as they are.
    std::shared_ptr<MVElement> named = preview->copy();
    named->setElementName(pf::format("%@ preview element", description()));
    previewElement_ = std::move(named);
  }
  previewNeedsUpdate_ = false;
  return previewElement_;
}

void MVParameterGraphics::inputChanged()
{
  if (inInputChanged_) {
    return;
  }
  inInputChanged_ = true;
  if (!generating_) {
    setNeedsToUpdate(true);
    if (node() != nullptr) {
      node()->parameterChanged(this, "graphics");
    }
    outputChanged();
    const bool unconnectedInput = !inputSockets().empty() && !hasConnectedInput();
    MVNodeDelegate* controller = node() != nullptr ? node()->nodeController() : nullptr;
    if (!unconnectedInput && !hasConnectedOutput() && layoutHasPreview_ && parameterView() != nullptr &&
        controller != nullptr) {
      controller->scheduleRegenerationForParameter(this);
    }
  }
  inInputChanged_ = false;
}

void MVParameterGraphics::inputChangedSocket(int index)
{
  (void)index;
  inputChanged();
}
