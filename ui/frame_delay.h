#pragma once
#include <cstdint>

// How long an animation frame stays, from its GIF delay in hundredths of a second.
// Zero, or anything below 10 ms or above 5000 ms, falls back to 80 ms, so a picture
// with a broken or missing delay still plays at a sensible pace.
constexpr unsigned int kFallbackFrameDelayMs = 80;
unsigned int FrameDelayMilliseconds(std::uint32_t hundredths);

// The delay of `frame` out of the raw value of a GIF frame-delay property (one
// little-endian 32-bit entry per frame, `lengthBytes` long). A frame beyond the
// property's end, or no property at all, gets the fallback delay.
unsigned int FrameDelayFromProperty(const void* value, std::uint32_t lengthBytes,
                                    std::uint32_t frame);
