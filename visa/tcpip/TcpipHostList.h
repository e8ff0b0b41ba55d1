#pragma once

#include <string>
#include <vector>

namespace zvisa::tcpip {

// The VXI-11 resources the user listed, for viFindRsrc: ZVISA_TCPIP_HOSTS (separated by blanks,
// commas or semicolons), then $XDG_CONFIG_HOME/zorvane/hosts (~/.config/zorvane/hosts; one per
// line, '#' starts a comment). An entry is a TCPIP INSTR resource name or a bare host, which
// stands for TCPIP0::host::inst0::INSTR. Listing reads only these: it never touches the network.
// Entries that are neither are skipped, duplicates listed once, in order.
std::vector<std::string> ConfiguredTcpipResources();

// The same for given texts, for tests.
std::vector<std::string> TcpipResourcesFrom(const std::string& environment,
                                            const std::string& configFile);

}  // namespace zvisa::tcpip
