#include "MorvNode/Editor/MVNodeViewNote.h"

#include <QFocusEvent>
#include <QPlainTextEdit>

#include "MorvNode/Editor/DragResizeCornerView.h"
#include "MorvNode/Inspector/MVParameterView.h"
#include "MorvNode/Nodes/Notes/NoteNode.h"

namespace {
constexpr int kInset = 6;  // points between the box and its text
}

MVNodeViewNote::MVNodeViewNote(QWidget* parent)
  : MVNodeView(parent)
{
}

NoteNode* MVNodeViewNote::noteNode() const
{
  return dynamic_cast<NoteNode*>(node());
}

void MVNodeViewNote::initInterface()
{
  MVNodeView::initInterface();
  noteField_ = new QPlainTextEdit(this);
  noteField_->setFont(MVParameterView::primaryFont());
  noteField_->setFrameShape(QFrame::NoFrame);
  noteField_->viewport()->setAutoFillBackground(false);
  noteField_->setStyleSheet("QPlainTextEdit { background: transparent; }");
  noteField_->installEventFilter(this);
  resizeCorner_ = new DragResizeCornerView(this);
  if (const NoteNode* note = noteNode()) {
    noteField_->setPlainText(QString::fromStdString(note->noteText()));
    resize(static_cast<int>(note->noteSize().width), static_cast<int>(note->noteSize().height));
  }
  connect(noteField_, &QPlainTextEdit::textChanged, this, [this] { noteTextChanged(); });
  resizeEvent(nullptr);
}

void MVNodeViewNote::layoutNode()
{
  MVNodeView::layoutNode();
  const NoteNode* note = noteNode();
  if (note != nullptr && noteField_ != nullptr && !noteField_->hasFocus()) {
    const QString text = QString::fromStdString(note->noteText());
    if (noteField_->toPlainText() != text) {
      noteField_->setPlainText(text);
    }
  }
}

void MVNodeViewNote::noteTextChanged()
{
  NoteNode* note = noteNode();
  if (note == nullptr || noteField_ == nullptr) {
    return;
  }
  const std::string text = noteField_->toPlainText().toStdString();
  if (text != note->noteText()) {
    note->setNoteText(text);
  }
}

void MVNodeViewNote::resizeEvent(QResizeEvent* event)
{
  if (event != nullptr) {
    MVNodeView::resizeEvent(event);
  }
  if (noteField_ != nullptr) {
    noteField_->setGeometry(kInset, kInset, std::max(0, width() - 2 * kInset), std::max(0, height() - 2 * kInset));
  }
  if (resizeCorner_ != nullptr) {
    resizeCorner_->move(width() - DragResizeCornerView::kSize, height() - DragResizeCornerView::kSize);
    resizeCorner_->raise();
  }
}

bool MVNodeViewNote::eventFilter(QObject* watched, QEvent* event)
{
  if (watched == noteField_ && event->type() == QEvent::FocusOut) {
    noteTextChanged();
  }
  return MVNodeView::eventFilter(watched, event);
}
