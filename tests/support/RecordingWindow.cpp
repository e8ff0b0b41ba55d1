#include "support/RecordingWindow.h"

#include <gtest/gtest.h>

#include "run/RunRecord.h"

void RecordingWindow::ResetCommandLog() {
    logRows.clear();
    journal_.push_back("ResetCommandLog");
}

void RecordingWindow::AddLogRow(const std::string& timeText, const std::string& commandText) {
    logRows.emplace_back(timeText, commandText);
    journal_.push_back("AddLogRow " + timeText + " " + Printable(commandText));
}

void RecordingWindow::ShowIdentity(const std::string& text) {
    identity = text;
    journal_.push_back("ShowIdentity " + Printable(text));
}

void RecordingWindow::ShowTotalTime(const std::string& text) {
    totalTime = text;
    journal_.push_back("ShowTotalTime " + text);
}

void RecordingWindow::ShowMessage(const std::string& text) {
    messages.push_back(text);
    journal_.push_back("ShowMessage " + Printable(text));
}

void RecordingWindow::WriteReadingsHeader() {
    rows.clear();
    rowNumbers.clear();
    journal_.push_back("WriteReadingsHeader");
}

void RecordingWindow::WriteReadingRow(int i, const std::string& indexText,
                                      const std::string& valueText) {
    rowNumbers.push_back(i);
    rows.emplace_back(indexText, valueText);
    journal_.push_back("WriteReadingRow " + std::to_string(i) + " " + indexText + " " + valueText);
}

void RecordingWindow::PumpMessages() {
    ++pumps;
    journal_.push_back("PumpMessages");
    if (pumps == 1 && onFirstPump) {
        onFirstPump();
    }
}

void ExpectRecordKeepsWhatWasShown(const RunRecord& record, const RecordingWindow& window) {
    EXPECT_EQ(record.Identity(), window.identity);
    EXPECT_EQ(record.TotalTimeText(), window.totalTime);
    EXPECT_EQ(record.Messages(), window.messages);
    ASSERT_EQ(record.LogRows().size(), window.logRows.size());
    for (std::size_t k = 0; k < window.logRows.size(); ++k) {
        EXPECT_EQ(record.LogRows()[k].timeText, window.logRows[k].first);
        EXPECT_EQ(record.LogRows()[k].commandText, window.logRows[k].second);
    }
    ASSERT_EQ(record.ReadingCount(), window.rows.size());
    for (std::size_t k = 0; k < window.rows.size(); ++k) {
        ASSERT_EQ(record.IndexText(k), window.rows[k].first);
        ASSERT_EQ(record.ValueText(k), window.rows[k].second);
    }
}
