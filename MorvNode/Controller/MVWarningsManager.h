#pragma once

#include <optional>
#include <string>
#include <vector>

#include "MorvNode/Controller/MVWarningsCollector.h"

class MVNode;
class MVWarningsManagerView;
class WarningsManagerDelegate;

// The node warnings of one document window: the list the graph controller refills after every
// generation, the count its badge shows, and whether the side list is open. The window's
// warnings view (MVWarningsManagerView) shows them; a click on a row comes back here and goes
// on to the delegate, which selects the node that raised the warning. Main thread only.
class MVWarningsManager final : public MVWarningsCollector {
public:
  struct Entry {
    std::string message;
    // The node that raised the warning, compared by identity; not owned. The controller drops
    // a node's entries (removeWarningsFromSender) before it destroys the node.
    MVNode* sender = nullptr;
  };

  MVWarningsManager() = default;
  MVWarningsManager(const MVWarningsManager&) = delete;
  MVWarningsManager& operator=(const MVWarningsManager&) = delete;

  // Not owned; either may be nullptr (headless, or before the window exists).
  void setView(MVWarningsManagerView* view) { view_ = view; }
  void setDelegate(WarningsManagerDelegate* delegate) { delegate_ = delegate; }

  // A new, empty list. The list exists from the first reset or row rebuild on; warnings added
  // before either are dropped.
  void resetWarnings() override;
  // Appended unless the last entry has an equal message from the identical sender.
  void addWarningMessage(const std::string& message, MVNode* sender) override;
  // With warnings: the badge shows their count and the rows are rebuilt. Without: the badge
  // hides and an open side list closes.
  void updateWarningsInterface() override;
  void removeWarningsFromSender(const MVNode* sender) override;

  void openWarningsPanel() override;
  void closeWarningsPanel();
  void toggleWarningsPanel() override;
  bool isWarningsPanelOpen() const { return panelOpen_; }
  // Rebuilds the rows from the entries, then refreshes their selection.
  void updateWarningsList();
  void updateWarningsListSelection();
  // A row was clicked: a row of a node asks the delegate to select and centre that node (nothing
  // without a delegate); a row without a node is only marked selected by the view.
  void warningItemClicked(MVNode* node);

  const std::vector<Entry>& warningMessagesArray() const;
  long warningCount() const { return entries_ ? static_cast<long>(entries_->size()) : 0; }

private:
  std::optional<std::vector<Entry>> entries_;  // nullopt until the first reset or rebuild
  bool panelOpen_ = false;
  MVWarningsManagerView* view_ = nullptr;          // the window's, outlives this manager's use of it
  WarningsManagerDelegate* delegate_ = nullptr;    // the graph controller
};
