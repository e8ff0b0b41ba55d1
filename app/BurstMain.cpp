// zorvane-burst: the run of the Measurement button without a window; the
// readings go out as CSV for scripts. `zorvane-burst --help` says how.
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "AtomicFile.h"
#include "ConsoleWindow.h"
#include "InstrumentLink.h"
#include "MeasurementRun.h"
#include "ReadingsCsv.h"
#include "Version.h"

namespace {

// Exit statuses, as --help documents them.
constexpr int kExitComplete = 0;
constexpr int kExitRunStopped = 1;
constexpr int kExitUsage = 2;
constexpr int kExitReadingsMissing = 3;
constexpr int kExitWriteFailed = 4;

constexpr const char* kUsage = R"(Usage: zorvane-burst [-o FILE] [-q]
       zorvane-burst --help | --version

Runs one measurement on the first meter found, the same run as the
Measurement button of zorvane: reads the meter's identity, checks that it is
set to DC volts or DC current, takes a burst of 50000 readings and fetches
them in one "DR?" block. The readings are written as CSV:

  # <identity>; <date and time of the run>; <total time>
  # <message>          (only when readings are missing, one line each)
  index,value
  0,1.500101
  ...

with the index and value texts exactly as the window shows them.

Options:
  -o FILE, --output FILE  write the CSV to FILE instead of standard output;
                          FILE is replaced as a whole or left as it was
  -q, --quiet             on standard error, show only the run's messages
  -h, --help              show this text and exit
  --version               show the version and exit

Standard error shows the identity, each command with its time, the total
time, a progress line every 5000 readings and at the end, and every message
the window would show (for instance "Find resource manager failed.").

Environment:
  ZVISA_SIM  offer a simulated meter instead of real USB meters, e.g.
             ZVISA_SIM=dcv,instant. Profiles: dcv (DC volts), dci (DC
             current), acv (AC volts, rejected by the run), mute (never
             answers; the run waits out two 7 s timeouts). Options: instant
             (no acquisition time), truncate=N (the "DR?" reply ends after N
             bytes). Unset: only meters on USB are used.

Exit status:
  0  every announced reading arrived and the CSV was written
  1  the run stopped before any readings (no meter, wrong function, no
     reply, no memory); nothing is written and FILE is left as it was
  2  usage error
  3  readings are missing (short or absent block); the readings that did
     arrive are written, with the message as a comment line
  4  the CSV could not be written (takes precedence over 3)
)";

struct Options {
    bool help = false;
    bool version = false;
    bool quiet = false;
    std::optional<std::string> outputPath;  // standard output when empty
};

struct ParsedOptions {
    Options options;
    std::string error;  // empty when the command line is usable
};

ParsedOptions ParseOptions(int argc, char** argv) {
    ParsedOptions parsed;
    Options& options = parsed.options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "-o" || arg == "--output") {
            if (i + 1 >= argc) {
                parsed.error = std::string(arg) + " needs a file name";
                return parsed;
            }
            options.outputPath = argv[++i];
        } else if (arg.rfind("--output=", 0) == 0) {
            options.outputPath = std::string(arg.substr(std::string_view("--output=").size()));
        } else {
            parsed.error = "unknown argument \"" + std::string(arg) + "\"";
            return parsed;
        }
    }
    if (options.outputPath && options.outputPath->empty()) {
        parsed.error = "the output file name is empty";
    }
    return parsed;
}

ReadingsCsv CsvOfRun(const ConsoleWindow& window, std::time_t runStart) {
    ReadingsCsvHeader header{window.Identity(), ReadingsCsv::DateTimeText(runStart),
                             window.TotalTime(), window.Messages()};
    ReadingsCsv csv(header);
    csv.Reserve(window.Readings().size());
    for (const ConsoleWindow::ReadingRow& row : window.Readings()) {
        csv.AddRow(row.indexText, row.valueText);
    }
    return csv;
}

bool WriteToStandardOutput(const std::string& text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return std::fflush(stdout) == 0 && written && !std::ferror(stdout);
}

// Writes the CSV where the options say; false after saying why it could not.
bool WriteCsv(const Options& options, const std::string& text) {
    if (!options.outputPath) {
        if (!WriteToStandardOutput(text)) {
            std::cerr << "Cannot write the readings to standard output.\n";
            return false;
        }
        return true;
    }
    AtomicFile file(*options.outputPath);
    if (!file.Write(text)) {
        std::cerr << file.Error() << '\n';
        return false;
    }
    return true;
}

int ExitStatusOf(ConsoleWindow::Outcome outcome) {
    switch (outcome) {
        case ConsoleWindow::Outcome::kComplete:
            return kExitComplete;
        case ConsoleWindow::Outcome::kReadingsMissing:
            return kExitReadingsMissing;
        case ConsoleWindow::Outcome::kStoppedBeforeReadings:
            break;
    }
    return kExitRunStopped;
}

int Measure(const Options& options) {
    ConsoleWindow::Report report;
    report.out = &std::cerr;
    report.messagesOnly = options.quiet;
    report.progressInPlace = isatty(STDERR_FILENO) == 1;
    ConsoleWindow window(report);
    InstrumentLink link;

    const std::time_t runStart = std::time(nullptr);
    RunMeasurement(window, link);
    window.EndProgress();

    const ConsoleWindow::Outcome outcome = window.RunOutcome();
    if (outcome == ConsoleWindow::Outcome::kStoppedBeforeReadings) {
        return kExitRunStopped;
    }
    if (!WriteCsv(options, CsvOfRun(window, runStart).Text())) {
        return kExitWriteFailed;
    }
    return ExitStatusOf(outcome);
}

// --help and --version: the text on standard output.
int PrintText(const char* text) {
    std::cout << text;
    return std::cout.flush() ? kExitComplete : kExitWriteFailed;
}

}  // namespace

int main(int argc, char** argv) {
    const ParsedOptions parsed = ParseOptions(argc, argv);
    if (!parsed.error.empty()) {
        std::cerr << "zorvane-burst: " << parsed.error << "\nTry \"zorvane-burst --help\".\n";
        return kExitUsage;
    }
    if (parsed.options.help) {
        return PrintText(kUsage);
    }
    if (parsed.options.version) {
        return PrintText("zorvane-burst " ZORVANE_VERSION "\n");
    }
    return Measure(parsed.options);
}
