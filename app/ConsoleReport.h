#pragma once

#include <cstddef>
#include <ostream>
#include <string>

#include "run/MeterWindow.h"

// Where the console runner has a run show its results: a report on a stream
// as the run goes, one line for each thing the window would show and a
// progress line for the readings. What the run shows is kept in its record.
class ConsoleReport : public MeterWindow {
public:
    // Where and how the run is reported.
    struct Settings {
        std::ostream* out = nullptr;   // nowhere when null
        bool messagesOnly = false;     // only what ShowMessage shows
        bool progressInPlace = false;  // redraw the progress line with '\r' (a terminal)
    };

    explicit ConsoleReport(const Settings& settings) : settings_(settings) {}

    void ResetCommandLog() override {}
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

private:
    bool ReportsDetails() const { return settings_.out != nullptr && !settings_.messagesOnly; }
    void ReportLine(const std::string& line);
    void ReportProgress();

    Settings settings_;
    bool readingsStarted_ = false;
    std::size_t readings_ = 0;       // rows written since the readings header
    std::size_t progressShown_ = 0;  // reading count on the progress line
    bool progressOpen_ = false;      // the progress line waits for more (in place)
    bool progressEnded_ = false;
};
