#include "DialogOnSimulatedMeter.h"

#include <QTimer>
#include <cstdlib>

#include "ui/CMSFlexGrid.h"
#include "ui/Latin1Text.h"

void DialogOnSimulatedMeter::TearDown() {
    unsetenv("ZVISA_SIM");
}

void DialogOnSimulatedMeter::Run(const char* simulation) {
    setenv("ZVISA_SIM", simulation, 1);
    dlg_->OnOK();
}

void DialogOnSimulatedMeter::DuringNextFill(std::size_t readings, std::function<void()> action) {
    QTimer::singleShot(0, dlg_.get(), [this, readings, action] {
        if (!dlg_->Latest().IsFilling()) {
            return;  // not inside a run: the hook would never fire
        }
        if (dlg_->Latest().Record().ReadingCount() >= readings) {
            action();
            return;
        }
        DuringNextFill(readings, action);
    });
}

QString DialogOnSimulatedMeter::Cell(int row, int col) const {
    return Latin1Text(dlg_->ReadingsGrid().CellText(row, col));
}
