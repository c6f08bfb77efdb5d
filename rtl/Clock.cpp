#include "rtl/Clock.h"

#include <time.h>

#include <algorithm>
#include <atomic>
#include <cmath>

#include "rtl/Exception.h"

namespace {
constexpr double kMsPerDay = 86400000.0;
// Days from 1899-12-30 to 1970-01-01.
constexpr int64_t kUnixDateDelta = 25569;

class TSystemClock : public TClock {
 public:
  TDateTime Now() override {
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local;
    time_t secs = ts.tv_sec;
    localtime_r(&secs, &local);
    // Local wall time: shift by the zone's offset at this instant.
    int64_t local_secs = static_cast<int64_t>(secs) + local.tm_gmtoff;
    return UnixToDateTime(local_secs) + (ts.tv_nsec / 1000000) / kMsPerDay;
  }
  uint64_t TickCount64() override {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000 + static_cast<uint64_t>(ts.tv_nsec) / 1000000;
  }
  int64_t PerformanceCounter() override {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
  }
  int64_t PerformanceFrequency() override { return 1000000000; }
};

TSystemClock g_system_clock;
std::atomic<TClock*> g_clock{nullptr};

// Days since 0001-01-01 for the proleptic Gregorian calendar (1-based month).
int64_t DaysBefore(int year, int month, int day) {
  static const int kCumulative[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  int64_t y = year - 1;
  int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + kCumulative[month - 1] + day - 1;
  if (month > 2 && IsLeapYear(year)) ++days;
  return days;
}
// 0001-01-01 to 1899-12-30.
const int64_t kDateDelta = DaysBefore(1899, 12, 30);
}  // namespace

TClock& Clock() {
  TClock* c = g_clock.load(std::memory_order_acquire);
  return c ? *c : g_system_clock;
}

void SetClock(TClock* NewClock) {
  g_clock.store(NewClock, std::memory_order_release);
}

TDateTime Now() {
  return Clock().Now();
}
TDateTime Date() {
  return std::floor(Now());
}
uint32_t GetTickCount() {
  return static_cast<uint32_t>(Clock().TickCount64());
}
uint64_t GetTickCount64() {
  return Clock().TickCount64();
}
int64_t PerformanceCounter() {
  return Clock().PerformanceCounter();
}
int64_t PerformanceFrequency() {
  return Clock().PerformanceFrequency();
}

// ---- TTestClock

TTestClock::TTestClock(TDateTime Start, uint64_t StartTicks)
    : start_(Start), start_ticks_(StartTicks) {}

TDateTime TTestClock::Now() {
  std::lock_guard<std::mutex> g(lock_);
  return start_ + static_cast<double>(elapsed_us_ / 1000) / kMsPerDay;
}

uint64_t TTestClock::TickCount64() {
  std::lock_guard<std::mutex> g(lock_);
  return start_ticks_ + elapsed_us_ / 1000;
}

int64_t TTestClock::PerformanceCounter() {
  std::lock_guard<std::mutex> g(lock_);
  return static_cast<int64_t>(start_ticks_ * 1000 + elapsed_us_);
}

void TTestClock::Advance(uint64_t Milliseconds) {
  AdvanceMicroseconds(Milliseconds * 1000);
}

void TTestClock::AdvanceMicroseconds(uint64_t Microseconds) {
  std::lock_guard<std::mutex> g(lock_);
  elapsed_us_ += Microseconds;
}

void TTestClock::SetNow(TDateTime Value) {
  std::lock_guard<std::mutex> g(lock_);
  start_ = Value - static_cast<double>(elapsed_us_ / 1000) / kMsPerDay;
}

void TTestClock::Restart(TDateTime Start, uint64_t StartTicks) {
  std::lock_guard<std::mutex> g(lock_);
  start_ = Start;
  start_ticks_ = StartTicks;
  elapsed_us_ = 0;
}

// ---- Calendar

bool IsLeapYear(int Year) {
  return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0);
}

TDateTime EncodeDate(int Year, int Month, int Day) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 ||
      Day > kDays[Month - 1] + (Month == 2 && IsLeapYear(Year) ? 1 : 0))
    throw EConvertError("Invalid argument to date encode");
  return static_cast<double>(DaysBefore(Year, Month, Day) - kDateDelta);
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
  if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
    throw EConvertError("Invalid argument to time encode");
  return ((Hour * 3600 + Min * 60 + Sec) * 1000 + MSec) / kMsPerDay;
}

void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day) {
  // Whole days as the old runtime counted them: before 1899-12-30 the
  // integer part is the day and the fraction is still the time forward.
  double whole = std::trunc(Value);
  if (!(whole >= -693593 && whole <= 2958465))  // 0001-01-01 .. 9999-12-31; also NaN
    throw EConvertError("Invalid argument to date decode");
  int64_t n = static_cast<int64_t>(whole) + kDateDelta;  // days since 0001-01-01
  int y = static_cast<int>(n / 146097) * 400 + 1;
  n %= 146097;
  int64_t c = std::min<int64_t>(n / 36524, 3);
  y += static_cast<int>(c) * 100;
  n -= c * 36524;
  y += static_cast<int>(n / 1461) * 4;
  n %= 1461;
  int64_t yy = std::min<int64_t>(n / 365, 3);
  y += static_cast<int>(yy);
  n -= yy * 365;
  int m = 1;
  for (;; ++m) {
    int len = m == 2                                    ? (IsLeapYear(y) ? 29 : 28)
              : (m == 4 || m == 6 || m == 9 || m == 11) ? 30
                                                        : 31;
    if (n < len) break;
    n -= len;
  }
  Year = y;
  Month = m;
  Day = static_cast<int>(n) + 1;
}

void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec) {
  if (!std::isfinite(Value)) throw EConvertError("Invalid argument to time decode");
  double frac = std::fabs(Value - std::trunc(Value));
  int64_t ms = static_cast<int64_t>(std::nearbyint(frac * kMsPerDay));
  if (ms >= 86400000) ms = 86399999;
  Hour = static_cast<int>(ms / 3600000);
  Min = static_cast<int>(ms / 60000 % 60);
  Sec = static_cast<int>(ms / 1000 % 60);
  MSec = static_cast<int>(ms % 1000);
}

TDateTime UnixToDateTime(int64_t Seconds) {
  return static_cast<double>(kUnixDateDelta) + static_cast<double>(Seconds) / 86400.0;
}

int64_t DateTimeToUnix(TDateTime Value) {
  return static_cast<int64_t>(std::llround((Value - kUnixDateDelta) * 86400.0));
}
