#include "share/LinkTable.h"

std::optional<std::int32_t> LinkTable::Reserve(const NetAddress& client) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t& ofClient = perClient_[client.Host()];
    if (links_.size() + reserved_ >= maxTotal_ || ofClient >= maxPerClient_) {
        if (ofClient == 0) {
            perClient_.erase(client.Host());
        }
        return std::nullopt;
    }
    ++ofClient;
    ++reserved_;
    // Ids wrap after 2^31 links; one still open is skipped.
    do {
        nextId_ = nextId_ == INT32_MAX ? 0 : nextId_ + 1;
    } while (links_.count(nextId_) != 0);
    return nextId_;
}

void LinkTable::Commit(const NetAddress& client, std::int32_t lid, std::shared_ptr<Link> link) {
    std::lock_guard<std::mutex> lock(mutex_);
    --reserved_;
    if (link) {
        links_[lid] = std::move(link);
    } else if (--perClient_[client.Host()] == 0) {
        perClient_.erase(client.Host());
    }
}

std::shared_ptr<Link> LinkTable::Find(std::int32_t lid) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = links_.find(lid);
    return found == links_.end() ? nullptr : found->second;
}

std::shared_ptr<Link> LinkTable::Remove(std::int32_t lid) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = links_.find(lid);
    if (found == links_.end()) {
        return nullptr;
    }
    std::shared_ptr<Link> link = std::move(found->second);
    links_.erase(found);
    if (--perClient_[link->Client().Host()] == 0) {
        perClient_.erase(link->Client().Host());
    }
    return link;
}

std::size_t LinkTable::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return links_.size();
}
