// String helpers with the old runtime's rules: 1-based positions, the integer
// syntax of its StrToInt (decimal, or hexadecimal after "$" or "0x"), '.' as
// the decimal separator whatever the locale, and a typed Format.
// Strings are UTF-8; the Ansi* functions know letters beyond ASCII.
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "rtl/TSet.h"

// ---- Integers

std::string IntToStr(int64_t Value);
// Accepts leading spaces, a sign, then decimal digits or hexadecimal digits
// after "$", "x" or "0x". Hexadecimal values up to 8 digits (16 for the
// 64-bit forms) wrap: StrToInt("$FFFFFFFF") is -1. Anything else, trailing
// spaces and overflow included, raises EConvertError
// "'x' is not a valid integer value".
int32_t StrToInt(std::string_view S);
int32_t StrToIntDef(std::string_view S, int32_t Default);
bool TryStrToInt(std::string_view S, int32_t& Value);
int64_t StrToInt64(std::string_view S);
int64_t StrToInt64Def(std::string_view S, int64_t Default);
bool TryStrToInt64(std::string_view S, int64_t& Value);
// Upper-case hexadecimal with at least Digits digits; negative values show
// their two's complement in the width of their type.
std::string IntToHex(int32_t Value, int Digits);
std::string IntToHex(uint32_t Value, int Digits);
std::string IntToHex(int64_t Value, int Digits);
std::string IntToHex(uint64_t Value, int Digits);
// Hexadecimal digits, with or without a "$" or "0x" prefix, as a 32-bit
// value (wrapping like StrToInt). Raises EConvertError.
int32_t HexToInt(std::string_view S);
int32_t HexToIntDef(std::string_view S, int32_t Default);

// ---- Floating point ('.' is the decimal separator)

// Up to 15 significant digits, fixed notation unless the value needs more
// than 15 integer digits or is below 0.0001: 0.5, 1E20, 1.5E-7, NAN, INF.
std::string FloatToStr(double Value);
// Leading and trailing spaces, a sign, digits with an optional '.' and an
// optional exponent. Raises EConvertError
// "'x' is not a valid floating point value"; overflow is invalid too.
double StrToFloat(std::string_view S);
double StrToFloatDef(std::string_view S, double Default);
bool TryStrToFloat(std::string_view S, double& Value);

// ---- Case

// ASCII letters only.
std::string UpperCase(std::string_view S);
std::string LowerCase(std::string_view S);
// Also Latin-1, Latin Extended-A, Greek and Cyrillic letters. The mapping
// keeps the UTF-8 length of every character (dotless i and long s are left
// alone), so byte positions found in a mapped copy hold for the original.
std::string AnsiUpperCase(std::string_view S);
std::string AnsiLowerCase(std::string_view S);
char32_t AnsiUpperChar(char32_t C);
char32_t AnsiLowerChar(char32_t C);

// Byte order; the result is the difference of the first differing bytes or
// of the lengths.
int CompareStr(std::string_view S1, std::string_view S2);
// ASCII letters folded to upper case, as the old runtime: "_" sorts after "a".
int CompareText(std::string_view S1, std::string_view S2);
bool SameText(std::string_view S1, std::string_view S2);
// Code points compared after folding to lower case (so punctuation sorts
// before letters, nearer the platform's word order); <0, 0 or >0.
int AnsiCompareText(std::string_view S1, std::string_view S2);
bool AnsiSameText(std::string_view S1, std::string_view S2);

// ---- Trimming, searching, replacing

// Removes spaces and control characters (every byte up to ' ').
std::string Trim(std::string_view S);
std::string TrimLeft(std::string_view S);
std::string TrimRight(std::string_view S);

// 1-based byte position of SubStr in S, 0 when absent or SubStr is empty.
int Pos(std::string_view SubStr, std::string_view S);
// Searches from Offset (1-based); 0 when Offset is outside S.
int PosEx(std::string_view SubStr, std::string_view S, int64_t Offset = 1);
// Count bytes from Index (1-based). Index below 1 counts from 1, Index past
// the end or a negative Count gives "".
std::string Copy(std::string_view S, int64_t Index, int64_t Count);

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = TSet<TReplaceFlag>;
// Replaces the first (or every) OldPattern; an empty OldPattern changes
// nothing. rfIgnoreCase compares as AnsiUpperCase.
std::string StringReplace(std::string_view S, std::string_view OldPattern,
                          std::string_view NewPattern, TReplaceFlags Flags);

// ---- Quoting

// 'it''s': encloses in quotes and doubles the quotes inside.
std::string QuotedStr(std::string_view S);
std::string AnsiQuotedStr(std::string_view S, char Quote);
// Reads a quoted text starting at S[Pos] (0-based), undoubling quotes; stops
// after the closing quote or at the end. Pos ends after what was read. When
// S[Pos] is not Quote, returns "" and leaves Pos.
std::string AnsiExtractQuotedStr(std::string_view S, std::size_t& Pos, char Quote);
// The unquoted text; S itself when it does not start with Quote. As in the
// old runtime, a text that unquotes to "" (such as '') is returned as it is.
std::string AnsiDequotedStr(std::string_view S, char Quote);

// ---- Format

// One argument of Format. Integers, floating-point values, strings and single
// characters; a bool is refused at compile time.
class TVarRec {
 public:
  enum TKind { vkInteger, vkFloat, vkString, vkChar };

  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char>) TVarRec(T v)
      : kind_(vkInteger),
        bits_(static_cast<uint64_t>(v)),
        wide_(sizeof(T) > 4),
        unsigned_(std::unsigned_integral<T>) {}
  TVarRec(bool) = delete;
  TVarRec(char c) : kind_(vkChar), char_(c) {}
  TVarRec(double v) : kind_(vkFloat), float_(v) {}
  TVarRec(float v) : kind_(vkFloat), float_(v) {}
  TVarRec(std::string_view s) : kind_(vkString), str_(s) {}
  TVarRec(const std::string& s) : kind_(vkString), str_(s) {}
  TVarRec(const char* s) : kind_(vkString), str_(s ? s : "") {}

  TKind Kind() const { return kind_; }

 private:
  friend std::string Format(std::string_view, std::initializer_list<TVarRec>);
  TKind kind_ = vkInteger;
  uint64_t bits_ = 0;
  bool wide_ = false;
  bool unsigned_ = false;
  double float_ = 0;
  std::string_view str_;
  char char_ = 0;
};

// "%" ["index:"] ["-"] [width] ["." precision] type, with width and
// precision also taken from an integer argument by "*". Types (either case):
//   d  integer; precision = minimum digits
//   u  integer as unsigned in its type's width
//   x  integer as upper-case hexadecimal, like u
//   f  fixed, precision decimals (default 2)
//   g  shortest of fixed and scientific, precision significant digits (15)
//   s  string or character; precision = maximum characters
// "%%" is a percent sign. Width and precision count UTF-8 characters.
// Floating-point digits round half away from zero, as the old runtime did.
// A missing argument, an unknown type or an argument of the wrong kind raises
// EConvertError instead of printing garbage.
std::string Format(std::string_view Fmt, std::initializer_list<TVarRec> Args);
