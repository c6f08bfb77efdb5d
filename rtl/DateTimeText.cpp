#include "rtl/DateTimeText.h"

#include <cctype>
#include <cmath>
#include <vector>

#include "rtl/Exception.h"
#include "rtl/FormatSettings.h"

namespace {
std::string Pad(int v, size_t width) {
  std::string s = std::to_string(v);
  while (s.size() < width) s.insert(s.begin(), '0');
  return s;
}

bool HasAmPm(const std::string& format) {
  return format.find("AMPM") != std::string::npos || format.find("tt") != std::string::npos;
}

// The numbers of a text in order, and whether a PM/AM marker came with them.
struct Numbers {
  std::vector<int> values;
  int half = 0;  // 1 AM, 2 PM
  bool ok = true;
};
Numbers ReadNumbers(const std::string& text) {
  Numbers n;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (std::isdigit(c)) {
      int64_t v = 0;
      size_t start = i;
      while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && i - start < 9)
        v = v * 10 + (text[i++] - '0');
      if (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) n.ok = false;
      n.values.push_back(static_cast<int>(v));
    } else if (std::isalpha(c)) {
      std::string word;
      while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i]))) word += char(std::toupper(text[i++]));
      std::string am = FormatSettings.TimeAMString, pm = FormatSettings.TimePMString;
      for (auto& ch : am) ch = char(std::toupper(static_cast<unsigned char>(ch)));
      for (auto& ch : pm) ch = char(std::toupper(static_cast<unsigned char>(ch)));
      if (word == am || word == "AM") n.half = 1;
      else if (word == pm || word == "PM") n.half = 2;
      else n.ok = false;
    } else {
      ++i;
    }
  }
  return n;
}

bool MakeTime(const std::vector<int>& v, size_t from, int half, TDateTime& out) {
  const size_t count = v.size() - from;
  if (count < 1 || count > 3) return false;
  int h = v[from], m = count > 1 ? v[from + 1] : 0, s = count > 2 ? v[from + 2] : 0;
  if (half) {
    if (h < 1 || h > 12) return false;
    h = h % 12 + (half == 2 ? 12 : 0);
  }
  if (h > 23 || m > 59 || s > 59) return false;
  out = EncodeTime(h, m, s, 0);
  return true;
}

bool MakeDate(const std::vector<int>& v, TDateTime& out) {
  if (v.size() < 3) return false;
  // The order of the fields in the short date format.
  std::string order;
  for (char c : FormatSettings.ShortDateFormat) {
    const char f = c == 'd' ? 'd' : c == 'M' ? 'M' : (c == 'y' || c == 'Y') ? 'y' : 0;
    if (f && order.find(f) == std::string::npos) order += f;
  }
  if (order.size() != 3) order = "Mdy";
  int day = 0, month = 0, year = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (order[i] == 'd') day = v[i];
    if (order[i] == 'M') month = v[i];
    if (order[i] == 'y') year = v[i];
  }
  if (year < 100) year += year < 50 ? 2000 : 1900;
  try {
    out = EncodeDate(year, month, day);
  } catch (const EConvertError&) {
    return false;
  }
  return true;
}
}  // namespace

std::string FormatDateTimeText(const std::string& Format, TDateTime Value) {
  int year, month, day, hour, min, sec, msec;
  DecodeDate(Value, year, month, day);
  DecodeTime(Value, hour, min, sec, msec);
  const bool twelve = HasAmPm(Format);
  // Day of the week, Sunday first (1899-12-30 was a Saturday).
  const int weekday = static_cast<int>((static_cast<int64_t>(std::floor(Value)) % 7 + 7 + 6) % 7);
  std::string out;
  for (size_t i = 0; i < Format.size();) {
    const char c = Format[i];
    size_t run = 1;
    while (i + run < Format.size() && Format[i + run] == c) ++run;
    if (Format.compare(i, 4, "AMPM") == 0) {
      out += hour < 12 ? FormatSettings.TimeAMString : FormatSettings.TimePMString;
      i += 4;
      continue;
    }
    switch (c) {
      case 'd':
        out += run == 1 ? std::to_string(day) : run == 2 ? Pad(day, 2)
               : run == 3 ? FormatSettings.ShortDayNames[weekday] : FormatSettings.LongDayNames[weekday];
        break;
      case 'M':
        out += run == 1 ? std::to_string(month) : run == 2 ? Pad(month, 2)
               : run == 3 ? FormatSettings.ShortMonthNames[month - 1] : FormatSettings.LongMonthNames[month - 1];
        break;
      case 'y':
        out += run <= 2 ? Pad(year % 100, 2) : Pad(year, 4);
        break;
      case 'h': {
        const int h12 = twelve ? (hour % 12 == 0 ? 12 : hour % 12) : hour;
        out += run == 1 ? std::to_string(h12) : Pad(h12, 2);
        break;
      }
      case 'H': out += run == 1 ? std::to_string(hour) : Pad(hour, 2); break;
      case 'm': out += run == 1 ? std::to_string(min) : Pad(min, 2); break;
      case 's': out += run == 1 ? std::to_string(sec) : Pad(sec, 2); break;
      case 't': out += hour < 12 ? FormatSettings.TimeAMString : FormatSettings.TimePMString; break;
      case '/': out.append(run, FormatSettings.DateSeparator); break;
      case ':': out.append(run, FormatSettings.TimeSeparator); break;
      default: out.append(run, c); break;
    }
    i += run;
  }
  return out;
}

std::string DateToStr(TDateTime Value) { return FormatDateTimeText(FormatSettings.ShortDateFormat, Value); }
std::string TimeToStr(TDateTime Value) { return FormatDateTimeText(FormatSettings.LongTimeFormat, Value); }

std::string DateTimeToStr(TDateTime Value) {
  std::string text = DateToStr(Value);
  if (Value != std::floor(Value)) {
    // Appended piece by piece: GCC 12 sees a false overlap in " " + string.
    text += ' ';
    text += TimeToStr(Value);
  }
  return text;
}

bool TryStrToDate(const std::string& Text, TDateTime& Value) {
  Numbers n = ReadNumbers(Text);
  if (!n.ok || n.half || n.values.size() != 3) return false;
  return MakeDate(n.values, Value);
}

bool TryStrToTime(const std::string& Text, TDateTime& Value) {
  Numbers n = ReadNumbers(Text);
  if (!n.ok) return false;
  return MakeTime(n.values, 0, n.half, Value);
}

bool TryStrToDateTime(const std::string& Text, TDateTime& Value) {
  Numbers n = ReadNumbers(Text);
  if (!n.ok || n.values.size() < 3) return false;
  TDateTime date;
  if (!MakeDate(n.values, date)) return false;
  if (n.values.size() == 3) {
    if (n.half) return false;
    Value = date;
    return true;
  }
  TDateTime time;
  if (!MakeTime(n.values, 3, n.half, time)) return false;
  Value = date + time;
  return true;
}
