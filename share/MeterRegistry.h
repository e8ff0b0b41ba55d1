#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "InstrumentLink.h"

// The meters the server offers, by their VXI-11 device names: `instN` in the order the VISA
// library lists them (as `zorvane-burst --list` prints them), and the gateway name
// `usb0[VID::PID::SERIAL::INTERFACE]`. A meter keeps its number while the server runs; a name not
// yet known makes the registry look for meters again, so one plugged in later is found. Only USB
// INSTR resources are offered, whatever the expression matches, so the server never offers a
// network instrument (itself included).
class MeterRegistry {
public:
    MeterRegistry(InstrumentLink& visa, ViSession resourceManager, std::string expression)
        : visa_(visa), resourceManager_(resourceManager), expression_(std::move(expression)) {}

    // The resource for `device` (case does not matter), or none when no meter has that name.
    std::optional<std::string> Resolve(const std::string& device);
    // Looks for meters now; the resources in instN order.
    std::vector<std::string> Rescan();

private:
    std::optional<std::string> Lookup(const std::string& device) const;
    void RescanLocked();

    InstrumentLink& visa_;
    ViSession resourceManager_;
    std::string expression_;
    std::mutex mutex_;
    std::vector<std::string> resources_;  // resources_[N] is instN
};
