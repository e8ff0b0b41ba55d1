#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "share/Link.h"
#include "share/NetAddress.h"

// Every open link of the server by its id, within bounds on links in total and per client host.
// The abort channel finds a link here; the connection that made a link owns it.
class LinkTable {
public:
    LinkTable(std::size_t maxTotal, std::size_t maxPerClient)
        : maxTotal_(maxTotal), maxPerClient_(maxPerClient) {}

    // A new link id with room kept for it, or none when a bound is reached.
    std::optional<std::int32_t> Reserve(const NetAddress& client);
    // Takes the link opened for a reserved id, or gives the room back when it is null.
    void Commit(const NetAddress& client, std::int32_t lid, std::shared_ptr<Link> link);
    std::shared_ptr<Link> Find(std::int32_t lid) const;
    std::shared_ptr<Link> Remove(std::int32_t lid);
    std::size_t Count() const;

private:
    std::size_t maxTotal_;
    std::size_t maxPerClient_;
    mutable std::mutex mutex_;
    std::int32_t nextId_ = 0;
    std::size_t reserved_ = 0;
    std::map<std::string, std::size_t> perClient_;  // by host, reservations included
    std::map<std::int32_t, std::shared_ptr<Link>> links_;
};
