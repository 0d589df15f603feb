#include "MorvNode/Editor/MVNodeView.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

#include "MorvNode/Editor/MVNodeViewAdapter.h"
#include "MorvNode/Editor/NodeEditorIcons.h"
#include "MorvNode/Editor/NodeViewEditorView.h"
#include "MorvNode/Inspector/KeptCheckBox.h"
#include "MorvNode/Inspector/KeptLook.h"
#include "MorvNode/Inspector/KeptTextLabel.h"
#include "MorvNode/Inspector/KeptToolButton.h"
#include "MorvNode/Inspector/MVParameterView.h"
#include "MorvNode/Interface/HoverImageButton.h"
#include "MorvNode/Interface/MVInterfaceAssets.h"
#include "MorvNode/Model/MVNode.h"
#include "MorvNode/Model/MVParameter.h"
#include "MorvNode/Model/MVParameterValueExpression.h"
#include "Platform/GeometryStrings.h"
#include "Platform/PlistValue.h"
#include "Shared/FeedbackManager/FeedbackManager.h"

namespace {

constexpr int kCornerRadius = 5;  // points

void setTextColor(QWidget* widget, const QColor& color)
{
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, color);
  palette.setColor(QPalette::Text, color);
  widget->setPalette(palette);
}

}  // namespace

MVNodeView::MVNodeView(QWidget* parent)
  : QWidget(parent)
{
  setMouseTracking(true);
  resize(140, 100);
}

MVNodeView::~MVNodeView() = default;

void MVNodeView::setNode(MVNode* node)
{
  node_ = node;
}

void MVNodeView::initInterface()
{
  if (node_ == nullptr) {
    FeedbackManager::log("Error, MVNodeView initInterface with no node assigned for the view");
    return;
  }
  resize(nodeViewWidth(*node_), height());
  buildHeader();
  updateHeaderInterface();
  initParameterInterface();
  updateInterfaceEnabledState();
  updateInterfaceSelectionState();
  updateInterfaceWarningsState();
  warningButton_->raise();  // above every row
}

void MVNodeView::buildHeader()
{
  const int w = width();
  iconView_ = new QLabel(this);
  iconView_->setGeometry(8, 7, 18, 18);
  iconView_->setAttribute(Qt::WA_TransparentForMouseEvents);

  QFont typeFont = MVParameterView::labelFont();
  typeLabel_ = new KeptTextLabel(this);
  typeLabel_->setFont(typeFont);
  typeLabel_->setGeometry(31, 3, std::max(0, w - 31 - 40), 12);
  typeLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
  setTextColor(typeLabel_, MVInterfaceAssets::color("NodeParameterLabel"));

  QFont titleFont = MVParameterView::primaryFont();
  titleFont.setBold(true);
  titleLabel_ = new KeptTextLabel(this);
  titleLabel_->setFont(titleFont);
  titleLabel_->setGeometry(31, 14, std::max(0, w - 31 - 40), 15);
  titleLabel_->setAttribute(Qt::WA_TransparentForMouseEvents);
  setTextColor(titleLabel_, MVInterfaceAssets::color("NodeTitle"));

  enabledButton_ = new KeptCheckBox(this);
  enabledButton_->setGeometry(w - 38, 9, 16, 16);
  enabledButton_->setToolTip(tr("Enable or disable the node"));
  enabledButton_->setFocusPolicy(Qt::NoFocus);
  connect(enabledButton_, &QCheckBox::clicked, this, [this](bool checked) {
    if (node_ != nullptr) {
      node_->setEnabled(checked);
    }
  });

  menuButton_ = new KeptToolButton(this);
  menuButton_->setGeometry(w - 20, 8, 16, 16);
  menuButton_->setAutoRaise(true);
  menuButton_->setFocusPolicy(Qt::NoFocus);
  menuButton_->setIcon(QIcon(MVInterfaceAssets::image("NodeMenu", 12)));
  menuButton_->setToolTip(tr("Node menu"));
  connect(menuButton_, &QToolButton::pressed, this, [this] { menuButtonPressed(); });

  // The warnings badge glows in the warning colour while the pointer is over it.
  auto* warningBadge = new HoverImageButton(this);
  const QColor warningColor = MVInterfaceAssets::color("WarningColor");
  warningBadge->setImage(MVInterfaceAssets::image("WarningBadge", 14, warningColor).toImage());
  warningBadge->setHighlightColor(warningColor);
  warningButton_ = warningBadge;
  warningButton_->setGeometry(-4, -4, 18, 18);
  warningButton_->setFocusPolicy(Qt::NoFocus);
  warningButton_->hide();
  connect(warningButton_, &QToolButton::clicked, this, [this] {
    if (editor_ != nullptr && node_ != nullptr) {
      editor_->showWarningsForNode(node_);
    }
  });
}

void MVNodeView::updateHeaderInterface()
{
  if (node_ == nullptr || titleLabel_ == nullptr) {
    return;
  }
  if (!node_->hasNodeHeader()) {
    for (QWidget* part : {static_cast<QWidget*>(enabledButton_), static_cast<QWidget*>(iconView_),
                          static_cast<QWidget*>(typeLabel_), static_cast<QWidget*>(titleLabel_),
                          static_cast<QWidget*>(menuButton_)}) {
      part->hide();
    }
    return;
  }
  enabledButton_->setHidden(!node_->canDisable());
  menuButton_->setHidden(!node_->hasNodeMenuButton());
  if (!node_->iconName().empty() && iconView_->pixmap().isNull()) {
    iconView_->setPixmap(NodeEditorIcons::nodeIcon(node_->className(), node_->iconName(), 18));
  }
  const QString type = QString::fromStdString(node_->nodeClass().displayTypeName);
  if (typeLabel_->text() != type) {
    typeLabel_->setText(type);
  }
  const QString title = QString::fromStdString(node_->displayName());
  if (titleLabel_->text() != title) {
    titleLabel_->setText(title);
  }
}

void MVNodeView::initParameterInterface()
{
  if (node_ == nullptr || node_->parameters().empty()) {
    return;
  }
  MVInterfaceFactories& factories = MVInterfaceFactories::shared();
  QWidget* firstKey = nullptr;
  QWidget* lastKey = nullptr;
  for (const auto& parameter : node_->parameters()) {
    MVParameterView* row = MVParameterView::rowOf(*parameter);
    if (row == nullptr && parameter->parameterView() == nullptr) {
      parameter->setParameterView(factories.makeParameterView(*parameter));
      row = MVParameterView::rowOf(*parameter);
      if (row == nullptr) {
        FeedbackManager::log("Error, MVNodeView initParameterInterface failed to create parameterView for parameter %@",
                             parameter->description());
        parameter->setParameterView(nullptr);
        continue;
      }
      row->setParent(this);
      row->setGeometry(0, 0, width(), 100);
      row->setParameter(parameter.get());
      row->initInterface();
      row->updateInterface();
      row->setHidden(parameter->layoutHidden());
    }
    if (row == nullptr) {
      continue;
    }
    if (QWidget* first = row->firstKeyView()) {
      if (firstKey == nullptr) {
        firstKey = first;
      }
      if (lastKey != nullptr) {
        QWidget::setTabOrder(lastKey, first);
      }
    }
    if (QWidget* last = row->lastKeyView()) {
      lastKey = last;
    }
  }
  if (firstKey != nullptr && lastKey != nullptr && firstKey != lastKey) {
    QWidget::setTabOrder(lastKey, firstKey);
  }
  if (warningButton_ != nullptr) {
    warningButton_->raise();
  }
  sortParameterViews();
}

void MVNodeView::sortParameterViews()
{
  if (node_ == nullptr) {
    return;
  }
  int y = node_->hasNodeHeader() ? kHeaderHeight : kNoHeaderTop;
  // A simple math box fits its expression; its outputs move with its right edge.
  const int newWidth = nodeViewWidth(*node_);
  bool connectionsMoved = newWidth != width();
  if (newWidth != width()) {
    resize(newWidth, height());
  }
  const MVParameterView* previous = nullptr;
  for (const auto& parameter : node_->parameters()) {
    MVParameterView* row = MVParameterView::rowOf(*parameter);
    if (row == nullptr || row == previous) {
      continue;
    }
    previous = row;
    if (row->isHidden()) {
      row->move(0, y);
      continue;
    }
    y += row->layoutSpaceAbove();
    if (row->y() != y) {
      if (parameter->hasConnectedInput() || parameter->hasConnectedOutput()) {
        connectionsMoved = true;
      }
      row->move(0, y);
    }
    if (row->width() != width()) {
      row->resize(width(), row->height());
      connectionsMoved = connectionsMoved || parameter->hasConnectedOutput();
    }
    y += row->height() + row->layoutSpaceBelow();
  }
  const int height = y + kBottomMargin;
  if (!connectionsMoved && height == this->height()) {
    return;
  }
  resize(width(), height);
  update();
  if (editor_ != nullptr) {
    if (connectionsMoved) {
      editor_->connectionsChanged();
    }
    editor_->nodesChanged();
  }
}

int MVNodeView::nodeViewWidth(const MVNode& node)
{
  const int defaultWidth = static_cast<int>(node.nodeClass().nodeViewDefaultWidth);
  if (node.hasNodeHeader() || node.className() != "ValueMiniMathNode") {
    return defaultWidth;
  }
  const auto* expression = dynamic_cast<const MVParameterValueExpression*>(node.parameterNamed("Value"));
  if (expression == nullptr) {
    return defaultWidth;
  }
  // Characters as the text field counts them (UTF-16 units).
  const qsizetype length = QString::fromStdString(expression->expressionString()).size();
  return length < 5 ? 80 : length < 8 ? 100 : defaultWidth;
}

void MVNodeView::layoutNode()
{
  if (node_ == nullptr) {
    return;
  }
  sortParameterViews();
  if (node_->canRename()) {
    updateHeaderInterface();
  }
  updateInterfaceEnabledState();
  updateInterfaceSelectionState();
  updateInterfaceWarningsState();
}

void MVNodeView::updateInterfaceEnabledState()
{
  if (node_ == nullptr || enabledButton_ == nullptr) {
    return;
  }
  enabledButton_->setChecked(node_->enabled());
  auto* effect = qobject_cast<QGraphicsOpacityEffect*>(graphicsEffect());
  if (node_->enabled() && effect != nullptr) {
    setGraphicsEffect(nullptr);
  } else if (!node_->enabled() && effect == nullptr) {
    auto* half = new QGraphicsOpacityEffect(this);
    half->setOpacity(0.5);
    setGraphicsEffect(half);
  }
}

void MVNodeView::updateInterfaceSelectionState()
{
  if (node_ == nullptr || node_->selected() == showsSelection_) {
    return;
  }
  showsSelection_ = node_->selected();
  update();
}

void MVNodeView::updateInterfaceWarningsState()
{
  if (node_ == nullptr || warningButton_ == nullptr) {
    return;
  }
  const auto& warnings = node_->warningMessages();
  const bool shows = !warnings.empty();
  if (shows != showsWarnings_) {
    showsWarnings_ = shows;
    update();
  }
  warningButton_->setVisible(shows);
  if (shows) {
    warningButton_->setToolTip(QString::fromStdString(
      warnings.size() == 1 ? warnings.front()
                           : pf::format("%ld warnings, click for more details", static_cast<long>(warnings.size()))));
    warningButton_->move(-4, -4);
  }
}

void MVNodeView::refreshGraphicsPreviews()
{
  if (node_ == nullptr) {
    return;
  }
  for (const auto& parameter : node_->parameters()) {
    if (parameter->hasPreview() && parameter->parameterView() != nullptr) {
      parameter->parameterView()->setNeedsLayout();
    }
  }
}

void MVNodeView::remove()
{
  if (removed_) {
    return;
  }
  removed_ = true;
  node_ = nullptr;
  // Hidden, it takes no part in drawing or hit tests; it stays the canvas's child until it is
  // deleted, since leaving the window walks the window's whole focus chain (which made dropping
  // the views of a scrolled-away area quadratic).
  hide();
  deleteLater();  // this may run inside one of the view's own handlers
}

void MVNodeView::menuRename()
{
  if (node_ == nullptr || !node_->canRename() || titleLabel_ == nullptr) {
    return;
  }
  if (titleEditingField_ == nullptr) {
    const QRect title = titleLabel_->geometry();
    titleEditingField_ = new QLineEdit(this);
    titleEditingField_->setGeometry(title.x() - 2, title.y() - 2, std::max(20, title.width() - 20 + 40),
                                    title.height() + 6);
    titleEditingField_->setFont(titleLabel_->font());
    titleEditingField_->setText(QString::fromStdString(node_->displayName()));
    titleEditingField_->selectAll();
    titleEditingField_->installEventFilter(this);
    connect(titleEditingField_, &QLineEdit::editingFinished, this, [this] { finishRename(); });
    titleEditingField_->show();
    titleLabel_->hide();
  }
  titleEditingField_->setFocus(Qt::OtherFocusReason);
}

void MVNodeView::finishRename()
{
  if (titleEditingField_ == nullptr) {
    return;
  }
  QLineEdit* field = titleEditingField_;
  titleEditingField_ = nullptr;  // editingFinished may come again while the field goes
  const std::string text = field->text().toStdString();
  if (node_ != nullptr && text != node_->displayName()) {
    node_->registerUndoProperty("displayName", pf::PlistValue(node_->displayName()));
    node_->setDisplayName(text);
    updateHeaderInterface();
  }
  field->hide();
  field->deleteLater();
  titleLabel_->show();
}

bool MVNodeView::eventFilter(QObject* watched, QEvent* event)
{
  if (watched == titleEditingField_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    titleEditingField_->setText(QString::fromStdString(node_ != nullptr ? node_->displayName() : std::string()));
    finishRename();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

std::string MVNodeView::description() const
{
  const QRect frame = geometry();
  return pf::format("<%@ for node %@ (%@)>", metaObject()->className(),
                    node_ != nullptr ? node_->description() : std::string("(null)"),
                    pf::rectString(pf::Rect(frame.x(), frame.y(), frame.width(), frame.height())));
}

void MVNodeView::rowNeedsLayout()
{
  requestLayout();
}

void MVNodeView::requestLayout()
{
  if (node_ != nullptr && node_->nodeView() != nullptr) {
    node_->nodeView()->setNeedsLayout();
  } else {
    sortParameterViews();
  }
}

void MVNodeView::rowMouseEvent(MVParameterView* row, QMouseEvent* event)
{
  // The event's position is the row's own: the canvas maps it from the row.
  forwardMouseEvent(row != nullptr ? static_cast<QWidget*>(row) : this, event);
}

void MVNodeView::forwardMouseEvent(QWidget* source, QMouseEvent* event)
{
  if (editor_ != nullptr) {
    editor_->editorMouseEvent(source, event);
  }
  event->accept();
}

void MVNodeView::mousePressEvent(QMouseEvent* event)
{
  forwardMouseEvent(this, event);
}

void MVNodeView::mouseMoveEvent(QMouseEvent* event)
{
  forwardMouseEvent(this, event);
}

void MVNodeView::mouseReleaseEvent(QMouseEvent* event)
{
  forwardMouseEvent(this, event);
}

void MVNodeView::mouseDoubleClickEvent(QMouseEvent* event)
{
  forwardMouseEvent(this, event);
}

void MVNodeView::contextMenuEvent(QContextMenuEvent* event)
{
  if (editor_ == nullptr || node_ == nullptr) {
    return;
  }
  if (QMenu* menu = editor_->contextMenuForNode(node_)) {
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
  }
  event->accept();
}

void MVNodeView::menuButtonPressed()
{
  QMenu* menu = editor_ != nullptr && node_ != nullptr ? editor_->contextMenuForNode(node_) : nullptr;
  if (menu == nullptr) {
    FeedbackManager::log("Warning, %@ menuButtonPressed, no context menu to show from node %@", description(),
                         node_ != nullptr ? node_->description() : std::string("(null)"));
    menuButton_->setDown(false);
    return;
  }
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(menuButton_->mapToGlobal(QPoint(0, menuButton_->height())));
  menuButton_->setDown(false);
}

void MVNodeView::paintEvent(QPaintEvent*)
{
  // The box is drawn in a few looks (one per size, state and tints of its rows), kept between
  // paints.
  const bool header = node_ != nullptr && node_->hasNodeHeader();
  const QColor background = MVInterfaceAssets::color(showsWarnings_ ? "WarningBackgroundColor" : "NodeBackground");
  const QColor headerColor = MVInterfaceAssets::color("NodeHeader");
  const QColor border = MVInterfaceAssets::color("NodeBorder");
  const QColor selected = MVInterfaceAssets::color("NodeBorderSelected");
  KeptLook::Key key(u'n');
  key.add(background.rgba()).add(border.rgba()).add(showsSelection_);
  if (header) {
    key.add(headerColor.rgba());
  }
  if (showsSelection_) {
    key.add(selected.rgba());
  }
  // The tints of the rows reach into the gaps between them, beyond the rows' own areas.
  std::vector<std::pair<QRectF, QColor>> tints;
  for (QObject* child : children()) {
    const auto* row = qobject_cast<const MVParameterView*>(child);
    if (row != nullptr && !row->isHidden() && row->isBackgroundBoxShown()) {
      const QRect area = row->backgroundBoxRect().translated(row->pos());
      const QColor color = row->backgroundBoxColor();
      key.add(area.x()).add(area.y()).add(area.width()).add(area.height()).add(color.rgba());
      tints.emplace_back(QRectF(area), color);
    }
  }
  KeptLook::paint(*this, std::move(key), [&](QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath outline;
    outline.addRoundedRect(box, kCornerRadius, kCornerRadius);
    painter.fillPath(outline, background);
    // The header and the rows' tints fill their part of the rounded outline. Only near the
    // corners does the outline cut a part: there it is filled clipped to the part (a clip by the
    // rounded path itself costs more than all the rest of the box).
    const QRectF straight = box.adjusted(0, kCornerRadius, 0, -kCornerRadius);
    auto fillPart = [&](const QRectF& part, const QColor& color) {
      const QRectF within = part & box;
      if (within.isEmpty()) {
        return;
      }
      if (straight.contains(within)) {
        painter.fillRect(within, color);
        return;
      }
      painter.save();
      painter.setClipRect(within);
      painter.fillPath(outline, color);
      painter.restore();
    };
    if (header) {
      fillPart(QRectF(0, 0, width(), kHeaderHeight - 3), headerColor);
    }
    for (const auto& [area, color] : tints) {
      fillPart(area, color);
    }
    painter.setPen(QPen(border, 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);
    if (showsSelection_) {
      QPainterPath selection;
      selection.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), kCornerRadius, kCornerRadius);
      painter.setPen(QPen(selected, 2.0));
      painter.drawPath(selection);
    }
  });
}
