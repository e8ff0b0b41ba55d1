#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "MeterWindow.h"

// The window of the console runner: keeps everything a run shows so it can
// be printed (or saved) once the run is over.
class ConsoleWindow : public MeterWindow {
public:
    struct LogRow {
        std::string timeText;
        std::string commandText;
    };
    struct ReadingRow {
        std::string indexText;
        std::string valueText;
    };

    void ResetCommandLog() override;
    void AddLogRow(const std::string& timeText, const std::string& commandText) override;
    void ShowIdentity(const std::string& text) override;
    void ShowTotalTime(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void WriteReadingsHeader() override;
    void WriteReadingRow(int i, const std::string& indexText,
                         const std::string& valueText) override;
    void PumpMessages() override {}

    const std::string& Identity() const { return identity_; }
    const std::vector<LogRow>& LogRows() const { return logRows_; }
    const std::string& TotalTime() const { return totalTime_; }
    const std::vector<std::string>& Messages() const { return messages_; }
    const std::vector<ReadingRow>& Readings() const { return readings_; }

    // True when the run got as far as the readings, received at least one and
    // had nothing to complain about (a short block shows a message).
    bool IsCompleteRun() const;

    // Identity, log, total time, reading count, first and last reading, messages.
    void PrintSummary(std::ostream& out) const;

private:
    std::string identity_;
    std::vector<LogRow> logRows_;
    std::string totalTime_;
    std::vector<std::string> messages_;
    bool readingsStarted_ = false;
    std::vector<ReadingRow> readings_;
};
