#pragma once

class WarningsListItemView;

// Told when a row of the warnings list is clicked (the window's warnings list).
class WarningItemDelegate {
public:
  virtual ~WarningItemDelegate() = default;
  virtual void warningItemClicked(WarningsListItemView* item) = 0;
};
