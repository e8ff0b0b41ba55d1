// zorvane-burst: the run of the Measurement button without a window; the
// readings go out as CSV for scripts. `zorvane-burst --help` says how.
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <iomanip>
#include <iostream>
#include <locale>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/ReadingStatistics.h"
#include "analysis/SampleInterval.h"
#include "analysis/WelchSpectrum.h"
#include "app/ConsoleReport.h"
#include "csv/ReadingsCsv.h"
#include "res/Version.h"
#include "run/MeasurementRun.h"
#include "run/MeterList.h"
#include "run/RunRecord.h"
#include "save/AtomicFile.h"
#include "save/InterruptCleanup.h"

namespace {

// Exit statuses, as --help documents them.
constexpr int kExitComplete = 0;
constexpr int kExitRunStopped = 1;
constexpr int kExitUsage = 2;
constexpr int kExitReadingsMissing = 3;
constexpr int kExitWriteFailed = 4;
constexpr int kExitNoSuchMeter = 5;

constexpr const char* kUsage =
    R"(Usage: zorvane-burst [-o FILE] [-q] [--stats] [--line-frequency 50|60]
                    [--resource NAME]
       zorvane-burst --list [-v]
       zorvane-burst --help | --version

Runs one measurement on the first meter found (or the one --resource names),
the same run as the Measurement button of zorvane: reads the meter's
identity, checks that it is set to DC volts or DC current, takes a burst of
50000 readings and fetches them in one "DR?" block. The readings are
written as CSV:

  # <identity>; <date and time of the run>; <total time>
  # <message>          (only when readings are missing, one line each)
  index,value
  0,1.500101
  ...

with the index and value texts exactly as the window shows them.

Options:
  -o FILE, --output FILE  write the CSV to FILE instead of standard output
                          ("-" means standard output, "./-" a file named -).
                          A regular file is replaced as a whole or left as
                          it was, keeping its mode; a symbolic link is
                          followed and the file it leads to replaced; other
                          hard links of the file keep the old readings. A
                          device or FIFO is written straight through (a FIFO
                          must have a reader). A file you may not write is
                          refused. Interrupted by SIGINT, SIGTERM or SIGHUP,
                          no temporary file is left behind.
  -q, --quiet             on standard error, show only the run's messages
  --stats                 after the run, write to standard error one line
                          per figure: "mean <value>", "std <value>" (the
                          RMS of the AC part), "pp <value>" (peak to peak),
                          then "peak <Hz> <RMS amplitude>" for up to five
                          peaks of the spectrum (Welch, Hann window, 4096
                          readings a segment) that stand 8 times above the
                          noise floor around them, largest first
  --line-frequency HZ     the mains frequency, 50 (default) or 60: a reading
                          takes 0.001 of its period, which sets the
                          spectrum's frequencies
  --resource NAME         run on the meter NAME, as --list prints it (case
                          does not matter), instead of the first one found;
                          or on a meter shared on the network (see
                          zorvane-share), e.g. TCPIP0::bench::inst0::INSTR
                          (TCPIP[board]::host[::device][::INSTR], device
                          inst0 when left out), opened by its name without
                          a search
  --list                  print the resource name of every meter found, one
                          a line, and exit
  -v, --verbose           with --list, follow each name with a tab and the
                          meter's identity (its reply to *idn?, empty when it
                          does not answer)
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
             bytes); for dcv and dci ripple=AMP@HZ (a sine of peak AMP, may
             repeat), noise=SIGMA, step=AMP@INDEX, seed=N, with readings
             20 us apart. Unset: only meters on USB are used.

Exit status:
  0  every announced reading arrived and the CSV was written
  1  the run stopped before any readings (no meter, wrong function, no
     reply, no memory); nothing is written and FILE is left as it was
  2  usage error
  3  readings are missing (short or absent block); the readings that did
     arrive are written, with the message as a comment line
  4  the CSV could not be written (takes precedence over 3)
  5  no meter has the USB name --resource gives; nothing is written (a
     TCPIP meter that cannot be opened stops the run: status 1)
With --list: 0 when it found a meter, 1 when it found none.
)";

struct Options {
    bool help = false;
    bool version = false;
    bool quiet = false;
    bool stats = false;
    int lineFrequencyHz = SampleInterval::kDefaultLineFrequencyHz;
    bool list = false;
    bool verbose = false;
    std::optional<std::string> outputPath;  // standard output when empty
    std::optional<std::string> resource;    // the first meter found when empty
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
        } else if (arg == "--list") {
            options.list = true;
        } else if (arg == "-v" || arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "-o" || arg == "--output") {
            if (i + 1 >= argc) {
                parsed.error = std::string(arg) + " needs a file name";
                return parsed;
            }
            options.outputPath = argv[++i];
        } else if (arg == "--stats") {
            options.stats = true;
        } else if (arg == "--line-frequency") {
            const std::string hz = i + 1 < argc ? argv[++i] : "";
            options.lineFrequencyHz = hz == "50" ? 50 : hz == "60" ? 60 : 0;
            if (!SampleInterval::IsLineFrequency(options.lineFrequencyHz)) {
                parsed.error = "--line-frequency takes 50 or 60";
                return parsed;
            }
        } else if (arg == "--resource") {
            if (i + 1 >= argc) {
                parsed.error = "--resource needs a resource name";
                return parsed;
            }
            options.resource = argv[++i];
        } else if (arg.rfind("--output=", 0) == 0) {
            options.outputPath = std::string(arg.substr(std::string_view("--output=").size()));
        } else if (arg.rfind("--resource=", 0) == 0) {
            options.resource = std::string(arg.substr(std::string_view("--resource=").size()));
        } else {
            parsed.error = "unknown argument \"" + std::string(arg) + "\"";
            return parsed;
        }
    }
    if (options.outputPath && options.outputPath->empty()) {
        parsed.error = "the output file name is empty";
    }
    if (options.resource && options.resource->empty()) {
        parsed.error = "the resource name is empty";
    }
    if (options.outputPath == "-") {
        options.outputPath.reset();  // "./-" names a file called "-"
    }
    return parsed;
}

bool WriteToStandardOutput(const std::string& text) {
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return std::fflush(stdout) == 0 && written && !std::ferror(stdout);
}

// Writes the CSV where the options say; returns why it could not, or nothing.
std::string WriteCsv(const Options& options, const std::string& text) {
    if (!options.outputPath) {
        return WriteToStandardOutput(text) ? std::string()
                                           : "Cannot write the readings to standard output.";
    }
    AtomicFile file(*options.outputPath);
    return file.Write(text) ? std::string() : file.Error();
}

// The figures --stats promises, one a line, in the C locale's notation.
void PrintStatistics(const RunRecord& record, int lineFrequencyHz) {
    const ReadingStatistics statistics = ReadingStatistics::Of(record.Values());
    const AmplitudeSpectrum spectrum =
        WelchSpectrum().Of(record.Values(), SampleInterval::Seconds(lineFrequencyHz));
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << std::setprecision(10) << "mean " << statistics.Mean() << "\nstd " << statistics.AcRms()
        << "\npp " << statistics.PeakToPeak() << '\n';
    for (const SpectrumPeak& peak : spectrum.peaks) {
        out << "peak " << peak.frequencyHz << ' ' << peak.rmsAmplitude << '\n';
    }
    std::cerr << out.str();
}

int ExitStatusOf(RunRecord::Outcome outcome) {
    switch (outcome) {
        case RunRecord::Outcome::kComplete:
            return kExitComplete;
        case RunRecord::Outcome::kReadingsMissing:
            return kExitReadingsMissing;
        case RunRecord::Outcome::kStoppedBeforeReadings:
            break;
    }
    return kExitRunStopped;
}

// --list: one meter a line, with -v its identity after a tab.
int PrintMeterList(const Options& options) {
    const std::vector<FoundMeter> meters = ListMeters(options.verbose);
    for (const FoundMeter& meter : meters) {
        std::cout << meter.resource << (options.verbose ? "\t" + meter.identity : "") << '\n';
    }
    if (!std::cout.flush()) {
        return kExitWriteFailed;
    }
    return meters.empty() ? kExitRunStopped : kExitComplete;
}

int Measure(const Options& options) {
    if (options.resource && !FindsMeter(*options.resource)) {
        std::cerr << "zorvane-burst: no meter named \"" << *options.resource
                  << "\"; zorvane-burst --list shows the meters found\n";
        return kExitNoSuchMeter;
    }
    ConsoleReport::Settings settings;
    settings.out = &std::cerr;
    settings.messagesOnly = options.quiet;
    settings.progressInPlace = isatty(STDERR_FILENO) == 1;
    ConsoleReport report(settings);
    RunRecord record(std::time(nullptr));
    RunMeasurement(report, record, options.resource.value_or(std::string()));
    report.EndProgress();

    const RunRecord::Outcome outcome = record.RunOutcome();
    if (outcome == RunRecord::Outcome::kStoppedBeforeReadings) {
        return kExitRunStopped;
    }
    if (options.stats) {
        PrintStatistics(record, options.lineFrequencyHz);
    }
    const std::string writeError = WriteCsv(options, ReadingsCsv::Of(record).Text());
    if (!writeError.empty()) {
        std::cerr << writeError << '\n';
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
    if (parsed.options.list) {
        return PrintMeterList(parsed.options);
    }
    InterruptCleanup::Install();
    return Measure(parsed.options);
}
