#include "MorvNode/Interface/NodeEditorPane.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>

#include "MorvNode/Controller/MVNodeController.h"
#include "MorvNode/Document/MVDocument.h"
#include "MorvNode/Editor/NodeEditorView.h"
#include "MorvNode/Inspector/WarningsListItemView.h"
#include "MorvNode/Model/MVNode.h"

NodeEditorPane::NodeEditorPane(MVDocument& document, QWidget* parent)
    : QWidget(parent), document_(document), manager_(std::make_unique<MVWarningsManager>())
{
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  editor_ = new NodeEditorView(this);
  layout->addWidget(editor_, 1);

  list_ = new QScrollArea(this);
  list_->setFixedWidth(kWarningsListWidth);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setFrameShape(QFrame::NoFrame);
  list_->setBackgroundRole(QPalette::Base);
  rowsView_ = new QWidget;
  rowsView_->setAutoFillBackground(false);
  list_->setWidget(rowsView_);
  list_->hide();
  layout->addWidget(list_);

  badge_ = new QPushButton(editor_);
  badge_->setObjectName("warningsBadge");
  badge_->setFlat(false);
  badge_->setCursor(Qt::PointingHandCursor);
  badge_->setToolTip(tr("Show or hide the warnings list"));
  badge_->setStyleSheet("QPushButton#warningsBadge { background: #d9892b; color: white; border: none; "
                        "border-radius: 9px; padding: 1px 8px; font-weight: bold; }");
  badge_->hide();
  connect(badge_, &QPushButton::clicked, this, [this] { manager_->toggleWarningsPanel(); });

  manager_->setView(this);
  MVNodeController& controller = document_.nodeController();
  manager_->setDelegate(&controller);
  controller.setWarningsManager(manager_.get());
  editor_->setNodeController(&controller);
}

NodeEditorPane::~NodeEditorPane()
{
  MVNodeController& controller = document_.nodeController();
  if (controller.warningsManager() == manager_.get()) {
    controller.setWarningsManager(nullptr);
  }
  manager_->setView(nullptr);
  manager_->setDelegate(nullptr);
}

void NodeEditorPane::showWarningsBadge(long count)
{
  badge_->setText(QString::number(count));
  badge_->adjustSize();
  badge_->show();
  badge_->raise();
  placeBadge();
}

void NodeEditorPane::hideWarningsBadge()
{
  badge_->hide();
}

void NodeEditorPane::openWarningsPanel()
{
  list_->show();
  layout()->activate();  // the editor narrows now, so the badge follows its new corner
  layOutRows();
  placeBadge();
}

void NodeEditorPane::closeWarningsPanel()
{
  list_->hide();
  layout()->activate();
  placeBadge();
}

void NodeEditorPane::updateWarningsList(const std::vector<MVWarningsManager::Entry>& entries)
{
  while (rows_.size() > entries.size()) {
    delete rows_.back();
    rows_.pop_back();
  }
  const int width = kWarningsListWidth - list_->verticalScrollBar()->sizeHint().width();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i == rows_.size()) {
      auto* row = new WarningsListItemView(rowsView_);
      row->setDelegate(this);
      row->resize(width, row->height());
      row->show();
      rows_.push_back(row);
    }
    rows_[i]->setNode(entries[i].sender);
    rows_[i]->setText(QString::fromStdString(entries[i].message));
  }
  layOutRows();
}

void NodeEditorPane::updateWarningsListSelection()
{
  for (WarningsListItemView* row : rows_) {
    const MVNode* node = row->nodeId().empty() ? nullptr : document_.nodeController().nodeWithId(row->nodeId());
    row->setSelected(node != nullptr && node->selected());
  }
}

void NodeEditorPane::warningItemClicked(WarningsListItemView* item)
{
  // The row's node may have gone since the list was filled: it is found again by its ID.
  MVNode* node = item->nodeId().empty() ? nullptr : document_.nodeController().nodeWithId(item->nodeId());
  if (node == nullptr) {
    item->setSelected(true);
    return;
  }
  manager_->warningItemClicked(node);
}

void NodeEditorPane::resizeEvent(QResizeEvent* event)
{
  QWidget::resizeEvent(event);
  placeBadge();
}

void NodeEditorPane::placeBadge()
{
  if (badge_->isHidden()) {
    return;
  }
  // Inside the editor's top right corner, clear of its vertical scroll bar.
  const QWidget* viewport = editor_->viewport();
  const QPoint corner = viewport->mapTo(editor_, QPoint(viewport->width(), 0));
  badge_->move(corner.x() - badge_->width() - 8, corner.y() + 8);
}

void NodeEditorPane::layOutRows()
{
  // Rows stack downwards from the top with one-point gaps; the container is never shorter
  // than the list.
  int offset = 0;
  const int width = list_->viewport()->width();
  for (WarningsListItemView* row : rows_) {
    row->resize(width, row->height());
    row->move(0, offset);
    offset += row->height() + 1;
  }
  rowsView_->resize(width, std::max(offset, list_->viewport()->height()));
}
