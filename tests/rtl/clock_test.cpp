#include "rtl/Clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "rtl/DateTimeText.h"
#include "rtl/Exception.h"
#include "rtl/FormatSettings.h"

TEST(Clock, DateSerialNumbersMatchTheOldRuntime) {
  struct Case {
    int y, m, d;
    double serial;
  };
  const Case cases[] = {{1899, 12, 30, 0},     {1899, 12, 31, 1},   {1900, 1, 1, 2},
                        {1900, 3, 1, 61},      {1970, 1, 1, 25569}, {2000, 2, 29, 36585},
                        {2024, 12, 31, 45657}, {1, 1, 1, -693593},  {9999, 12, 31, 2958465},
                        {1899, 12, 29, -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(EncodeDate(c.y, c.m, c.d), c.serial) << c.y << "-" << c.m << "-" << c.d;
    int y, m, d;
    DecodeDate(c.serial + (c.serial < 0 ? -0.75 : 0.75), y, m, d);  // the time runs away from 0
    EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d) << c.serial;
  }
  EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(2024, 13, 1), EConvertError);
  EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));

  // Every day of four centuries decodes back to itself.
  for (int serial = -1000; serial < 150000; serial += 1) {
    int y, m, d;
    DecodeDate(serial, y, m, d);
    ASSERT_EQ(EncodeDate(y, m, d), serial);
  }
}

TEST(Clock, TimeOfDay) {
  TDateTime t = EncodeTime(13, 45, 30, 250);
  int h, mi, s, ms;
  DecodeTime(45000 + t, h, mi, s, ms);
  EXPECT_EQ(h * 10000000 + mi * 100000 + s * 1000 + ms, 134530250);
  // Before the epoch the fraction still runs forward: -1.25 is 1899-12-29 06:00.
  DecodeTime(-1.25, h, mi, s, ms);
  EXPECT_EQ(h, 6);
  EXPECT_EQ(UnixToDateTime(0), 25569);
  EXPECT_EQ(DateTimeToUnix(EncodeDate(2001, 9, 9) + EncodeTime(1, 46, 40, 0)), 1000000000);
}

TEST(Clock, TestClockMovesAllReadingsTogether) {
  TTestClock clock(EncodeDate(2024, 5, 1) + EncodeTime(23, 59, 59, 0), 0xFFFFFF00u);
  TClockScope scope(&clock);
  EXPECT_EQ(&Clock(), &clock);
  EXPECT_EQ(GetTickCount(), 0xFFFFFF00u);
  int64_t c0 = PerformanceCounter();
  clock.Advance(1000);
  EXPECT_EQ(Date(), EncodeDate(2024, 5, 2));
  // The 32-bit tick count wraps; the 64-bit one does not.
  EXPECT_EQ(GetTickCount(), static_cast<uint32_t>(0xFFFFFF00ull + 1000));
  EXPECT_EQ(GetTickCount64(), 0xFFFFFF00ull + 1000);
  EXPECT_EQ(PerformanceCounter() - c0, 1000 * PerformanceFrequency() / 1000);
  clock.SetNow(EncodeDate(2030, 1, 1));
  EXPECT_EQ(Now(), EncodeDate(2030, 1, 1));
  EXPECT_EQ(GetTickCount64(), 0xFFFFFF00ull + 1000);  // the wall clock alone moved
}

TEST(Clock, SystemClockAgreesWithTheCLibrary) {
  SetClock(nullptr);
  time_t t = std::time(nullptr);
  tm local;
  localtime_r(&t, &local);
  TDateTime expected = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
                       EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, 0);
  // Within a minute, whatever the time zone.
  EXPECT_NEAR(Now(), expected, 60.0 / 86400);
  uint64_t a = GetTickCount64(), b = GetTickCount64();
  EXPECT_LE(a, b);
  EXPECT_EQ(PerformanceFrequency(), 1000000000);
}

TEST(DateTimeText, LocaleFormatsBothWays) {
  const TFormatSettings saved = FormatSettings;
  const TDateTime when = EncodeDate(2026, 12, 10) + EncodeTime(14, 5, 9, 0);
  EXPECT_EQ(DateToStr(when), "12/10/2026");
  EXPECT_EQ(TimeToStr(when), "2:05:09 PM");
  EXPECT_EQ(DateTimeToStr(when), "12/10/2026 2:05:09 PM");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 1, 2)), "1/2/2026");  // midnight: no time
  EXPECT_EQ(FormatDateTimeText("dddd, MMMM dd, yyyy HH:mm", when), "Thursday, December 10, 2026 14:05");
  TDateTime back;
  ASSERT_TRUE(TryStrToDateTime(DateTimeToStr(when), back));
  EXPECT_NEAR(back, when, 1e-9);
  ASSERT_TRUE(TryStrToTime("12:30 AM", back));
  EXPECT_NEAR(back, EncodeTime(0, 30, 0, 0), 1e-9);
  EXPECT_FALSE(TryStrToDate("2/30/2026", back));  // no such day
  EXPECT_FALSE(TryStrToDate("12/10", back));
  EXPECT_FALSE(TryStrToTime("25:00", back));
  EXPECT_FALSE(TryStrToTime("13:00 PM", back));
  // A locale that writes day first.
  FormatSettings.ShortDateFormat = "dd.MM.yyyy";
  FormatSettings.DateSeparator = '.';
  EXPECT_EQ(DateToStr(when), "10.12.2026");
  ASSERT_TRUE(TryStrToDate("10.12.26", back));
  EXPECT_EQ(back, EncodeDate(2026, 12, 10));
  FormatSettings = saved;
}
