#include "ComObject.h"

namespace ovs {

namespace {
// Handler objects live on Explorer's threads, so the counts change from
// several threads at once.
volatile LONG liveObjects = 0;
volatile LONG serverLocks = 0;
} // namespace

LONG LiveObjectCount() { return InterlockedCompareExchange(&liveObjects, 0, 0); }
LONG ServerLockCount() { return InterlockedCompareExchange(&serverLocks, 0, 0); }
void ServerLock() { InterlockedIncrement(&serverLocks); }
void ServerUnlock() { InterlockedDecrement(&serverLocks); }

namespace detail {
void ObjectCreated() { InterlockedIncrement(&liveObjects); }
void ObjectDestroyed() { InterlockedDecrement(&liveObjects); }
} // namespace detail

} // namespace ovs
