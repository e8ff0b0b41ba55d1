#include "tcpip/TcpipHostList.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/AsciiText.h"
#include "base/ResourceName.h"

namespace zvisa::tcpip {

namespace {

// The file is small; a huge one is read only this far.
constexpr std::size_t kMaxConfigBytes = 64 * 1024;

std::string ConfigPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return std::string(config) + "/zorvane/hosts";
    }
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] == '/' ? std::string(home) + "/.config/zorvane/hosts"
                                             : std::string();
}

std::string ReadConfig(const std::string& path) {
    if (path.empty()) {
        return {};
    }
    std::ifstream file(path, std::ios::binary);
    std::string text(kMaxConfigBytes, '\0');
    file.read(&text[0], static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
    return text;
}

// The resource an entry names, expanded, or empty.
std::string ResourceOf(std::string_view entry) {
    const std::string text = entry.find("::") == std::string_view::npos
                                 ? "TCPIP0::" + std::string(entry) + "::inst0::INSTR"
                                 : std::string(entry);
    const auto name = ResourceName::Parse(text);
    if (!name || !name->IsTcpipInstr()) {
        return {};
    }
    return name->Expanded();
}

void AddEntry(std::string_view entry, std::vector<std::string>& resources,
              std::vector<std::string>& keys) {
    entry = Trim(entry);
    if (entry.empty()) {
        return;
    }
    const std::string resource = ResourceOf(entry);
    if (resource.empty()) {
        return;
    }
    const std::string key = ResourceName::Parse(resource)->Key();
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
        keys.push_back(key);
        resources.push_back(resource);
    }
}

}  // namespace

std::vector<std::string> TcpipResourcesFrom(const std::string& environment,
                                            const std::string& configFile) {
    std::vector<std::string> resources;
    std::vector<std::string> keys;
    std::string entries = environment;
    std::replace_if(
        entries.begin(), entries.end(), [](char c) { return c == ',' || c == ';'; }, ' ');
    std::istringstream words(entries);
    for (std::string word; words >> word;) {
        AddEntry(word, resources, keys);
    }
    std::istringstream lines(configFile);
    for (std::string line; std::getline(lines, line);) {
        AddEntry(std::string_view(line).substr(0, line.find('#')), resources, keys);
    }
    return resources;
}

std::vector<std::string> ConfiguredTcpipResources() {
    const char* environment = std::getenv("ZVISA_TCPIP_HOSTS");
    return TcpipResourcesFrom(environment != nullptr ? environment : "", ReadConfig(ConfigPath()));
}

}  // namespace zvisa::tcpip
