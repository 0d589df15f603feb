#pragma once

#include <vector>

#include "MorvNode/Controller/MVWarningsManager.h"

// The warnings list of a document window as its manager drives it: the counter badge and the
// side list beside the node editor with one row per warning. The interface layer implements it
// (it lays the rows out and gives the editor the room the list leaves); headless there is none.
class MVWarningsManagerView {
public:
  virtual ~MVWarningsManagerView() = default;

  // The badge with the number of warnings.
  virtual void showWarningsBadge(long count) = 0;
  virtual void hideWarningsBadge() = 0;
  // Shows the list and narrows the editor beside it / hides it and gives the editor the full width.
  virtual void openWarningsPanel() = 0;
  virtual void closeWarningsPanel() = 0;
  // Rebuilds the rows from the entries, in order (reusing rows; surplus rows go).
  virtual void updateWarningsList(const std::vector<MVWarningsManager::Entry>& entries) = 0;
  // Each row is selected while the node that raised its warning is.
  virtual void updateWarningsListSelection() = 0;
};
