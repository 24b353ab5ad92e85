#include "ui/frame_delay.h"

#include <cstring>

namespace {
constexpr std::uint64_t kShortestMs = 10;
constexpr std::uint64_t kLongestMs = 5000;
} // namespace

unsigned int FrameDelayMilliseconds(std::uint32_t hundredths) {
    // Widened first: a huge delay must not wrap around into a plausible one.
    const std::uint64_t ms = static_cast<std::uint64_t>(hundredths) * 10;
    if (ms < kShortestMs || ms > kLongestMs) {
        return kFallbackFrameDelayMs;
    }
    return static_cast<unsigned int>(ms);
}

unsigned int FrameDelayFromProperty(const void* value, std::uint32_t lengthBytes,
                                    std::uint32_t frame) {
    const std::uint64_t offset = static_cast<std::uint64_t>(frame) * sizeof(std::uint32_t);
    if (value == nullptr || offset + sizeof(std::uint32_t) > lengthBytes) {
        return kFallbackFrameDelayMs;
    }
    std::uint32_t hundredths = 0;
    std::memcpy(&hundredths, static_cast<const unsigned char*>(value) + offset, sizeof hundredths);
    return FrameDelayMilliseconds(hundredths);
}
