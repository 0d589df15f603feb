#pragma once

#include <QUrl>

class ODDropView;

// Receives the file dropped on a drop view.
class ODDropViewDelegate {
public:
  virtual ~ODDropViewDelegate() = default;
  // The first dropped file; the answer says whether it was taken (the drop view does not use it).
  virtual bool dropView(ODDropView* view, const QUrl& droppedFile) = 0;
};
