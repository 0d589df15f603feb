#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>

class QColorDialog;

// A colour swatch that edits its colour in the one shared, non-modal colour dialog: clicking
// the well makes it the dialog's target (another well stops being one) and every colour the user
// picks there reaches the well at once (`colorChanged`). Closing the dialog, or activating no
// well, ends the editing. Main thread only.
class MyColorWell : public QWidget {
  Q_OBJECT

public:
  explicit MyColorWell(QWidget* parent = nullptr);
  ~MyColorWell() override;

  QColor color() const { return color_; }
  // Shows the colour; emits nothing.
  void setColor(const QColor& color);
  // Makes this well the shared dialog's target and shows the dialog with the well's colour.
  void activate();
  // Stops being the target and closes the dialog.
  void deactivate();
  bool isActive() const;

  // The shared dialog, created on first use; nullptr before.
  static QColorDialog* sharedColorDialog(bool create);

signals:
  // The user picked a colour for this well.
  void colorChanged(MyColorWell* well);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

private:
  QColor color_ = Qt::black;
};
