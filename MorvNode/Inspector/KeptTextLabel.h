#pragma once

#include <QFont>
#include <QLabel>
#include <QStaticText>
#include <QString>

// A label of one line of plain text that keeps its text laid out between paints. QLabel lays
// out and shapes its text anew on every paint, which for the hundred or so labels of a screen
// full of node boxes is a fifth of a repaint of the editor. Anything else a QLabel shows (rich
// or wrapped text, several lines, a picture, a frame or margin, selectable text, a style sheet)
// is drawn by QLabel itself, as are labels with a buddy (their mnemonic is underlined).
class KeptTextLabel : public QLabel {
  Q_OBJECT

public:
  using QLabel::QLabel;

  // Whether a paint draws the kept text rather than handing over to QLabel.
  bool drawsKeptText() const;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  QStaticText kept_;
  QFont keptFont_;
};
