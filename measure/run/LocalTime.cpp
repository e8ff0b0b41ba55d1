#include "run/LocalTime.h"

std::string LocalTimeText(std::time_t when, const char* format, const char* unknown) {
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) {
        return unknown;
    }
    char text[64];
    const std::size_t size = std::strftime(text, sizeof text, format, &local);
    return std::string(text, size);
}
