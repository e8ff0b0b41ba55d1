#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

// Everything one measurement run showed, kept as it went: the meter's
// identity, the command log, the total time, the messages, and each reading
// as the decoded number with the index and value texts shown for it. The run
// fills it; exports, statistics and plots read it, never a window's widgets.
// Reading k (from 0) is the k-th one the run showed.
class RunRecord {
public:
    struct LogRow {
        std::string timeText;
        std::string commandText;
    };
    enum class Outcome {
        kComplete,               // readings shown and nothing to complain about
        kStoppedBeforeReadings,  // no meter, wrong function, no memory...
        kReadingsMissing,        // the block was short or absent
    };

    // A run that starts at `startedAt`, with nothing shown yet.
    explicit RunRecord(std::time_t startedAt = 0) : startedAt_(startedAt) {}

    void AddLogRow(const std::string& timeText, const std::string& commandText);
    void SetIdentity(const std::string& text) { identity_ = text; }
    void SetTotalTime(long long milliseconds, const std::string& text);
    void AddMessage(const std::string& text) { messages_.push_back(text); }
    // The readings begin; `expected` is only room to reserve.
    void StartReadings(std::size_t expected);
    void AddReading(float value, const std::string& indexText, const std::string& valueText);

    std::time_t StartedAt() const { return startedAt_; }
    // The "*idn?" reply as shown, line feed and all; empty until shown.
    const std::string& Identity() const { return identity_; }
    const std::vector<LogRow>& LogRows() const { return logRows_; }
    const std::string& TotalTimeText() const { return totalTimeText_; }
    long long TotalTimeMs() const { return totalTimeMs_; }
    const std::vector<std::string>& Messages() const { return messages_; }

    bool ReadingsStarted() const { return readingsStarted_; }
    std::size_t ReadingCount() const { return values_.size(); }
    // The readings as the block held them, not as their texts round them.
    const std::vector<float>& Values() const { return values_; }
    const std::string& IndexText(std::size_t k) const { return indexTexts_[k]; }
    const std::string& ValueText(std::size_t k) const { return valueTexts_[k]; }

    Outcome RunOutcome() const;

private:
    std::time_t startedAt_;
    std::string identity_;
    std::vector<LogRow> logRows_;
    std::string totalTimeText_;
    long long totalTimeMs_ = 0;
    std::vector<std::string> messages_;
    bool readingsStarted_ = false;
    std::vector<float> values_;
    std::vector<std::string> indexTexts_;
    std::vector<std::string> valueTexts_;
};
