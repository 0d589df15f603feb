#include "Platform/Allocator.h"

#include <malloc.h>

#include "Platform/Log.h"

namespace pf {

void configureAllocatorForInteractiveUse()
{
  if (mallopt(M_MXFAST, 0) == 0) {
    log("Warning, the allocator kept its fast bins: large frees may pause the interface");
  }
}

}  // namespace pf
