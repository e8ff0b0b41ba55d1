#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

#include "api/CallStop.h"
#include "visa.h"

namespace zvisa {

// The exclusive and shared locks the sessions of this process hold on one
// device. An exclusive lock keeps every other session out; a shared lock
// lets in only the sessions that took it with its key. Locks nest.
class ResourceLock {
public:
    using Owner = const void*;  // the session

    // Waits up to `timeoutMs` (VI_TMO_INFINITE: for ever) for the lock, and
    // gives VI_ERROR_ABORT once `ticket` is stopped. `requestedKey` may be
    // empty; `accessKey` gets the shared lock's key.
    ViStatus Lock(Owner owner, const CallStop::Ticket& ticket, ViAccessMode type,
                  ViUInt32 timeoutMs, const std::string& requestedKey, std::string& accessKey);
    // Lets every waiting Lock look at its ticket again.
    void WakeWaiters();
    // Gives back one level, the exclusive lock first.
    ViStatus Unlock(Owner owner);
    // Everything `owner` holds, as when its session closes.
    void Release(Owner owner);

    // VI_SUCCESS when `owner` may use the device now, else VI_ERROR_RSRC_LOCKED.
    ViStatus CheckAccess(Owner owner) const;
    // VI_NO_LOCK, VI_EXCLUSIVE_LOCK or VI_SHARED_LOCK: the strongest lock held.
    ViAccessMode State() const;

private:
    struct Held {
        int exclusive = 0;
        int shared = 0;
    };

    bool MayLock(Owner owner, ViAccessMode type, const std::string& key) const;
    Owner ExclusiveHolder() const;
    bool AnySharedBy(Owner other) const;
    std::string NewKey();

    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::map<Owner, Held> held_;
    std::string sharedKey_;  // while any session holds a shared lock
    unsigned keysMade_ = 0;
};

}  // namespace zvisa
