#include "share/ShareOptions.h"

#include <cstdlib>

const char* const kShareUsage =
    R"(Usage: zorvane-share [--listen ADDRESS]... [--allow CIDR]... [--match EXPRESSION]
                     [--idle-timeout SECONDS]
       zorvane-share --help | --version

Serves the meters the VISA library finds as VXI-11 network instruments, so
VISA, PyVISA and lxi-tools on other PCs reach them as TCPIP0::HOST::inst0::INSTR.
The meters are inst0, inst1, ... in the order `zorvane-burst --list` prints
them, and also usb0[VID::PID::SERIAL::INTERFACE] with decimal ids. Where no
rpcbind runs, the server answers the portmapper on port 111 itself (TCP and
UDP, which needs root or CAP_NET_BIND_SERVICE); where one runs, it registers
there. VXI-11 has no authentication: serve on a trusted lab network only.

Options:
  --listen ADDRESS        listen on this IPv4 or IPv6 address (repeatable;
                          default 127.0.0.1 only; 0.0.0.0 means every IPv4
                          address)
  --allow CIDR            accept only clients in this block, e.g.
                          192.168.10.0/24 (repeatable; default every client
                          that reaches a listening address)
  --match EXPRESSION      serve the USB INSTR resources this VISA expression
                          matches (default the meters':
                          USB[0-9]*::0x7A5E::0x0C4[6-7]::?*INSTR)
  --idle-timeout SECONDS  close a connection, and its links, after this long
                          without a call (default 600)
  --help                  print this help and exit
  --version               print the version and exit

One line on standard error for each link opened or closed, with the client's
address. SIGTERM or SIGINT closes every link and stops the server.

Exit status:
  0  stopped by SIGTERM or SIGINT
  2  the command line is wrong
  3  a listening address or port could not be had
  4  no portmapper: port 111 could not be had and no rpcbind answers, or the
     running rpcbind refused to register the server
  5  the VISA library could not be opened
)";

namespace {

constexpr long kMaxIdleSeconds = 7 * 24 * 3600;

std::optional<long> Seconds(const std::string& text) {
    if (text.empty() || text.size() > 7 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    long seconds = std::atol(text.c_str());
    if (seconds < 1 || seconds > kMaxIdleSeconds) {
        return std::nullopt;
    }
    return seconds;
}

}  // namespace

ParsedShareOptions ParseShareOptions(const std::vector<std::string>& args) {
    ShareOptions options;
    auto fail = [](const std::string& error) { return ParsedShareOptions{std::nullopt, error}; };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.action = ShareOptions::Action::kHelp;
            return {options, ""};
        }
        if (arg == "--version") {
            options.action = ShareOptions::Action::kVersion;
            return {options, ""};
        }
        if (arg != "--listen" && arg != "--allow" && arg != "--match" && arg != "--idle-timeout") {
            return fail("unknown option \"" + arg + "\" (see --help)");
        }
        if (i + 1 == args.size()) {
            return fail(arg + " needs a value (see --help)");
        }
        const std::string& value = args[++i];
        if (arg == "--listen") {
            std::optional<NetAddress> address = NetAddress::Parse(value);
            if (!address) {
                return fail("--listen \"" + value + "\" is no numeric IPv4 or IPv6 address");
            }
            options.config.listen.push_back(*address);
        } else if (arg == "--allow") {
            std::optional<Cidr> cidr = Cidr::Parse(value);
            if (!cidr) {
                return fail("--allow \"" + value + "\" is no address block such as 192.168.1.0/24");
            }
            options.config.allow.push_back(*cidr);
        } else if (arg == "--match") {
            if (value.empty()) {
                return fail("--match needs a VISA resource expression");
            }
            options.config.expression = value;
        } else {
            std::optional<long> seconds = Seconds(value);
            if (!seconds) {
                return fail("--idle-timeout \"" + value + "\" is no number of seconds from 1 to " +
                            std::to_string(kMaxIdleSeconds));
            }
            options.config.idleTimeout = std::chrono::seconds(*seconds);
        }
    }
    if (options.config.listen.empty()) {
        options.config.listen.push_back(*NetAddress::Parse("127.0.0.1"));
    }
    return {options, ""};
}
