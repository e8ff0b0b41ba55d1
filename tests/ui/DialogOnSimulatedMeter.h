#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <cstddef>
#include <functional>
#include <memory>

#include "ModalCatcher.h"
#include "ui/CMeterDlg.h"

// A main dialog that measures the simulated meter of our VISA library, with
// every message box it opens closed and kept.
class DialogOnSimulatedMeter : public testing::Test {
protected:
    static constexpr int kBurst = 50000;
    static constexpr const char* kFullRun = "dcv,instant";
    // "#6200000" and 100 readings of 4 bytes.
    static constexpr const char* kShortRun = "dcv,instant,truncate=408";
    static constexpr int kShortRunReadings = 100;

    void SetUp() override { dlg_ = std::make_unique<CMeterDlg>(); }
    void TearDown() override;

    // One press of Measurement on the meter `simulation` describes.
    void Run(const char* simulation);
    // Calls `action` once from a message drain of the next run, when that run
    // has shown at least `readings` readings.
    void DuringNextFill(std::size_t readings, std::function<void()> action);
    // The text of a readings grid cell, as shown.
    QString Cell(int row, int col) const;

    ModalCatcher dialogs_;
    std::unique_ptr<CMeterDlg> dlg_;
};
