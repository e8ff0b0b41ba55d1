#include "csv/ReadingsCsv.h"

#include "run/LineEnd.h"
#include "run/LocalTime.h"
#include "run/RunRecord.h"

namespace {

bool IsControl(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

// One comment line's worth of `text`: the reply's line end goes, any other
// control character would break or garble the line and becomes a space.
std::string OneLine(std::string_view text) {
    std::string line(WithoutLineEnd(text));
    for (char& c : line) {
        if (IsControl(c)) {
            c = ' ';
        }
    }
    return line;
}

void AppendField(std::string& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(field);
        return;
    }
    out.push_back('"');
    for (char c : field) {
        if (c == '"') {
            out.push_back('"');
        }
        out.push_back(c);
    }
    out.push_back('"');
}

}  // namespace

ReadingsCsv::ReadingsCsv(const ReadingsCsvHeader& header) {
    text_ = "# " + OneLine(header.identity) + "; " + OneLine(header.runDateTime) + "; " +
            OneLine(header.totalTime) + "\n";
    for (const std::string& note : header.notes) {
        text_ += "# " + OneLine(note) + "\n";
    }
    text_ += "index,value\n";
}

ReadingsCsv ReadingsCsv::Of(const RunRecord& record) {
    ReadingsCsv csv(ReadingsCsvHeader{record.Identity(), DateTimeText(record.StartedAt()),
                                      record.TotalTimeText(), record.Messages()});
    csv.Reserve(record.ReadingCount());
    for (std::size_t k = 0; k < record.ReadingCount(); ++k) {
        csv.AddRow(record.IndexText(k), record.ValueText(k));
    }
    return csv;
}

void ReadingsCsv::Reserve(std::size_t rows) {
    // "49999,-1.500000\n" is 16 bytes; most rows are shorter.
    constexpr std::size_t kTypicalRowBytes = 16;
    text_.reserve(text_.size() + rows * kTypicalRowBytes);
}

void ReadingsCsv::AddRow(std::string_view indexText, std::string_view valueText) {
    AppendField(text_, indexText);
    text_.push_back(',');
    AppendField(text_, valueText);
    text_.push_back('\n');
    ++rows_;
}

std::string ReadingsCsv::DateTimeText(std::time_t when) {
    return LocalTimeText(when, "%Y-%m-%d %H:%M:%S", "unknown time");
}
