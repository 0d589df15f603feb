#include "Shared/LockingSplitView/CollapsingSplitView.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QResizeEvent>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include "Shared/DictionaryValueExtras/DictionaryValueExtras.h"
#include "Shared/FeedbackManager/FeedbackManager.h"
#include "Shared/LockingSplitView/CollapsingSplitViewDelegate.h"

namespace {

QWidget* makeContainer()
{
  auto* container = new QWidget;
  auto* layout = new QVBoxLayout(container);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  return container;
}

int pixels(double value)
{
  if (!std::isfinite(value)) {
    return 0;
  }
  return static_cast<int>(std::lround(std::clamp(value, 0.0, 1.0e7)));
}

}  // namespace

CollapsingSplitView::CollapsingSplitView(bool vertical, std::string name, QWidget* parent)
  : QSplitter(vertical ? Qt::Horizontal : Qt::Vertical, parent)
  , name_(std::move(name))
  , parking_(std::make_unique<QWidget>())
{
  setChildrenCollapsible(false);
  standardHandleWidth_ = handleWidth();
  firstView_ = makeContainer();
  secondView_ = makeContainer();
  addWidget(firstView_);
  addWidget(secondView_);
  setStretchFactor(0, 1);
  setStretchFactor(1, 0);
  connect(this, &QSplitter::splitterMoved, this, [this](int position, int) { dividerMoved(position); });
}

CollapsingSplitView::~CollapsingSplitView()
{
  if (animation_) {
    animation_->stop();
  }
}

void CollapsingSplitView::setFirstViewContent(QWidget* content)
{
  setContent(firstView_, firstViewContent_, content);
}

void CollapsingSplitView::setSecondViewContent(QWidget* content)
{
  setContent(secondView_, secondViewContent_, content);
}

void CollapsingSplitView::setContent(QWidget* container, QPointer<QWidget>& slot, QWidget* content)
{
  const bool wasCollapsed = slot && !isInside(slot, this);
  if (slot && slot != content) {
    delete slot.data();
  }
  slot = content;
  if (content == nullptr) {
    container->show();
    updateHandle();
    return;
  }
  if (wasCollapsed) {
    park(container, content);
  } else {
    container->layout()->addWidget(content);
    content->show();
  }
  updateHandle();
}

double CollapsingSplitView::axisSize(const QWidget* widget) const
{
  if (widget == nullptr) {
    return 0.0;
  }
  return vertical() ? widget->width() : widget->height();
}

bool CollapsingSplitView::isInside(const QWidget* widget, const QWidget* ancestor)
{
  for (const QWidget* at = widget; at != nullptr; at = at->parentWidget()) {
    if (at == ancestor) {
      return true;
    }
  }
  return false;
}

bool CollapsingSplitView::isFirstViewShown() const
{
  return firstViewContent_ && isInside(firstViewContent_, this);
}

bool CollapsingSplitView::isSecondViewShown() const
{
  return secondViewContent_ && isInside(secondViewContent_, this);
}

bool CollapsingSplitView::isFirstViewCollapsed() const
{
  return firstViewContent_ && !isInside(firstViewContent_, this);
}

bool CollapsingSplitView::isSecondViewCollapsed() const
{
  return secondViewContent_ && !isInside(secondViewContent_, this);
}

double CollapsingSplitView::totalSize() const
{
  return vertical() ? width() : height();
}

double CollapsingSplitView::dividerThickness() const
{
  return isCollapsed() ? 0.0 : standardHandleWidth_;
}

void CollapsingSplitView::updateHandle()
{
  setHandleWidth(isCollapsed() ? 0 : standardHandleWidth_);
}

void CollapsingSplitView::park(QWidget* container, QWidget* content)
{
  container->layout()->removeWidget(content);
  content->setParent(parking_.get());
  container->hide();
  updateHandle();
}

void CollapsingSplitView::unpark(QWidget* container, QWidget* content, double size)
{
  if (vertical()) {
    content->setGeometry(0, 0, pixels(size), height());
  } else {
    content->setGeometry(0, 0, width(), pixels(size));
  }
  container->layout()->addWidget(content);
  content->show();
  container->show();
  updateHandle();
}

void CollapsingSplitView::setDividerPosition(double position)
{
  const int total = pixels(totalSize());
  const int first = std::clamp(pixels(position), 0, total);
  const int handle = isCollapsed() ? 0 : handleWidth();
  setSizes({first, std::max(0, total - first - handle)});
}

double CollapsingSplitView::constrainSplitPosition(double proposed) const
{
  if (isCollapsed()) {
    return proposed;
  }
  double position = std::max(proposed, firstViewMinimumSize_);
  position = std::min(position, totalSize() - secondViewMinimumSize_);
  return position;
}

void CollapsingSplitView::dividerMoved(int position)
{
  if (!constraining_) {
    const double constrained = constrainSplitPosition(position);
    if (pixels(constrained) != position) {
      constraining_ = true;
      moveSplitter(pixels(constrained), 1);
      constraining_ = false;
    }
  }
  notifyResize();
}

void CollapsingSplitView::resizeEvent(QResizeEvent* event)
{
  QSplitter::resizeEvent(event);
  notifyResize();
}

void CollapsingSplitView::notifyResize()
{
  if (resizeDelegate_ != nullptr && !isCollapsed()) {
    resizeDelegate_->splitViewDidResizeSubviews(*this);
  }
}

void CollapsingSplitView::collapseFirstView()
{
  if (!isFirstViewShown()) {
    FeedbackManager::log("Warning, %@ collapseFirstView, but view already collapsed", description());
    return;
  }
  savedFirstViewSize_ = axisSize(firstViewContent_);
  park(firstView_, firstViewContent_);
}

void CollapsingSplitView::expandFirstView()
{
  if (isFirstViewShown() || !firstViewContent_) {
    FeedbackManager::log("Warning, %@ expandFirstView, but view already expanded", description());
    return;
  }
  const double total = totalSize();
  if (total - savedFirstViewSize_ < secondViewMinimumSize_) {
    savedFirstViewSize_ = total - secondViewMinimumSize_;
  }
  if (isSecondViewCollapsed()) {
    savedFirstViewSize_ = total;
  }
  unpark(firstView_, firstViewContent_, savedFirstViewSize_);
  setDividerPosition(savedFirstViewSize_);
}

void CollapsingSplitView::collapseSecondView()
{
  if (!isSecondViewShown()) {
    FeedbackManager::log("Warning, %@ collapseSecondView, but view already collapsed", description());
    return;
  }
  savedSecondViewSize_ = axisSize(secondViewContent_);
  park(secondView_, secondViewContent_);
  if (resizeDelegate_ != nullptr) {
    resizeDelegate_->splitViewDidCollapse(*this);
  }
}

void CollapsingSplitView::expandSecondView()
{
  if (isSecondViewShown() || !secondViewContent_) {
    FeedbackManager::log("Warning, %@ expandSecondView, but view already expanded", description());
    return;
  }
  const double total = totalSize();
  double position = 0.0;
  if (isFirstViewCollapsed()) {
    savedSecondViewSize_ = total;
  } else {
    position = total - savedSecondViewSize_;
    if (position < firstViewMinimumSize_) {
      savedSecondViewSize_ = total - firstViewMinimumSize_;
      position = firstViewMinimumSize_;
    }
  }
  unpark(secondView_, secondViewContent_, savedSecondViewSize_);
  // The divider itself takes room: the second pane gets its remembered size.
  setDividerPosition(isFirstViewShown() ? position - handleWidth() : position);
}

void CollapsingSplitView::animateDivider(double from, double to, std::function<void()> completion)
{
  if (animation_) {
    animation_->stop();
    delete animation_.data();
  }
  auto* animation = new QVariantAnimation(this);
  animation->setDuration(200);
  animation->setStartValue(from);
  animation->setEndValue(to);
  connect(animation, &QVariantAnimation::valueChanged, this,
          [this](const QVariant& value) { setDividerPosition(value.toDouble()); });
  connect(animation, &QVariantAnimation::finished, this, [completion = std::move(completion)] {
    if (completion) {
      completion();
    }
  });
  animation_ = animation;
  animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void CollapsingSplitView::collapseSecondViewAnimated()
{
  if (!isSecondViewShown()) {
    return;
  }
  const double size = axisSize(secondViewContent_);
  const double minimum = secondViewMinimumSize_;
  secondViewMinimumSize_ = 0.0;
  animateDivider(dividerLocation(), totalSize() - 5.0, [this, size, minimum] {
    if (isSecondViewShown()) {
      collapseSecondView();
    }
    savedSecondViewSize_ = size;
    secondViewMinimumSize_ = minimum;
  });
}

void CollapsingSplitView::expandSecondViewAnimated()
{
  if (isSecondViewShown() || !secondViewContent_) {
    return;
  }
  expandSecondView();
  const double location = dividerLocation();
  setDividerPosition(totalSize() - 10.0);
  animateDivider(totalSize() - 10.0, location, [this] {
    if (resizeDelegate_ != nullptr) {
      resizeDelegate_->splitViewDidExpand(*this);
    }
  });
}

double CollapsingSplitView::dividerLocation() const
{
  if (isFirstViewShown()) {
    return axisSize(firstViewContent_);
  }
  if (isSecondViewShown()) {
    return totalSize() - axisSize(secondViewContent_) - dividerThickness();
  }
  return 0.0;
}

pf::PlistValue::Dictionary CollapsingSplitView::descriptionDictionary() const
{
  pf::PlistValue::Dictionary dictionary;
  if (firstViewContent_) {
    DictionaryValueExtras::setBoolValue(dictionary, isFirstViewCollapsed(), "First View Collapsed");
  }
  DictionaryValueExtras::setDoubleValue(dictionary, savedFirstViewSize_, "First View Saved Size");
  if (secondViewContent_) {
    DictionaryValueExtras::setBoolValue(dictionary, isSecondViewCollapsed(), "Second View Collapsed");
  }
  DictionaryValueExtras::setDoubleValue(dictionary, savedSecondViewSize_, "Second View Saved Size");
  DictionaryValueExtras::setDoubleValue(dictionary, dividerLocation(), "Divider Location");
  return dictionary;
}

void CollapsingSplitView::loadDescriptionDictionary(const pf::PlistValue::Dictionary& dictionary)
{
  if (firstViewContent_ && !isFirstViewCollapsed() &&
      DictionaryValueExtras::boolValueForKey(dictionary, "First View Collapsed")) {
    collapseFirstView();
  }
  if (secondViewContent_ && !isSecondViewCollapsed() &&
      DictionaryValueExtras::boolValueForKey(dictionary, "Second View Collapsed")) {
    collapseSecondView();
  }
  savedFirstViewSize_ = DictionaryValueExtras::doubleValueForKey(dictionary, "First View Saved Size");
  savedSecondViewSize_ = DictionaryValueExtras::doubleValueForKey(dictionary, "Second View Saved Size");
  const double location = DictionaryValueExtras::doubleValueForKey(dictionary, "Divider Location");
  if (!isCollapsed() && location > 1.0) {
    setDividerPosition(location);
  }
}

std::string CollapsingSplitView::description() const
{
  auto state = [](const QPointer<QWidget>& content, bool shown) {
    if (!content) {
      return "Unknown";
    }
    return shown ? "Open" : "Collapsed";
  };
  return "<CollapsingSplitView '" + name_ + "' viewStates: " + state(firstViewContent_, isFirstViewShown()) + " | " +
         state(secondViewContent_, isSecondViewShown()) + ">";
}
