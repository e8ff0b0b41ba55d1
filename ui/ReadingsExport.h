#pragma once

#include <QString>
#include <string>

#include "ReadingsCsv.h"

class CMSFlexGrid;
class CMeterDlg;
class ReadingsRun;

// The readings of the latest run as the dialog shows them: grid rows
// 1..n for the n rows that run wrote, with the identity and total-time texts
// of its labels. Rows further down are left from an earlier, longer run and
// are not part of it.
class ReadingsExport {
public:
    ReadingsExport(const CMSFlexGrid& grid, const ReadingsRun& run, std::string identity,
                   std::string totalTime);
    static ReadingsExport Of(const CMeterDlg& dlg);

    // Why these readings cannot be taken now, or empty when they can.
    QString Refusal() const;

    int RowCount() const { return rows_; }
    // Reading k of the run (from 0), as shown.
    const std::string& IndexText(int k) const;
    const std::string& ValueText(int k) const;

    // One "index<TAB>value" line a reading, as Copy gives a selection.
    QString TabSeparatedText() const;
    ReadingsCsv Csv() const;
    // Writes the CSV atomically; on failure returns false and sets `error`.
    bool SaveCsv(const std::string& path, std::string& error) const;

private:
    const CMSFlexGrid& grid_;
    const ReadingsRun& run_;
    std::string identity_;
    std::string totalTime_;
    int rows_;
};
