#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "share/Link.h"
#include "share/LinkTable.h"
#include "share/MeterRegistry.h"
#include "share/NetAddress.h"
#include "share/RpcProgram.h"

// What every core channel of the server shares.
struct CoreContext {
    MeterRegistry& registry;
    LinkTable& links;
    ViSession resourceManager;
    std::uint16_t abortPort;
    std::uint32_t maxRecvSize;
};

// The VXI-11 core channel of one client connection: its calls on the links it created. A link
// belongs to the connection that made it, and closes with it.
class CoreChannel : public RpcProgram {
public:
    CoreChannel(const CoreContext& context, NetAddress peer);
    ~CoreChannel() override;

    // Closes the connection's links, naming why in the log.
    void Closed(const std::string& why) override { CloseLinks(why); }
    void Interrupt() override;

protected:
    zvisa::vxi11::AcceptStat Call(std::uint32_t procedure, zvisa::vxi11::XdrReader& args,
                                  zvisa::vxi11::XdrWriter& results) override;

private:
    void CloseLinks(const std::string& why);
    zvisa::vxi11::CreateLinkResp CreateLink(const zvisa::vxi11::CreateLinkParms& parms);
    std::int32_t DestroyLink(std::int32_t lid, const std::string& why);
    // The connection's link `lid`, marked as the one a call is running on; null when the
    // connection has no such link.
    std::shared_ptr<Link> Begin(std::int32_t lid);
    void End();
    // Decodes the arguments of a call on one link, runs it and encodes its reply.
    template <typename Parms, typename Run>
    zvisa::vxi11::AcceptStat OnLink(zvisa::vxi11::XdrReader& args, zvisa::vxi11::XdrWriter& results,
                                    Parms parms, Run run);

    const CoreContext& context_;
    NetAddress peer_;
    std::set<std::int32_t> lids_;
    std::mutex busyMutex_;
    std::shared_ptr<Link> busy_;
};
