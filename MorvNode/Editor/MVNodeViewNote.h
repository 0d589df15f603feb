#pragma once

#include "MorvNode/Editor/MVNodeView.h"

class DragResizeCornerView;
class NoteNode;
class QPlainTextEdit;

// The box of a note node: one editable text block the size the note stores, with a resize
// grip in its bottom-right corner (the canvas does the resizing). Text edits go to the note.
class MVNodeViewNote : public MVNodeView {
  Q_OBJECT

public:
  static constexpr int kMinimumWidth = 80;   // points
  static constexpr int kMinimumHeight = 50;  // points

  explicit MVNodeViewNote(QWidget* parent = nullptr);

  NoteNode* noteNode() const;
  QPlainTextEdit* noteField() const { return noteField_; }
  DragResizeCornerView* resizeCornerView() const { return resizeCorner_; }

  void initInterface() override;
  void updateHeaderInterface() override {}
  void sortParameterViews() override {}
  void layoutNode() override;
  // The field's text, when it differs, becomes the note's.
  void noteTextChanged();

protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QPlainTextEdit* noteField_ = nullptr;
  DragResizeCornerView* resizeCorner_ = nullptr;
};
