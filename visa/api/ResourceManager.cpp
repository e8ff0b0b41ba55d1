#include "api/ResourceManager.h"

#include "api/OpenDevices.h"
#include "api/TcpipSession.h"
#include "api/UsbSession.h"
#include "base/ResourceName.h"
#include "tcpip/TcpipHostList.h"

namespace zvisa {

ResourceManager::ResourceManager(std::vector<std::unique_ptr<ResourceProvider>> providers)
    : providers_(std::move(providers)) {}

std::vector<std::string> ResourceManager::Find(const ResourceExpression& expression) {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> matches;
    for (const auto& provider : providers_) {
        for (std::string& resource : provider->ListResources()) {
            // A name no buffer holds whole is never handed out.
            if (ResourceName::Parse(resource) && expression.Matches(resource)) {
                matches.push_back(std::move(resource));
            }
        }
    }
    for (std::string& resource : tcpip::ConfiguredTcpipResources()) {
        if (expression.Matches(resource)) {
            matches.push_back(std::move(resource));
        }
    }
    return matches;
}

ViStatus ResourceManager::Open(std::string_view name, std::shared_ptr<SharedDevice>& device,
                               std::string& resource) {
    const std::optional<ResourceName> wanted = ResourceName::Parse(name);
    if (!wanted) {
        return VI_ERROR_INV_RSRC_NAME;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& provider : providers_) {
        for (const std::string& candidate : provider->ListResources()) {
            const std::optional<ResourceName> listed = ResourceName::Parse(candidate);
            if (listed && listed->SameResource(*wanted)) {
                resource = candidate;
                return OpenDevices::Global().Acquire(
                    listed->Key(),
                    [&](std::unique_ptr<UsbTransport>& transport) {
                        return provider->Open(candidate, transport);
                    },
                    device);
            }
        }
    }
    return VI_ERROR_RSRC_NFOUND;
}

ViStatus ResourceManager::OpenSession(std::string_view name,
                                      std::shared_ptr<InstrumentSession>& session) {
    const std::optional<ResourceName> wanted = ResourceName::Parse(name);
    if (wanted && wanted->IsTcpipInstr()) {
        return TcpipSession::Open(*wanted, session);
    }
    std::shared_ptr<SharedDevice> device;
    std::string resource;
    const ViStatus opened = Open(name, device, resource);
    if (opened < VI_SUCCESS) {
        return opened;
    }
    session = std::make_shared<UsbSession>(std::move(device), resource);
    return opened;
}

}  // namespace zvisa
