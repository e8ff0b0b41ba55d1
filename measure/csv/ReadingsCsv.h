#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

class RunRecord;

// What the comment lines at the top of a readings file say about the run.
struct ReadingsCsvHeader {
    std::string identity;     // the "*idn?" reply as shown, trailing line feed and all
    std::string runDateTime;  // ReadingsCsv::DateTimeText of the moment the run started
    std::string totalTime;    // the total-time text as shown
    // What the run told the user, e.g. "Only 248 of 50000 readings were
    // received."; one comment line each.
    std::vector<std::string> notes;
};

// The CSV text of one run's readings:
//
//   # <identity>; <date and time>; <total time>
//   # <note>                       (one line per note, if any)
//   index,value
//   0,1.500101
//   ...
//
// Lines end in '\n'. Comment texts have their trailing line end dropped and
// every other control character turned into a space, so each stays one line.
// Row fields are written as given (the texts the run showed); a field holding a
// comma, quote or line break is quoted the RFC 4180 way.
class ReadingsCsv {
public:
    explicit ReadingsCsv(const ReadingsCsvHeader& header);
    // The readings of `record` with its identity, start, total time and messages.
    static ReadingsCsv Of(const RunRecord& record);

    // Room for `rows` typical rows, to spare reallocations on a full burst.
    void Reserve(std::size_t rows);
    void AddRow(std::string_view indexText, std::string_view valueText);

    const std::string& Text() const { return text_; }
    std::size_t RowCount() const { return rows_; }

    // Local date and time as "2026-12-07 21:10:05" (ISO 8601, space between).
    static std::string DateTimeText(std::time_t when);

private:
    std::string text_;
    std::size_t rows_ = 0;
};
