#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "MeterWindow.h"

// Where the console runner has a run show its results: keeps everything the
// run shows so it can be written out once the run is over, and reports the
// run on a stream as it goes.
class ConsoleReport : public MeterWindow {
public:
    struct LogRow {
        std::string timeText;
        std::string commandText;
    };
    struct ReadingRow {
        std::string indexText;
        std::string valueText;
    };
    enum class Outcome {
        kComplete,               // readings shown and nothing to complain about
        kStoppedBeforeReadings,  // no meter, wrong function, no memory...
        kReadingsMissing,        // the block was short or absent
    };

    // Where and how the run is reported while it goes.
    struct Settings {
        std::ostream* out = nullptr;   // nowhere when null
        bool messagesOnly = false;     // only what ShowMessage shows
        bool progressInPlace = false;  // redraw the progress line with '\r' (a terminal)
    };

    ConsoleReport() = default;
    explicit ConsoleReport(const Settings& settings) : settings_(settings) {}

    void ResetCommandLog() override;
    void AddLogRow(const std::string& timeText, const std::string& commandText) override;
    void ShowIdentity(const std::string& text) override;
    void ShowTotalTime(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void WriteReadingsHeader() override;
    void WriteReadingRow(int i, const std::string& indexText,
                         const std::string& valueText) override;
    void PumpMessages() override {}

    // Ends the progress line with the final count, once; messages end it too.
    void EndProgress();

    const std::string& Identity() const { return identity_; }
    const std::vector<LogRow>& LogRows() const { return logRows_; }
    const std::string& TotalTime() const { return totalTime_; }
    const std::vector<std::string>& Messages() const { return messages_; }
    bool ReadingsStarted() const { return readingsStarted_; }
    const std::vector<ReadingRow>& Readings() const { return readings_; }

    Outcome RunOutcome() const;
    bool IsCompleteRun() const { return RunOutcome() == Outcome::kComplete; }

private:
    bool ReportsDetails() const { return settings_.out != nullptr && !settings_.messagesOnly; }
    void ReportLine(const std::string& line);
    void ReportProgress();

    Settings settings_;
    std::string identity_;
    std::vector<LogRow> logRows_;
    std::string totalTime_;
    std::vector<std::string> messages_;
    bool readingsStarted_ = false;
    std::vector<ReadingRow> readings_;
    std::size_t progressShown_ = 0;  // reading count on the progress line
    bool progressOpen_ = false;      // the progress line waits for more (in place)
    bool progressEnded_ = false;
};
