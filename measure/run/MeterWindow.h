#pragma once

#include <string>

// What a measurement run shows, implemented by the main window, the console
// runner's report and the tests' windows. One operation a line, unwrapped.
// clang-format off
class MeterWindow {
public:
    virtual ~MeterWindow() = default;
    virtual void ResetCommandLog() = 0;
    virtual void AddLogRow(const std::string& timeText, const std::string& commandText) = 0;
    virtual void ShowIdentity(const std::string& text) = 0;
    virtual void ShowTotalTime(const std::string& text) = 0;
    virtual void ShowMessage(const std::string& text) = 0;
    virtual void WriteReadingsHeader() = 0;
    virtual void WriteReadingRow(int i, const std::string& indexText, const std::string& valueText) = 0;
    virtual void PumpMessages() = 0;
};
// clang-format on
