#include "ProbeDlg.h"

namespace {
constexpr int kLastReadingOfBurst = 49999;
}

void ProbeDlg::ResetCommandLog() {
    events_ << QStringLiteral("start");
    CMeterDlg::ResetCommandLog();
}

void ProbeDlg::WriteReadingRow(int i, const std::string& indexText, const std::string& valueText) {
    CMeterDlg::WriteReadingRow(i, indexText, valueText);
    if (i == kLastReadingOfBurst) {
        events_ << QStringLiteral("end");
    }
}
