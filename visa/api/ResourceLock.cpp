#include "api/ResourceLock.h"

#include <chrono>

namespace zvisa {

namespace {

constexpr std::size_t kMaxKeyLength = VI_FIND_BUFLEN - 1;

}  // namespace

ViStatus ResourceLock::Lock(Owner owner, const CallStop::Ticket& ticket, ViAccessMode type,
                            ViUInt32 timeoutMs, const std::string& requestedKey,
                            std::string& accessKey) {
    if (type != VI_EXCLUSIVE_LOCK && type != VI_SHARED_LOCK) {
        return VI_ERROR_INV_LOCK_TYPE;
    }
    if (requestedKey.size() > kMaxKeyLength) {
        return VI_ERROR_INV_ACCESS_KEY;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    const auto grantable = [&] { return ticket.Stopped() || MayLock(owner, type, requestedKey); };
    if (timeoutMs == VI_TMO_INFINITE) {
        released_.wait(lock, grantable);
    } else if (!released_.wait_for(lock, std::chrono::milliseconds(timeoutMs), grantable)) {
        // A held shared lock with another key can never be granted: say why.
        const bool wrongKey = type == VI_SHARED_LOCK && ExclusiveHolder() == nullptr &&
                              !sharedKey_.empty() && !requestedKey.empty();
        return wrongKey ? VI_ERROR_INV_ACCESS_KEY : VI_ERROR_TMO;
    }
    if (ticket.Stopped()) {
        return VI_ERROR_ABORT;
    }
    Held& held = held_[owner];
    if (type == VI_EXCLUSIVE_LOCK) {
        return ++held.exclusive > 1 ? VI_SUCCESS_NESTED_EXCLUSIVE : VI_SUCCESS;
    }
    if (sharedKey_.empty()) {
        sharedKey_ = requestedKey.empty() ? NewKey() : requestedKey;
    }
    accessKey = sharedKey_;
    return ++held.shared > 1 ? VI_SUCCESS_NESTED_SHARED : VI_SUCCESS;
}

ViStatus ResourceLock::Unlock(Owner owner) {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto it = held_.find(owner);
    if (it == held_.end()) {
        return VI_ERROR_SESN_NLOCKED;
    }
    Held& held = it->second;
    if (held.exclusive > 0) {
        --held.exclusive;
    } else {
        --held.shared;
    }
    ViStatus status = VI_SUCCESS;
    if (held.exclusive > 0) {
        status = VI_SUCCESS_NESTED_EXCLUSIVE;
    } else if (held.shared > 0) {
        status = VI_SUCCESS_NESTED_SHARED;
    } else {
        held_.erase(it);
    }
    if (!AnySharedBy(nullptr)) {
        sharedKey_.clear();
    }
    released_.notify_all();
    return status;
}

void ResourceLock::WakeWaiters() {
    const std::lock_guard<std::mutex> lock(mutex_);
    released_.notify_all();
}

void ResourceLock::Release(Owner owner) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (held_.erase(owner) == 0) {
        return;
    }
    if (!AnySharedBy(nullptr)) {
        sharedKey_.clear();
    }
    released_.notify_all();
}

ViStatus ResourceLock::CheckAccess(Owner owner) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    const Owner exclusive = ExclusiveHolder();
    if (exclusive != nullptr) {
        return exclusive == owner ? VI_SUCCESS : VI_ERROR_RSRC_LOCKED;
    }
    if (sharedKey_.empty()) {
        return VI_SUCCESS;
    }
    const auto it = held_.find(owner);
    return it != held_.end() && it->second.shared > 0 ? VI_SUCCESS : VI_ERROR_RSRC_LOCKED;
}

ViAccessMode ResourceLock::State() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (ExclusiveHolder() != nullptr) {
        return VI_EXCLUSIVE_LOCK;
    }
    return sharedKey_.empty() ? VI_NO_LOCK : VI_SHARED_LOCK;
}

// No other session holds an exclusive lock; a shared lock also needs no
// other session's shared lock under another key, nor, for an exclusive one,
// any other session's shared lock.
bool ResourceLock::MayLock(Owner owner, ViAccessMode type, const std::string& key) const {
    const Owner exclusive = ExclusiveHolder();
    if (exclusive != nullptr && exclusive != owner) {
        return false;
    }
    if (type == VI_EXCLUSIVE_LOCK) {
        return !AnySharedBy(owner);
    }
    const auto mine = held_.find(owner);
    const bool holdsShared = mine != held_.end() && mine->second.shared > 0;
    return sharedKey_.empty() || key == sharedKey_ || holdsShared;
}

ResourceLock::Owner ResourceLock::ExclusiveHolder() const {
    for (const auto& [owner, held] : held_) {
        if (held.exclusive > 0) {
            return owner;
        }
    }
    return nullptr;
}

// Whether a session other than `self` holds a shared lock.
bool ResourceLock::AnySharedBy(Owner self) const {
    for (const auto& [owner, held] : held_) {
        if (owner != self && held.shared > 0) {
            return true;
        }
    }
    return false;
}

std::string ResourceLock::NewKey() {
    return "zvisa-shared-" + std::to_string(++keysMade_);
}

}  // namespace zvisa
