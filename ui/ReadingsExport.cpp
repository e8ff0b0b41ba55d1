#include "ui/ReadingsExport.h"

#include <string>

#include "run/LatestRun.h"
#include "run/LineEnd.h"
#include "ui/Latin1Text.h"

QString ReadingsExport::Refusal() const {
    const std::size_t rows = runs_.Record().ReadingCount();
    if (runs_.IsFilling()) {
        return QStringLiteral(
                   "A measurement is still filling the readings grid (%1 readings so far).\n"
                   "Export the readings when it has finished.")
            .arg(rows);
    }
    if (runs_.Overlapped()) {
        return QStringLiteral(
            "The readings grid holds readings of two measurements that overlapped.\n"
            "Press Measurement again and export when it has finished.");
    }
    if (rows == 0) {
        return runs_.HasRun() ? QStringLiteral("The latest measurement gave no readings.")
                              : QStringLiteral("There are no readings yet.");
    }
    return QString();
}

QString ReadingsExport::TabSeparatedText() const {
    const RunRecord& record = runs_.Record();
    std::string text;
    constexpr std::size_t kTypicalLineBytes = 16;
    text.reserve(record.ReadingCount() * kTypicalLineBytes);
    for (std::size_t k = 0; k < record.ReadingCount(); ++k) {
        text.append(WithoutLineEnd(record.IndexText(k)));
        text.push_back('\t');
        text.append(WithoutLineEnd(record.ValueText(k)));
        text.push_back('\n');
    }
    return Latin1Text(text);
}
