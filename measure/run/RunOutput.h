#pragma once

#include <cstddef>
#include <string>

class MeterWindow;
class RunRecord;

// Where a run's results go: each one is kept in the record and then shown in
// the window, so whatever the window lets happen meanwhile (a drain, a
// message box's own loop) finds the record up to date.
class RunOutput {
public:
    RunOutput(MeterWindow& window, RunRecord& record) : window_(window), record_(record) {}

    void ResetCommandLog();
    void AddLogRow(const std::string& timeText, const std::string& commandText);
    void ShowIdentity(const std::string& text);
    // "Total time of measurement : <ms> ms".
    void ShowTotalTime(long long milliseconds);
    void ShowMessage(const std::string& text);
    // The readings header; `count` readings follow.
    void StartReadings(std::size_t count);
    // Reading k (from 0) with its index and value texts.
    void ShowReading(std::size_t k, float value);
    void PumpMessages();

private:
    MeterWindow& window_;
    RunRecord& record_;
};
