#pragma once

#include <ctime>
#include <memory>

#include "run/RunRecord.h"

// The record of the run begun last, and whether it can be taken as a whole.
// The Measurement button stays enabled, so a run can begin inside another
// one's message drain; each keeps its own record, the later one becomes the
// latest, and the window then shows rows of both.
class LatestRun {
public:
    // A fresh record for a run that starts at `startedAt`. The caller holds it
    // until End(): an outer run goes on filling its own record after a nested
    // one has replaced it here.
    std::shared_ptr<RunRecord> Begin(std::time_t startedAt);
    void End();

    bool HasRun() const { return runs_ > 0; }
    bool IsFilling() const { return depth_ > 0; }
    // The latest run began while another was still filling.
    bool Overlapped() const { return overlapped_; }
    // Counts every Begin, so a viewer can tell whether what it shows is current.
    unsigned long Serial() const { return runs_; }
    // An empty record before the first run.
    const RunRecord& Record() const { return *record_; }

private:
    std::shared_ptr<RunRecord> record_ = std::make_shared<RunRecord>();
    int depth_ = 0;
    bool overlapped_ = false;
    unsigned long runs_ = 0;
};
