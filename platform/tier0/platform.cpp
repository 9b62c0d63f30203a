// Process clocks counted from the load of the platform base, and the main-thread test.
#include "tier0/platform.h"

#include <ctime>
#include <mutex>
#include <thread>

namespace {

// The fake wall clock starts here while the test clock is on, so that dates are reproducible.
constexpr uint32 kOverrideUnixEpoch = 1700000000u;

double MonotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Both are fixed on first use, which the initialiser below forces while the platform base is
// loaded: on the main thread, before anything runs, and before any other static object can ask.
double ProcessStart() {
  static const double s_flStart = MonotonicSeconds();
  return s_flStart;
}

std::thread::id MainThread() {
  static const std::thread::id s_MainThread = std::this_thread::get_id();
  return s_MainThread;
}

const bool g_bFixedAtLoad = (ProcessStart(), MainThread(), true);

struct ClockOverride {
  std::mutex mutex;
  bool enabled = false;
  double startSeconds = 0.0;
  double nowSeconds = 0.0;
};

ClockOverride &TestClock() {
  static ClockOverride clock;
  return clock;
}

}  // namespace

double Plat_FloatTime() {
  ClockOverride &clock = TestClock();
  {
    std::lock_guard<std::mutex> lock(clock.mutex);
    if (clock.enabled) return clock.nowSeconds;
  }
  return MonotonicSeconds() - ProcessStart();
}

uint32 Plat_MSTime() {
  // Wraps after 49 days by design; deadlines are compared with Plat_MSTimeReached.
  return static_cast<uint32>(static_cast<uint64>(Plat_FloatTime() * 1000.0));
}

uint32 Plat_UnixTime() {
  ClockOverride &clock = TestClock();
  {
    std::lock_guard<std::mutex> lock(clock.mutex);
    if (clock.enabled) {
      return kOverrideUnixEpoch +
             static_cast<uint32>(static_cast<int64>(clock.nowSeconds - clock.startSeconds));
    }
  }
  return static_cast<uint32>(time(nullptr));
}

void Plat_SetClockOverride(bool enabled, double startSeconds) {
  ClockOverride &clock = TestClock();
  std::lock_guard<std::mutex> lock(clock.mutex);
  clock.enabled = enabled;
  clock.startSeconds = startSeconds;
  clock.nowSeconds = startSeconds;
}

void Plat_AdvanceClock(double seconds) {
  ClockOverride &clock = TestClock();
  std::lock_guard<std::mutex> lock(clock.mutex);
  if (clock.enabled) clock.nowSeconds += seconds;
}

bool ThreadInMainThread() {
  return std::this_thread::get_id() == MainThread();
}
