#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "sim/SimMeterConfig.h"
#include "sim/SimMeterSignal.h"

namespace zvisa::sim {

// The meter behind the USB interface: runs one command line at a time and
// says what it answers and how long measuring takes before the answer is
// ready. No USB, no threads, no clock.
class SimInstrument {
public:
    struct Reply {
        std::vector<std::uint8_t> bytes;
        std::chrono::nanoseconds acquisition{0};  // until the reply is ready
    };

    explicit SimInstrument(const SimMeterConfig& config);

    // `command` is one line without its LF. Empty when nothing is answered.
    std::optional<Reply> Execute(std::string_view command);

    // Power-on state: default NPLC and sample count, the noise sequence restarted.
    void Reset();

private:
    std::optional<Reply> Query(const std::string& header);
    void Configure(const std::string& header, std::string_view argument);
    Reply Acquire();
    std::vector<std::uint8_t> ReadingBlock();
    std::chrono::nanoseconds AcquisitionTime() const;

    const SimMeterConfig config_;
    double voltNplc_ = 0;
    double currNplc_ = 0;
    std::size_t sampleCount_ = 0;
    SimMeterSignal signal_;
};

}  // namespace zvisa::sim
