// Dates and times as text in the locale's formats (FormatSettings): the
// short date format ("M/d/yyyy") and the long time format ("h:mm:ss AMPM").
#pragma once

#include <string>

#include "rtl/Clock.h"

// Format letters: d dd ddd dddd, M MM MMM MMMM, y yy yyyy, h hh (12-hour
// with AMPM/tt, else 24-hour), H HH, m mm (minutes), s ss, AMPM or tt; '/'
// and ':' stand for the locale's separators; anything else is copied.
std::string FormatDateTimeText(const std::string& Format, TDateTime Value);
std::string DateToStr(TDateTime Value);
std::string TimeToStr(TDateTime Value);
// The date, and the time after a space unless it is midnight.
std::string DateTimeToStr(TDateTime Value);

// Reading follows the order of day, month and year in the short date format;
// a two-digit year below 50 is in this century, others in the last.
bool TryStrToDate(const std::string& Text, TDateTime& Value);
bool TryStrToTime(const std::string& Text, TDateTime& Value);
bool TryStrToDateTime(const std::string& Text, TDateTime& Value);
