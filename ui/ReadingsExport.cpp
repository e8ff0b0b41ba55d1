#include "ReadingsExport.h"

#include <QLabel>
#include <algorithm>

#include "AtomicFile.h"
#include "CMSFlexGrid.h"
#include "CMeterDlg.h"
#include "FlexGridModel.h"
#include "ReadingsRun.h"

namespace {

constexpr int kIndexCol = 0;
constexpr int kValueCol = 1;

// The labels were given the run's bytes as Latin-1, so this gives them back.
std::string LabelBytes(const QLabel& label) {
    return label.text().toLatin1().toStdString();
}

std::string_view WithoutLineEnd(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

ReadingsExport::ReadingsExport(const CMSFlexGrid& grid, const ReadingsRun& run,
                               std::string identity, std::string totalTime)
    : grid_(grid),
      run_(run),
      identity_(std::move(identity)),
      totalTime_(std::move(totalTime)),
      // A row past the grid's end cannot have been written; never read beyond it.
      rows_(std::clamp(run.RowCount(), 0, std::max(0, grid.Rows() - grid.FixedRows()))) {}

ReadingsExport ReadingsExport::Of(const CMeterDlg& dlg) {
    return ReadingsExport(dlg.ReadingsGrid(), dlg.LatestRun(), LabelBytes(dlg.IdentityLabel()),
                          LabelBytes(dlg.TotalTimeLabel()));
}

QString ReadingsExport::Refusal() const {
    if (run_.IsFilling()) {
        return QStringLiteral(
                   "A measurement is still filling the readings grid (%1 readings so far).\n"
                   "Export the readings when it has finished.")
            .arg(rows_);
    }
    if (run_.Overlapped()) {
        return QStringLiteral(
            "The readings grid holds readings of two measurements that overlapped.\n"
            "Press Measurement again and export when it has finished.");
    }
    if (rows_ == 0) {
        return run_.HasRun() ? QStringLiteral("The latest measurement gave no readings.")
                             : QStringLiteral("There are no readings yet.");
    }
    return QString();
}

const std::string& ReadingsExport::IndexText(int k) const {
    return grid_.CellText(k + grid_.FixedRows(), kIndexCol);
}

const std::string& ReadingsExport::ValueText(int k) const {
    return grid_.CellText(k + grid_.FixedRows(), kValueCol);
}

QString ReadingsExport::TabSeparatedText() const {
    std::string text;
    text.reserve(static_cast<std::size_t>(rows_) * 16);
    for (int k = 0; k < rows_; ++k) {
        text.append(WithoutLineEnd(IndexText(k)));
        text.push_back('\t');
        text.append(WithoutLineEnd(ValueText(k)));
        text.push_back('\n');
    }
    return FlexGridModel::DisplayText(text);
}

ReadingsCsv ReadingsExport::Csv() const {
    ReadingsCsvHeader header;
    header.identity = identity_;
    header.runDateTime = ReadingsCsv::DateTimeText(run_.StartedAt());
    header.totalTime = totalTime_;
    header.notes = run_.Messages();
    ReadingsCsv csv(header);
    csv.Reserve(static_cast<std::size_t>(rows_));
    for (int k = 0; k < rows_; ++k) {
        csv.AddRow(IndexText(k), ValueText(k));
    }
    return csv;
}

bool ReadingsExport::SaveCsv(const std::string& path, std::string& error) const {
    AtomicFile file(path);
    if (file.Write(Csv().Text())) {
        return true;
    }
    error = file.Error();
    return false;
}
