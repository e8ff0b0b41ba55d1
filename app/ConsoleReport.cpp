#include "app/ConsoleReport.h"

#include "run/LineEnd.h"

namespace {

std::string ProgressText(std::size_t readings) {
    return "Readings received: " + std::to_string(readings);
}

}  // namespace

void ConsoleReport::AddLogRow(const std::string& timeText, const std::string& commandText) {
    if (ReportsDetails()) {
        ReportLine("Command: " + timeText + "  " + std::string(WithoutLineEnd(commandText)));
    }
}

void ConsoleReport::ShowIdentity(const std::string& text) {
    if (ReportsDetails()) {
        ReportLine("Identity: " + std::string(WithoutLineEnd(text)));
    }
}

void ConsoleReport::ShowTotalTime(const std::string& text) {
    if (ReportsDetails()) {
        ReportLine(text);
    }
}

void ConsoleReport::ShowMessage(const std::string& text) {
    EndProgress();
    if (settings_.out != nullptr) {
        ReportLine(text);
    }
}

void ConsoleReport::WriteReadingsHeader() {
    readingsStarted_ = true;
    readings_ = 0;
    progressShown_ = 0;
    progressEnded_ = false;
}

void ConsoleReport::WriteReadingRow(int, const std::string&, const std::string&) {
    ++readings_;
    // Often enough to see a slow block move, rarely enough not to flood a log.
    constexpr std::size_t kProgressEveryReadings = 5000;
    if (readings_ % kProgressEveryReadings == 0) {
        ReportProgress();
    }
}

void ConsoleReport::EndProgress() {
    if (!readingsStarted_ || progressEnded_) {
        return;
    }
    progressEnded_ = true;
    if (readings_ != progressShown_ || readings_ == 0) {
        ReportProgress();
    }
    if (progressOpen_) {
        *settings_.out << '\n' << std::flush;
        progressOpen_ = false;
    }
}

void ConsoleReport::ReportLine(const std::string& line) {
    if (progressOpen_) {
        *settings_.out << '\n';
        progressOpen_ = false;
    }
    *settings_.out << line << '\n' << std::flush;
}

void ConsoleReport::ReportProgress() {
    progressShown_ = readings_;
    if (!ReportsDetails()) {
        return;
    }
    if (settings_.progressInPlace) {
        *settings_.out << '\r' << ProgressText(progressShown_) << std::flush;
        progressOpen_ = true;
    } else {
        *settings_.out << ProgressText(progressShown_) << '\n' << std::flush;
    }
}
