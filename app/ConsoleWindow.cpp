#include "ConsoleWindow.h"

namespace {

// Replies and commands end in a line feed; a summary line should not.
std::string WithoutLineEnd(const std::string& text) {
    std::size_t end = text.size();
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r')) {
        --end;
    }
    return text.substr(0, end);
}

void PrintReading(std::ostream& out, const char* label, const ConsoleWindow::ReadingRow& row) {
    out << label << " reading: " << row.indexText << "  " << row.valueText << '\n';
}

}  // namespace

void ConsoleWindow::ResetCommandLog() {
    logRows_.clear();
}

void ConsoleWindow::AddLogRow(const std::string& timeText, const std::string& commandText) {
    logRows_.push_back({timeText, commandText});
}

void ConsoleWindow::ShowIdentity(const std::string& text) {
    identity_ = text;
}

void ConsoleWindow::ShowTotalTime(const std::string& text) {
    totalTime_ = text;
}

void ConsoleWindow::ShowMessage(const std::string& text) {
    messages_.push_back(text);
}

void ConsoleWindow::WriteReadingsHeader() {
    readingsStarted_ = true;
    readings_.clear();
}

void ConsoleWindow::WriteReadingRow(int, const std::string& indexText,
                                    const std::string& valueText) {
    readings_.push_back({indexText, valueText});
}

bool ConsoleWindow::IsCompleteRun() const {
    return readingsStarted_ && !readings_.empty() && messages_.empty();
}

void ConsoleWindow::PrintSummary(std::ostream& out) const {
    if (!identity_.empty()) {
        out << "Identity: " << WithoutLineEnd(identity_) << '\n';
    }
    for (const LogRow& row : logRows_) {
        out << "Command: " << row.timeText << "  " << WithoutLineEnd(row.commandText) << '\n';
    }
    if (!totalTime_.empty()) {
        out << totalTime_ << '\n';
    }
    if (readingsStarted_) {
        out << "Readings: " << readings_.size() << '\n';
    }
    if (!readings_.empty()) {
        PrintReading(out, "First", readings_.front());
        PrintReading(out, "Last", readings_.back());
    }
    for (const std::string& message : messages_) {
        out << "Message: " << message << '\n';
    }
}
