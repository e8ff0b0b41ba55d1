#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "run/MeterWindow.h"
#include "support/Journal.h"

class RunRecord;

// A window that journals every call and keeps what it was shown.
class RecordingWindow : public MeterWindow {
public:
    explicit RecordingWindow(Journal& journal) : journal_(journal) {}

    void ResetCommandLog() override;
    void AddLogRow(const std::string& timeText, const std::string& commandText) override;
    void ShowIdentity(const std::string& text) override;
    void ShowTotalTime(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void WriteReadingsHeader() override;
    void WriteReadingRow(int i, const std::string& indexText,
                         const std::string& valueText) override;
    void PumpMessages() override;

    // Called from the first PumpMessages only, as a user's click would be.
    std::function<void()> onFirstPump;

    std::vector<std::pair<std::string, std::string>> logRows;  // time, command
    std::vector<std::pair<std::string, std::string>> rows;     // index, value
    std::vector<int> rowNumbers;
    std::vector<std::string> messages;
    std::string identity;
    std::string totalTime;
    int pumps = 0;

private:
    Journal& journal_;
};

// Checks that `record` keeps what the run showed `window`, text for text.
void ExpectRecordKeepsWhatWasShown(const RunRecord& record, const RecordingWindow& window);
