#pragma once

#include <initializer_list>
#include <string>

namespace pf {

// A system library opened when it is first needed instead of at the start of the process. The
// libraries of video (FFmpeg) and PDF (poppler) bring well over a hundred others with them; bound
// at start they cost every launch the time to map and relocate them, although most sessions
// never export a movie or place a PDF. The library stays loaded until the process ends.
//
//   static const SharedLibrary library({"libfoo.so.3", "libfoo.so"});
//   if (library.isLoaded() && library.bind(foo_open, "foo_open")) ...
class SharedLibrary {
public:
  // Opens the first of `names` that loads; when none does, the library is not loaded and the
  // loader's reason is logged once, naming `purpose` ("video export").
  SharedLibrary(std::initializer_list<const char*> names, const char* purpose);
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  bool isLoaded() const { return handle_ != nullptr; }
  // Why the library or the last symbol asked for is missing; empty when nothing failed.
  const std::string& failureReason() const { return failureReason_; }

  // Sets `function` to the library's symbol `name`; false (logged, reason kept) when the library
  // is not loaded or has no such symbol, and `function` is then nullptr.
  template <typename Function>
  bool bind(Function*& function, const char* name)
  {
    function = reinterpret_cast<Function*>(symbol(name));
    return function != nullptr;
  }

private:
  void* symbol(const char* name);

  void* handle_ = nullptr;
  std::string purpose_;
  std::string failureReason_;
};

}  // namespace pf
