#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "api/InstrumentSession.h"
#include "api/ResourceExpression.h"
#include "api/SharedDevice.h"
#include "base/ResourceProvider.h"
#include "base/UsbTransport.h"
#include "visa.h"

namespace zvisa {

// One viOpenDefaultRM: the providers it asks for instruments, in order.
class ResourceManager {
public:
    explicit ResourceManager(std::vector<std::unique_ptr<ResourceProvider>> providers);

    // Every resource the providers list now that matches, in provider order, then the TCPIP
    // resources the user configured (tcpip/TcpipHostList.h).
    std::vector<std::string> Find(const ResourceExpression& expression);

    // The device of the listed resource that `name` designates, shared with
    // the process's other sessions to it; `resource` gets the listed name.
    // VI_ERROR_INV_RSRC_NAME when `name` is no resource string,
    // VI_ERROR_RSRC_NFOUND when no provider lists it, else what the
    // provider's Open says.
    ViStatus Open(std::string_view name, std::shared_ptr<SharedDevice>& device,
                  std::string& resource);

    // A new session on the resource `name` designates: a USB one on the shared device Open
    // gives, or a TCPIP INSTR one on a link of its own, opened directly, never looked up.
    ViStatus OpenSession(std::string_view name, std::shared_ptr<InstrumentSession>& session);

private:
    std::mutex mutex_;  // providers are not required to be thread-safe
    std::vector<std::unique_ptr<ResourceProvider>> providers_;
};

}  // namespace zvisa
