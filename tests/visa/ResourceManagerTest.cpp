// The resource manager over stand-in providers: which provider a name goes
// to and what comes back from it.
#include "api/ResourceManager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using zvisa::ResourceExpression;
using zvisa::ResourceManager;
using zvisa::ResourceProvider;
using zvisa::UsbTransport;

// Lists fixed names; Open records what it was asked and answers `status`.
class ListedProvider : public ResourceProvider {
public:
    ListedProvider(std::vector<std::string> names, ViStatus status, std::vector<std::string>& log)
        : names_(std::move(names)), status_(status), log_(log) {}

    std::vector<std::string> ListResources() override { return names_; }
    ViStatus Open(const std::string& resource, std::unique_ptr<UsbTransport>&) override {
        log_.push_back(resource);
        return status_;
    }

private:
    std::vector<std::string> names_;
    ViStatus status_;
    std::vector<std::string>& log_;
};

class ResourceManagerTest : public testing::Test {
protected:
    ResourceManager Manager(ViStatus firstStatus, ViStatus secondStatus) {
        std::vector<std::unique_ptr<ResourceProvider>> providers;
        providers.push_back(std::make_unique<ListedProvider>(
            std::vector<std::string>{"USB0::0x7A5E::0x0C46::SIM0001::INSTR"}, firstStatus, opened));
        providers.push_back(std::make_unique<ListedProvider>(
            std::vector<std::string>{"USB0::0x7A5E::0x0C45::B::INSTR",
                                     "USB1::0x7A5E::0x0C47::C::INSTR"},
            secondStatus, opened));
        return ResourceManager(std::move(providers));
    }

    std::vector<std::string> opened;
    std::shared_ptr<zvisa::SharedDevice> device;
    std::string resource;
};

TEST_F(ResourceManagerTest, FindKeepsProviderOrder) {
    ResourceManager manager = Manager(VI_SUCCESS, VI_SUCCESS);
    const auto expression = ResourceExpression::Compile("USB?*::0x0C4[67]::?*");
    const std::vector<std::string> expected = {"USB0::0x7A5E::0x0C46::SIM0001::INSTR",
                                               "USB1::0x7A5E::0x0C47::C::INSTR"};
    EXPECT_EQ(manager.Find(*expression), expected);
}

// A name no VI_FIND_BUFLEN buffer holds is never handed out, nor anything
// that is no resource name at all.
TEST_F(ResourceManagerTest, FindSkipsNamesNoBufferHolds) {
    std::vector<std::unique_ptr<ResourceProvider>> providers;
    const std::string tooLong = "USB0::0x7A5E::0x0C46::" + std::string(227, 'S') + "::INSTR";
    providers.push_back(std::make_unique<ListedProvider>(
        std::vector<std::string>{tooLong, "not a name", "USB0::0x7A5E::0x0C46::A::INSTR"},
        VI_SUCCESS, opened));
    ResourceManager manager(std::move(providers));
    EXPECT_EQ(manager.Find(*ResourceExpression::Compile("?*")),
              std::vector<std::string>{"USB0::0x7A5E::0x0C46::A::INSTR"});
}

TEST_F(ResourceManagerTest, OpenGoesToTheProviderThatListsTheName) {
    ResourceManager manager = Manager(VI_SUCCESS, VI_ERROR_RSRC_BUSY);
    EXPECT_EQ(manager.Open("usb1::31326::3143::c", device, resource), VI_ERROR_RSRC_BUSY);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "USB1::0x7A5E::0x0C47::C::INSTR");  // the name as listed
    EXPECT_EQ(resource, opened[0]);
}

TEST_F(ResourceManagerTest, OpenPassesProviderFailuresOn) {
    for (const ViStatus status : {VI_ERROR_NPERMISSION, VI_ERROR_RSRC_BUSY, VI_ERROR_RSRC_NFOUND}) {
        ResourceManager manager = Manager(status, VI_SUCCESS);
        EXPECT_EQ(manager.Open("USB0::0x7A5E::0x0C46::SIM0001::INSTR", device, resource), status);
    }
}

TEST_F(ResourceManagerTest, OpenTellsUnknownFromMalformedNames) {
    ResourceManager manager = Manager(VI_SUCCESS, VI_SUCCESS);
    EXPECT_EQ(manager.Open("USB0::0x7A5E::0x0C46::OTHER::INSTR", device, resource),
              VI_ERROR_RSRC_NFOUND);
    EXPECT_EQ(manager.Open("USB0::0x7A5E", device, resource), VI_ERROR_INV_RSRC_NAME);
    EXPECT_EQ(manager.Open("", device, resource), VI_ERROR_INV_RSRC_NAME);
    EXPECT_TRUE(opened.empty());
}

}  // namespace
