#pragma once

#include <memory>
#include <string>
#include <vector>

class MVElement;
class MVNodeDelegate;

// The two things the graph model does to elements whose classes it does not know: copying an
// element, and gathering the inputs of an element socket with several connections into one
// group. The element model installs an implementation at start-up.
// TODO(Element model): replace these calls by MVElement::copy and MVElementGroup directly.
class MVElementServices {
public:
  virtual ~MVElementServices() = default;

  // A deep copy; nullptr for nullptr.
  virtual std::shared_ptr<MVElement> copyElement(const std::shared_ptr<MVElement>& element) = 0;
  // A new group with `controller`, named `name`, holding `members` in order (added without
  // recalculating the pivot, which is recalculated once at the end). `members` is not empty.
  virtual std::shared_ptr<MVElement> makeInputGroup(MVNodeDelegate* controller, const std::string& name,
                                                    const std::vector<std::shared_ptr<MVElement>>& members) = 0;

  // Not owned; nullptr uninstalls. Without an implementation a copy is the element itself and
  // several inputs give no group (nullptr).
  static void install(MVElementServices* services);
  static MVElementServices* installed();
};
