#include "analysis/SampleInterval.h"

namespace SampleInterval {

bool IsLineFrequency(int hz) {
    return hz == 50 || hz == 60;
}

double Seconds(int lineFrequencyHz) {
    return kBurstNplc / static_cast<double>(lineFrequencyHz);
}

}  // namespace SampleInterval
