#include "api/ResourceManager.h"

#include "base/ResourceName.h"

namespace zvisa {

ResourceManager::ResourceManager(std::vector<std::unique_ptr<ResourceProvider>> providers)
    : providers_(std::move(providers)) {}

std::vector<std::string> ResourceManager::Find(const ResourceExpression& expression) {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> matches;
    for (const auto& provider : providers_) {
        for (std::string& resource : provider->ListResources()) {
            if (expression.Matches(resource)) {
                matches.push_back(std::move(resource));
            }
        }
    }
    return matches;
}

ViStatus ResourceManager::Open(std::string_view name, std::unique_ptr<UsbTransport>& transport) {
    const std::optional<ResourceName> wanted = ResourceName::Parse(name);
    if (!wanted) {
        return VI_ERROR_INV_RSRC_NAME;
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& provider : providers_) {
        for (const std::string& resource : provider->ListResources()) {
            const std::optional<ResourceName> listed = ResourceName::Parse(resource);
            if (listed && listed->SameResource(*wanted)) {
                return provider->Open(resource, transport);
            }
        }
    }
    return VI_ERROR_RSRC_NFOUND;
}

}  // namespace zvisa
