#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pf {

// Texts kept once per process: every caller that keeps the same text gets a reference to the same
// pooled copy, so a text that thousands of objects repeat (a parameter's tooltip, the entries of
// a choice, a socket's tooltip, a parameter's name) is stored once instead of once per object.
// Pooled texts live until the process ends, so only texts drawn from a small set belong here: the
// texts of classes, and names a user gives now and then (layer names), never bulk user data.
// Thread-safe.
class TextPool {
public:
  // The pooled copy of the text; the empty text is pooled too.
  static const std::string& text(std::string_view text);
  // The pooled empty text, without a look-up.
  static const std::string& empty()
  {
    static const std::string& pooled = text({});
    return pooled;
  }
  // The pooled copy of the list, for owners that keep lists by shared pointer.
  static std::shared_ptr<const std::vector<std::string>> list(const std::vector<std::string>& list);
};

}  // namespace pf
