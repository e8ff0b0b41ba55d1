#include "run/RunOutput.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "run/MeterWindow.h"
#include "run/ReadingText.h"
#include "run/RunRecord.h"

namespace {

std::string TotalTimeText(long long milliseconds) {
    const long long clamped = std::clamp<long long>(milliseconds, std::numeric_limits<int>::min(),
                                                    std::numeric_limits<int>::max());
    char text[64];
    std::snprintf(text, sizeof text, "Total time of measurement : %d ms",
                  static_cast<int>(clamped));
    return text;
}

}  // namespace

void RunOutput::ResetCommandLog() {
    window_.ResetCommandLog();
}

void RunOutput::AddLogRow(const std::string& timeText, const std::string& commandText) {
    record_.AddLogRow(timeText, commandText);
    window_.AddLogRow(timeText, commandText);
}

void RunOutput::ShowIdentity(const std::string& text) {
    record_.SetIdentity(text);
    window_.ShowIdentity(text);
}

void RunOutput::ShowTotalTime(long long milliseconds) {
    const std::string text = TotalTimeText(milliseconds);
    record_.SetTotalTime(milliseconds, text);
    window_.ShowTotalTime(text);
}

void RunOutput::ShowMessage(const std::string& text) {
    record_.AddMessage(text);
    window_.ShowMessage(text);
}

void RunOutput::StartReadings(std::size_t count) {
    record_.StartReadings(count);
    window_.WriteReadingsHeader();
}

void RunOutput::ShowReading(std::size_t k, float value) {
    const std::string indexText = IndexText(k);
    const std::string valueText = ValueText(value);
    record_.AddReading(value, indexText, valueText);
    window_.WriteReadingRow(static_cast<int>(k), indexText, valueText);
}

void RunOutput::PumpMessages() {
    window_.PumpMessages();
}
