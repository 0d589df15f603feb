#include "Platform/Allocator.h"

#include <malloc.h>

namespace pf {

void configureAllocatorForInteractiveUse()
{
  // Under a sanitizer the allocator is the sanitizer's own and this changes nothing; there is
  // nothing for a user to do about either answer, so it is not checked.
  (void)mallopt(M_MXFAST, 0);
}

}  // namespace pf
