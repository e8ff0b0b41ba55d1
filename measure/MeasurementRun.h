#pragma once

class MeterWindow;
class InstrumentLink;
struct RunSeams;

// One press of Measurement: opens the first meter the VISA library finds,
// checks its function, configures the burst, fetches and times the "DR?"
// block and shows every result through `window`. Releases everything it
// acquired before it returns.
void RunMeasurement(MeterWindow& window);

// The same run over `link`.
void RunMeasurement(MeterWindow& window, InstrumentLink& link);

// The same run over `link`, with its memory and clocks taken from `seams`.
void RunMeasurement(MeterWindow& window, InstrumentLink& link, const RunSeams& seams);
