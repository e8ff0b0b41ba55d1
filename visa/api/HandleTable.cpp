#include "api/HandleTable.h"

#include <vector>

namespace zvisa {

// Never destroyed: a thread may still be inside a call while the process
// exits and runs the destructors of statics.
HandleTable& HandleTable::Global() {
    static auto* const table = new HandleTable;
    return *table;
}

ViStatus HandleTable::Add(Object object, ViObject owner, ViObject& handle) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (owner != VI_NULL) {
        const auto it = entries_.find(owner);
        if (it == entries_.end() ||
            !std::holds_alternative<std::shared_ptr<ResourceManager>>(it->second.object)) {
            return VI_ERROR_INV_OBJECT;
        }
    }
    const ViObject added = NextFreeHandle();
    entries_.emplace(added, Entry{std::move(object), owner});
    handle = added;
    return VI_SUCCESS;
}

bool HandleTable::IsOpen(ViObject handle) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return entries_.count(handle) != 0;
}

ViStatus HandleTable::Close(ViObject handle) {
    // Objects die outside the lock: closing a session releases its transport,
    // which may talk to the device. The owned objects go first, the owner
    // last, as the owner's device sources may outlive nothing they serve.
    // A session's calls still running in other threads hold it until they
    // return; closing ends them.
    std::vector<Entry> closed;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto it = entries_.find(handle);
        if (it == entries_.end()) {
            return VI_ERROR_INV_OBJECT;
        }
        Entry owner = std::move(it->second);
        entries_.erase(it);
        for (auto owned = entries_.begin(); owned != entries_.end();) {
            if (owned->second.owner == handle) {
                closed.push_back(std::move(owned->second));
                owned = entries_.erase(owned);
            } else {
                ++owned;
            }
        }
        closed.push_back(std::move(owner));
    }
    for (const Entry& entry : closed) {
        if (const auto* session = std::get_if<std::shared_ptr<InstrumentSession>>(&entry.object)) {
            (*session)->Close();
        }
    }
    return VI_SUCCESS;
}

// Handles are not reused soon after a close, so a stale handle finds
// nothing instead of someone else's session. VI_NULL is never handed out.
ViObject HandleTable::NextFreeHandle() {
    while (next_ == VI_NULL || entries_.count(next_) != 0) {
        ++next_;
    }
    return next_++;
}

}  // namespace zvisa
