#pragma once

#include <memory>
#include <string>

#include <QPointF>
#include <QWidget>

class MVParameterSocket;

// The small round marker of one socket at the left (input) or right (output) edge of its
// parameter's row. Its frame is 16 x 16 centred on the socket point; the row clips it, so an
// input shows the half-disc inside the node and an output the other half. The editor asks it
// where its centre lies in editor coordinates (the coordinates of the widget that holds the node
// views) and switches its hover highlight; it never changes the model.
//
// The socket owns a thin adapter (MVParameterSocketViewAdapter) that refers to this widget;
// the row owns the widget. Whichever goes first detaches from the other.
class MVParameterSocketView : public QWidget {
  Q_OBJECT

public:
  static constexpr int kSize = 16;          // points, width and height of the frame
  static constexpr double kNearDistance = 10.0;  // points; closer than this is on the socket

  // A new view centred on (x, y) in `parent`'s coordinates, set as the socket's view; nullptr
  // when `socket` is nullptr. `socket` is owned by its parameter and outlives the view's use.
  static MVParameterSocketView* socketViewAt(float x, float y, MVParameterSocket* socket, QWidget* parent);

  MVParameterSocket* socket() const { return socket_; }
  // Cleared when the socket goes (by its adapter).
  void setSocket(MVParameterSocket* socket) { socket_ = socket; }

  // The centre in the coordinates of the row's parent's parent (the editor's node layer). Not
  // placed two levels deep: logged, and the centre of the own frame.
  QPointF socketCenterInEditorView() const;
  // Strictly closer than kNearDistance to the centre.
  bool isEditorViewPointNearSocket(QPointF point) const;
  // Whether the user sees the marker on its node: neither it nor its row is hidden, and its
  // centre lies within the row's height (a row clips what it holds, so a marker beyond a row
  // of no height or below its shown lines is not drawn). Only such a marker takes a press.
  bool isShownOnNode() const;

  bool hoverHighlight() const { return hoverHighlight_; }
  // Redraws only when the value changes.
  void setHoverHighlight(bool hoverHighlight);
  // The socket's type (0 value, 1 colour, 2 element); 0 without a socket (logged).
  int connectionType() const;
  std::string description() const;
  // Redraws requested since the view was made (a redraw is asked only when something changed).
  int displayRequestCount() const { return displayRequests_; }
  void requestDisplay();

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  explicit MVParameterSocketView(QWidget* parent);

  MVParameterSocket* socket_ = nullptr;  // owned by its parameter; cleared when it goes
  bool hoverHighlight_ = false;
  int displayRequests_ = 0;
};
