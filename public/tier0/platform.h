// Platform base: export macro, fixed-width names and the process clocks.
#pragma once

#include <cstddef>
#include <cstdint>

#define PLATFORM_INTERFACE __attribute__((visibility("default")))
#define DLL_EXPORT extern "C" __attribute__((visibility("default")))
#define FMTFUNCTION(fmt, args) __attribute__((format(printf, fmt, args)))

using int8 = int8_t;
using uint8 = uint8_t;
using int16 = int16_t;
using uint16 = uint16_t;
using int32 = int32_t;
using uint32 = uint32_t;
using int64 = int64_t;
using uint64 = uint64_t;

// Seconds since process start on the monotonic clock (or the test clock while it is overridden).
PLATFORM_INTERFACE double Plat_FloatTime();
// Milliseconds since process start; compare deadlines with Plat_MSTimeReached, never with "<".
PLATFORM_INTERFACE uint32 Plat_MSTime();
// Wrap-safe: true once `now` has reached `deadline`.
inline bool Plat_MSTimeReached(uint32 now, uint32 deadline) { return static_cast<int32>(now - deadline) >= 0; }
// Seconds since 1970, as a 32-bit number (follows the test clock while it is overridden).
PLATFORM_INTERFACE uint32 Plat_UnixTime();

// Test clock seam: while enabled, the three clocks above read a fake time that only
// Plat_AdvanceClock moves. Plat_FloatTime starts at `startSeconds`; Plat_UnixTime at a fixed epoch
// plus the same offset.
PLATFORM_INTERFACE void Plat_SetClockOverride(bool enabled, double startSeconds = 1000.0);
PLATFORM_INTERFACE void Plat_AdvanceClock(double seconds);

// True on the thread that loaded the platform base (the GUI thread).
PLATFORM_INTERFACE bool ThreadInMainThread();
