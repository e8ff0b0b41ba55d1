#pragma once

#include <string>

class MeterWindow;
class InstrumentLink;
class RunRecord;
struct RunSeams;

// One press of Measurement: opens the first meter the VISA library finds,
// checks its function, configures the burst, fetches and times the "DR?"
// block, shows every result through `window` and keeps it in `record`.
// Releases everything it acquired before it returns.
void RunMeasurement(MeterWindow& window, RunRecord& record);

// The same run on the meter named `resource` (in any case) instead of the
// first one found.
void RunMeasurement(MeterWindow& window, RunRecord& record, const std::string& resource);

// The same run over `link`, with its memory and clocks taken from `seams`.
void RunMeasurement(MeterWindow& window, RunRecord& record, InstrumentLink& link,
                    const RunSeams& seams);
