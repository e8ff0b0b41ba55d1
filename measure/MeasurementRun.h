#pragma once

class MeterWindow;
class InstrumentLink;

// One press of Measurement: opens the meter, checks its function, configures
// the burst, fetches and times the "DR?" block and shows every result through
// `window`. Releases everything it acquired before it returns.
void RunMeasurement(MeterWindow& window, InstrumentLink& link);
