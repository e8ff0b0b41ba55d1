#include "run/RunRecord.h"

void RunRecord::AddLogRow(const std::string& timeText, const std::string& commandText) {
    logRows_.push_back({timeText, commandText});
}

void RunRecord::SetTotalTime(long long milliseconds, const std::string& text) {
    totalTimeMs_ = milliseconds;
    totalTimeText_ = text;
}

void RunRecord::StartReadings(std::size_t expected) {
    readingsStarted_ = true;
    values_.reserve(expected);
    indexTexts_.reserve(expected);
    valueTexts_.reserve(expected);
}

void RunRecord::AddReading(float value, const std::string& indexText,
                           const std::string& valueText) {
    values_.push_back(value);
    indexTexts_.push_back(indexText);
    valueTexts_.push_back(valueText);
}

RunRecord::Outcome RunRecord::RunOutcome() const {
    if (!readingsStarted_) {
        return Outcome::kStoppedBeforeReadings;
    }
    return values_.empty() || !messages_.empty() ? Outcome::kReadingsMissing : Outcome::kComplete;
}
