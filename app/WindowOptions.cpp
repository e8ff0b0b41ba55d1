#include "app/WindowOptions.h"

#include <algorithm>
#include <string_view>

const char* const kWindowUsage =
    R"(Usage: zorvane [--resource NAME] [Qt options]
       zorvane --help | --version

Opens the Zorvane window. Each press of Measurement reads the meter's
identity, checks that it is set to DC volts or DC current, takes a burst of
50000 readings and shows them.

Options:
  --resource NAME  run on the meter NAME for this start instead of the first
                   one found: a USB name as `zorvane-burst --list` prints it,
                   or a meter shared on the network, such as
                   TCPIP0::bench::inst0::INSTR (see zorvane-share). The name
                   shows as the identity line's tooltip; nothing is kept for
                   the next start
  -h, --help       show this text and exit
  --version        show the version and exit

Qt's own options (-platform, -style, -display, -geometry, -reverse, ...) are
passed to Qt.

Exit status: 0, or 2 when the command line is wrong.
)";

namespace {

// Qt's options that take the next argument as their value, and those that take none.
constexpr std::string_view kQtValueOptions[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
    "style",       "stylesheet",         "name",          "title"};
constexpr std::string_view kQtFlagOptions[] = {"reverse", "widgetcount", "nograb", "dograb",
                                               "sync"};
constexpr std::string_view kResourceOption = "--resource";

template <std::size_t N>
bool Holds(const std::string_view (&names)[N], std::string_view name) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

// The option's name without its one or two dashes; empty for no option.
std::string_view QtOptionName(std::string_view arg) {
    if (arg.size() < 2 || arg[0] != '-') {
        return {};
    }
    arg.remove_prefix(arg[1] == '-' ? 2 : 1);
    return arg;
}

}  // namespace

WindowOptions WindowOptions::Parse(const std::vector<std::string>& args) {
    WindowOptions options;
    auto fail = [&options](const std::string& error) {
        options.error = error;
        return options;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const std::string_view qtName = QtOptionName(arg);
        const std::string_view qtKey = qtName.substr(0, qtName.find('='));
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == kResourceOption) {
            if (i + 1 == args.size()) {
                return fail("--resource needs a resource name");
            }
            options.resource = args[++i];
            if (options.resource.empty()) {
                return fail("the resource name is empty");
            }
        } else if (arg.rfind("--resource=", 0) == 0) {
            options.resource = std::string(arg.substr(kResourceOption.size() + 1));
            if (options.resource.empty()) {
                return fail("the resource name is empty");
            }
        } else if (Holds(kQtValueOptions, qtKey)) {
            if (qtKey == qtName && ++i == args.size()) {
                return fail(std::string(arg) + " needs a value");
            }
        } else if (!Holds(kQtFlagOptions, qtName)) {
            return fail(
                (arg.empty() || arg[0] != '-' ? "unexpected argument \"" : "unknown option \"") +
                std::string(arg) + "\"");
        }
    }
    return options;
}
