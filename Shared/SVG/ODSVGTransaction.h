#pragma once

#include <functional>

// The lock every layer tree is built and drawn under: one process-wide recursive lock, so a
// tree being built is never drawn half-made and two documents never draw into shared layers at
// once. Begin and end pair up on one thread; ODSVGTransactionGuard pairs them for a scope.
void ODSVGBeginTransactionLock();
void ODSVGEndTransactionLock();
// Runs `callback` on the calling thread inside the lock.
void ODSVGObtainTransactionLock(const std::function<void()>& callback);

class ODSVGTransactionGuard {
public:
  ODSVGTransactionGuard() { ODSVGBeginTransactionLock(); }
  ~ODSVGTransactionGuard() { ODSVGEndTransactionLock(); }
  ODSVGTransactionGuard(const ODSVGTransactionGuard&) = delete;
  ODSVGTransactionGuard& operator=(const ODSVGTransactionGuard&) = delete;
};
