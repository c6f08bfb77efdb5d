// Time behind one injectable clock, so that tests can fix "now" and move
// time forward without waiting. TDateTime counts days since 1899-12-30 with
// the time of day as the fraction, as the old runtime did.
#pragma once

#include <cstdint>
#include <mutex>

using TDateTime = double;

class TClock {
 public:
  virtual ~TClock() = default;
  // Local date and time.
  virtual TDateTime Now() = 0;
  // Milliseconds since an arbitrary start, never going back.
  virtual uint64_t TickCount64() = 0;
  // A high-resolution counter and its ticks per second.
  virtual int64_t PerformanceCounter() = 0;
  virtual int64_t PerformanceFrequency() = 0;
};

// The clock in use: the system's, unless a test installed another.
TClock& Clock();
// Installs a clock (not owned); nullptr goes back to the system clock.
void SetClock(TClock* NewClock);

TDateTime Now();
TDateTime Date();  // today at midnight
// Milliseconds, wrapping at 2^32 as the platform's counter did (49.7 days).
uint32_t GetTickCount();
uint64_t GetTickCount64();
int64_t PerformanceCounter();
int64_t PerformanceFrequency();

// A clock that moves only when told. The counter runs at 1 MHz.
class TTestClock : public TClock {
 public:
  explicit TTestClock(TDateTime Start = 45000.5, uint64_t StartTicks = 0);
  TDateTime Now() override;
  uint64_t TickCount64() override;
  int64_t PerformanceCounter() override;
  int64_t PerformanceFrequency() override { return 1000000; }

  // Moves every reading forward together.
  void Advance(uint64_t Milliseconds);
  void AdvanceMicroseconds(uint64_t Microseconds);
  // Changes the wall clock only, as when the user sets the system time.
  void SetNow(TDateTime Value);
  // Starts every reading afresh, as a new clock made with these values.
  void Restart(TDateTime Start, uint64_t StartTicks);

 private:
  std::mutex lock_;
  TDateTime start_;
  uint64_t start_ticks_;
  uint64_t elapsed_us_ = 0;
};

// Installs a clock for the lifetime of a scope.
class TClockScope {
 public:
  explicit TClockScope(TClock* C) { SetClock(C); }
  ~TClockScope() { SetClock(nullptr); }
  TClockScope(const TClockScope&) = delete;
  TClockScope& operator=(const TClockScope&) = delete;
};

// ---- Calendar. Raise EConvertError for values outside the calendar.

bool IsLeapYear(int Year);
TDateTime EncodeDate(int Year, int Month, int Day);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
void DecodeDate(TDateTime Value, int& Year, int& Month, int& Day);
void DecodeTime(TDateTime Value, int& Hour, int& Min, int& Sec, int& MSec);
// Seconds since 1970-01-01 without any time-zone shift.
TDateTime UnixToDateTime(int64_t Seconds);
int64_t DateTimeToUnix(TDateTime Value);
