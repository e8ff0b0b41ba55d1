#pragma once

#include <QStringList>

#include "ui/CMeterDlg.h"

// The main dialog, noting where runs begin and end: "start" at the log reset
// every run begins with, "end" at the last row of a full burst.
class ProbeDlg : public CMeterDlg {
public:
    void ResetCommandLog() override;
    void WriteReadingRow(int i, const std::string& indexText,
                         const std::string& valueText) override;

    const QStringList& Events() const { return events_; }

private:
    QStringList events_;
};
