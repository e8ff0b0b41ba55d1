#include "RecordingWindow.h"

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
