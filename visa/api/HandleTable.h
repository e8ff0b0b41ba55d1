#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>
#include <variant>

#include "api/FindList.h"
#include "api/InstrumentSession.h"
#include "api/ResourceManager.h"
#include "visa.h"

namespace zvisa {

// The objects behind the handles of the C interface. The table owns each
// object; a caller that looks one up shares it for the length of its call,
// so a viClose from another thread never pulls it out from under a viRead.
class HandleTable {
public:
    using Object = std::variant<std::shared_ptr<ResourceManager>, std::shared_ptr<FindList>,
                                std::shared_ptr<InstrumentSession>>;

    // The table behind the C interface.
    static HandleTable& Global();

    // Sets `handle` to a new handle for `object`; VI_ERROR_INV_OBJECT, and
    // `handle` left alone, when `owner` (a resource manager, or VI_NULL for
    // none) is not open: it was closed meanwhile.
    ViStatus Add(Object object, ViObject owner, ViObject& handle);

    // The object when `handle` is open and of type T, else null.
    template <typename T>
    std::shared_ptr<T> Get(ViObject handle) const {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto it = entries_.find(handle);
        if (it == entries_.end()) {
            return nullptr;
        }
        const auto* object = std::get_if<std::shared_ptr<T>>(&it->second.object);
        return object != nullptr ? *object : nullptr;
    }

    bool IsOpen(ViObject handle) const;

    // Closes `handle` and, for a resource manager, everything opened from it,
    // ending the calls in progress on the sessions closed. VI_ERROR_INV_OBJECT
    // when the handle is not open.
    ViStatus Close(ViObject handle);

private:
    struct Entry {
        Object object;
        ViObject owner = VI_NULL;
    };

    ViObject NextFreeHandle();

    mutable std::mutex mutex_;
    std::unordered_map<ViObject, Entry> entries_;
    ViObject next_ = 1;
};

}  // namespace zvisa
