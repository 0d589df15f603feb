#include "Platform/SharedLibrary.h"

#include <dlfcn.h>

#include "Platform/Log.h"

namespace pf {

SharedLibrary::SharedLibrary(std::initializer_list<const char*> names, const char* purpose) : purpose_(purpose)
{
  std::string tried;
  for (const char* name : names) {
    // RTLD_NOW: a library that lacks something fails here, at the first use, not in the middle of
    // an export. RTLD_LOCAL: its symbols stay out of the process's global scope.
    handle_ = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (handle_ != nullptr) {
      return;
    }
    const char* reason = dlerror();
    if (!tried.empty()) {
      tried += "; ";
    }
    tried += reason != nullptr ? reason : name;
  }
  failureReason_ = tried.empty() ? std::string("no library named") : tried;
  log("Error, %@ is not available: cannot load its library (%@)", purpose_, failureReason_);
}

void* SharedLibrary::symbol(const char* name)
{
  if (handle_ == nullptr) {
    return nullptr;
  }
  dlerror();
  void* address = dlsym(handle_, name);
  if (address == nullptr) {
    const char* reason = dlerror();
    failureReason_ = reason != nullptr ? reason : std::string("no symbol ") + name;
    log("Error, %@ is not available: %@", purpose_, failureReason_);
  }
  return address;
}

}  // namespace pf
