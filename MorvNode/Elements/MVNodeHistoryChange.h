#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// An element's node history: the IDs of the nodes that produced or changed it, oldest first;
// nullptr for an empty one. A list is never changed once made, so copies of an element share
// their source's list (a reference count, no copy) and may be read on any thread; a change
// gives the element a new list.
using MVNodeHistory = std::shared_ptr<const std::vector<std::string>>;

// One change of node history applied to many elements: a group and every member it reaches,
// or a repeater's repetitions. Elements that shared one list before the change share one list
// after it, so stamping a thousand copies of one shape makes one new list, not a thousand. Use
// one change for one generation step on the main thread; it is not shared between threads.
class MVNodeHistoryChange {
public:
  // Appends `nodeId` to each history. The ID's text must outlive the change (a node's ID, an
  // argument of the caller).
  [[nodiscard]] static MVNodeHistoryChange appending(std::string_view nodeId);
  // The same with `nodeEntry`, the one-entry list {nodeId} made beforehand (a node keeps its
  // own for the elements it makes): an empty history becomes that list itself, shared, and no
  // new list is made for it.
  [[nodiscard]] static MVNodeHistoryChange appending(std::string_view nodeId, MVNodeHistory nodeEntry);
  // Replaces each history with `nodeIds` (oldest first); an empty list empties it.
  [[nodiscard]] static MVNodeHistoryChange replacingWith(std::vector<std::string> nodeIds);

  // What `history` becomes under the change: the list made before for the same list, else a
  // new one.
  MVNodeHistory applied(const MVNodeHistory& history);

private:
  // Remembered lists per appending change. Elements met in one walk rarely carry more than a
  // few distinct lists (the group's own, its members', a nested group's); beyond that a list is
  // made per element, which is only slower.
  static constexpr std::size_t kRemembered = 4;

  MVNodeHistoryChange(std::string_view nodeId, MVNodeHistory replacement, bool keepsHistory);

  std::string_view nodeId_;    // appended by an appending change; not owned
  MVNodeHistory replacement_;  // the one list of a replacing change; an appending change's for an empty history
  bool keepsHistory_;
  // Old list and the list it became, oldest first round the ring. Holding the old lists keeps
  // their addresses from being reused by new lists while the change lives.
  std::array<std::pair<MVNodeHistory, MVNodeHistory>, kRemembered> remembered_;
  std::size_t rememberedCount_ = 0;
  std::size_t nextSlot_ = 0;
};
