#include "Shared/SVG/ODSVGTransaction.h"

#include <mutex>

namespace {

std::recursive_mutex& transactionMutex()
{
  static std::recursive_mutex mutex;
  return mutex;
}

}  // namespace

void ODSVGBeginTransactionLock()
{
  transactionMutex().lock();
}

void ODSVGEndTransactionLock()
{
  transactionMutex().unlock();
}

void ODSVGObtainTransactionLock(const std::function<void()>& callback)
{
  const ODSVGTransactionGuard guard;
  if (callback) {
    callback();
  }
}
