#include "rtl/StrUtils.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "rtl/Exception.h"
#include "rtl/FormatSettings.h"

TEST(StrUtils, StrToIntAcceptsTheOldSyntax) {
  struct Case {
    const char* in;
    int32_t out;
  };
  const Case cases[] = {{"0", 0},
                        {"123", 123},
                        {"-123", -123},
                        {"+7", 7},
                        {"  42", 42},
                        {"007", 7},
                        {"$1F", 31},
                        {"0x1F", 31},
                        {"0X1f", 31},
                        {"x1F", 31},
                        {"-$10", -16},
                        {"$FFFFFFFF", -1},
                        {"$80000000", INT32_MIN},
                        {"2147483647", INT32_MAX},
                        {"-2147483648", INT32_MIN},
                        {"$00000000000A", 10}};
  for (const Case& c : cases) EXPECT_EQ(StrToInt(c.in), c.out) << c.in;
}

TEST(StrUtils, StrToIntRefusesWithTheOldMessage) {
  const char* bad[] = {"",    " ",          "12 ",         "1.5",        "abc", "$",   "0x",
                       "--1", "2147483648", "-2147483649", "$100000000", "1e3", "\t1", "12a"};
  for (const char* s : bad) {
    EXPECT_THROW(StrToInt(s), EConvertError) << s;
    EXPECT_EQ(StrToIntDef(s, -99), -99) << s;
  }
  try {
    StrToInt("x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'x' is not a valid integer value");
  }
}

TEST(StrUtils, Int64AndHex) {
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("4294967296"), int64_t{1} << 32);
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_EQ(StrToInt64Def("nope", 5), 5);

  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(255, 0), "FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(int64_t{-1}, 2), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToHex(uint32_t{0xABCDEF01}, 8), "ABCDEF01");
  EXPECT_EQ(IntToHex(0, 1), "0");

  EXPECT_EQ(HexToInt("1F"), 31);
  EXPECT_EQ(HexToInt("$1f"), 31);
  EXPECT_EQ(HexToInt("0xFFFFFFFF"), -1);
  EXPECT_THROW(HexToInt("-1"), EConvertError);
  EXPECT_THROW(HexToInt("G"), EConvertError);
  EXPECT_EQ(HexToIntDef("", 3), 3);
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
}

TEST(StrUtils, FloatToStrUsesFifteenDigitsAndTheOldNotation) {
  struct Case {
    double in;
    const char* out;
  };
  const Case cases[] = {{0, "0"},
                        {0.5, "0.5"},
                        {-1.25, "-1.25"},
                        {100, "100"},
                        {0.1 + 0.2, "0.3"},  // 15 digits hide the binary error
                        {1.0 / 3, "0.333333333333333"},
                        {2.0 / 3, "0.666666666666667"},
                        {123456789012345.0, "123456789012345"},
                        {1234567890123456.0, "1.23456789012346E15"},
                        {1e20, "1E20"},
                        {0.0001, "0.0001"},
                        {0.00001, "1E-5"},
                        {1.5e-7, "1.5E-7"},
                        {-0.0, "0"},
                        {std::numeric_limits<double>::infinity(), "INF"},
                        {-std::numeric_limits<double>::infinity(), "-INF"},
                        {std::numeric_limits<double>::quiet_NaN(), "NAN"}};
  for (const Case& c : cases) EXPECT_EQ(FloatToStr(c.in), c.out) << c.in;
}

TEST(StrUtils, StrToFloatIgnoresTheLocale) {
  struct Case {
    const char* in;
    double out;
  };
  const Case cases[] = {{"1.5", 1.5}, {" -2.25 ", -2.25}, {"1e3", 1000}, {"1E-2", 0.01},
                        {".5", 0.5},  {"5.", 5},          {"+3", 3},     {"1e-400", 0}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(StrToFloat(c.in), c.out) << c.in;
  const char* bad[] = {"", "1,5", "abc", "1e", "inf", "nan", "0x10", "1e400", ".", "1.5x", "- 1"};
  for (const char* s : bad) EXPECT_THROW(StrToFloat(s), EConvertError) << s;
  EXPECT_EQ(StrToFloatDef("?", 2.5), 2.5);
  try {
    StrToFloat("1,5");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'1,5' is not a valid floating point value");
  }
}

TEST(StrUtils, CaseMapping) {
  EXPECT_EQ(UpperCase("abc xyz é"), "ABC XYZ é");
  EXPECT_EQ(LowerCase("ABC É"), "abc É");
  EXPECT_EQ(AnsiUpperCase("àéîõüñç ÿ œ š ž ß"), "ÀÉÎÕÜÑÇ Ÿ Œ Š Ž ß");
  EXPECT_EQ(AnsiLowerCase("ÀÉÎÕÜÑÇ Ÿ Œ Š Ž ÷×"), "àéîõüñç ÿ œ š ž ÷×");
  EXPECT_EQ(AnsiUpperCase("łńśźż ĳ ğ"), "ŁŃŚŹŻ Ĳ Ğ");
  EXPECT_EQ(AnsiUpperCase("привет αβγ ς"), "ПРИВЕТ ΑΒΓ Σ");
  EXPECT_EQ(AnsiLowerCase("ПРИВЕТ ΑΒΓ Ё"), "привет αβγ ё");
  // Malformed bytes pass through untouched.
  EXPECT_EQ(AnsiUpperCase("a\xFF"
                          "b\xC3"),
            "A\xFF"
            "B\xC3");
  // Every mapping keeps the UTF-8 length of the character and is undone by the other.
  for (uint32_t c = 0; c < 0x500; ++c) {
    uint32_t u = AnsiUpperChar(c), l = AnsiLowerChar(c);
    EXPECT_EQ(c < 0x80, u < 0x80) << std::hex << c;
    EXPECT_EQ(c < 0x80, l < 0x80) << std::hex << c;
    if (u != c) {
      EXPECT_EQ(AnsiLowerChar(u), c == 0x3C2 ? 0x3C3u : c) << std::hex << c;
    }
    if (l != c) {
      EXPECT_EQ(AnsiUpperChar(l), c) << std::hex << c;
    }
  }
}

TEST(StrUtils, Comparisons) {
  EXPECT_LT(CompareStr("ABC", "abc"), 0);
  EXPECT_GT(CompareStr("abcd", "abc"), 0);
  EXPECT_EQ(CompareStr("x", "x"), 0);
  EXPECT_EQ(CompareText("HeLLo", "hello"), 0);
  EXPECT_TRUE(SameText("FILE.JPG", "file.jpg"));
  EXPECT_FALSE(SameText("É", "é"));  // ASCII only
  // Folding to upper case puts '_' after the letters.
  EXPECT_GT(CompareText("a_", "ab"), 0);
  EXPECT_LT(CompareText("a", "AB"), 0);
  EXPECT_TRUE(AnsiSameText("ÉCOLE", "école"));
  EXPECT_EQ(AnsiCompareText("Zürich", "ZÜRICH"), 0);
  EXPECT_LT(AnsiCompareText("apple", "Banana"), 0);
  EXPECT_LT(AnsiCompareText("a_", "ab"), 0);
  EXPECT_GT(AnsiCompareText("abc", "ab"), 0);
}

TEST(StrUtils, TrimPosCopy) {
  EXPECT_EQ(Trim(" \t\r\n x y \x01"), "x y");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x \n"), "  x");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("é "), "é");  // bytes above 0x7F are not blanks

  EXPECT_EQ(Pos("b", "abcb"), 2);
  EXPECT_EQ(Pos("z", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(PosEx("b", "abcb", 3), 4);
  EXPECT_EQ(PosEx("b", "abcb", 0), 0);
  EXPECT_EQ(PosEx("b", "abcb", 5), 0);

  struct Case {
    int64_t index, count;
    const char* out;
  };
  const Case cases[] = {
      {1, 3, "abc"}, {2, 2, "bc"}, {0, 2, "ab"}, {-5, 1, "a"}, {4, 10, "def"},
      {6, 1, "f"},   {7, 1, ""},   {2, 0, ""},   {2, -1, ""},  {1, INT64_MAX, "abcdef"}};
  for (const Case& c : cases)
    EXPECT_EQ(Copy("abcdef", c.index, c.count), c.out) << c.index << "," << c.count;
}

TEST(StrUtils, StringReplace) {
  EXPECT_EQ(StringReplace("a.b.c", ".", "::", {}), "a::b.c");
  EXPECT_EQ(StringReplace("a.b.c", ".", "::", {rfReplaceAll}), "a::b::c");
  EXPECT_EQ(StringReplace("aXbxc", "x", "-", {rfReplaceAll}), "aXb-c");
  EXPECT_EQ(StringReplace("aXbxc", "x", "-", {rfReplaceAll, rfIgnoreCase}), "a-b-c");
  EXPECT_EQ(StringReplace("ÉTÉ été", "é", "e", {rfReplaceAll, rfIgnoreCase}), "eTe ete");
  EXPECT_EQ(StringReplace("aaa", "aa", "a", {rfReplaceAll}), "aa");  // no rescanning
  EXPECT_EQ(StringReplace("abc", "", "x", {rfReplaceAll}), "abc");
  EXPECT_EQ(StringReplace("", "a", "x", {rfReplaceAll}), "");
}

TEST(StrUtils, Quoting) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(AnsiDequotedStr("'it''s'", '\''), "it's");
  EXPECT_EQ(AnsiDequotedStr("plain", '\''), "plain");
  EXPECT_EQ(AnsiDequotedStr("'open", '\''), "open");
  EXPECT_EQ(AnsiDequotedStr("'a' rest", '\''), "a");
  EXPECT_EQ(AnsiDequotedStr("''", '\''), "''");  // the old runtime's rule for an empty text
  std::size_t pos = 2;
  EXPECT_EQ(AnsiExtractQuotedStr("x,\"a,b\",c", pos, '"'), "a,b");
  EXPECT_EQ(pos, 7u);
  pos = 0;
  EXPECT_EQ(AnsiExtractQuotedStr("abc", pos, '"'), "");
  EXPECT_EQ(pos, 0u);
}

TEST(StrUtils, FormatConversions) {
  EXPECT_EQ(Format("%d items", {42}), "42 items");
  EXPECT_EQ(Format("%5d|%-5d|%.3d|%.3d", {42, 42, 7, -7}), "   42|42   |007|-007");
  EXPECT_EQ(Format("%u %u", {-1, int64_t{-1}}), "4294967295 18446744073709551615");
  EXPECT_EQ(Format("%x %X %.4x %x", {255, 255, 10, -1}), "FF FF 000A FFFFFFFF");
  EXPECT_EQ(Format("%d", {uint32_t{4000000000u}}), "4000000000");
  EXPECT_EQ(Format("%s=%s", {"key", std::string("value")}), "key=value");
  EXPECT_EQ(Format("[%6s][%-6s][%.2s]", {"abc", "abc", "abcdef"}), "[   abc][abc   ][ab]");
  EXPECT_EQ(Format("[%4s][%.1s]", {"éé", "éé"}), "[  éé][é]");  // characters, not bytes
  EXPECT_EQ(Format("%s%s", {'x', 'y'}), "xy");
  EXPECT_EQ(Format("100%%", {}), "100%");
  EXPECT_EQ(Format("%1:s %0:s %s", {"a", "b"}), "b a b");
  EXPECT_EQ(Format("%*d|%-*d|%.*f", {4, 1, 3, 2, 1, 2.25}), "   1|2  |2.3");
  EXPECT_EQ(Format("%D %S", {1, "s"}), "1 s");
}

TEST(StrUtils, FormatFloats) {
  struct Case {
    const char* fmt;
    double v;
    const char* out;
  };
  const Case cases[] = {{"%f", 1, "1.00"},
                        {"%.0f", 2.5, "3"},  // half away from zero, not to even
                        {"%.0f", -2.5, "-3"},
                        {"%.1f", 0.25, "0.3"},
                        {"%.1f", 0.15, "0.1"},  // 0.1499999... stays below the half
                        {"%.2f", 1.005, "1.00"},
                        {"%.2f", -0.001, "0.00"},
                        {"%.3f", 1234.5678, "1234.568"},
                        {"%8.2f", 3.14159, "    3.14"},
                        {"%-8.2f|", 3.14159, "3.14    |"},
                        {"%.2f", 999.996, "1000.00"},
                        {"%.0f", 0.4, "0"},
                        {"%.2f", 1e17, "100000000000000000.00"},
                        {"%g", 0.5, "0.5"},
                        {"%g", 1e20, "1E20"},
                        {"%.3g", 3.14159, "3.14"},
                        {"%.3g", 31415.9, "3.14E4"},
                        {"%g", 100, "100"}};
  for (const Case& c : cases) EXPECT_EQ(Format(c.fmt, {c.v}), c.out) << c.fmt << " " << c.v;
}

TEST(StrUtils, FormatRefusesMismatches) {
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%s", {1}), EConvertError);
  EXPECT_THROW(Format("%f", {1}), EConvertError);
  EXPECT_THROW(Format("%d", {1.5}), EConvertError);
  EXPECT_THROW(Format("%d %d", {1}), EConvertError);
  EXPECT_THROW(Format("%", {1}), EConvertError);
  EXPECT_THROW(Format("%5", {1}), EConvertError);
  EXPECT_THROW(Format("%q", {1}), EConvertError);
  EXPECT_THROW(Format("%3:d", {1}), EConvertError);
  EXPECT_THROW(Format("%999999999d", {1}), EConvertError);
  try {
    Format("%d", {"a"});
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Format '%d' invalid or incompatible with argument");
  }
  try {
    Format("%s %s", {"a"});
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "No argument for format '%s %s'");
  }
}

TEST(StrUtils, ConversionsIgnoreTheTranslatedSeparators) {
  // A translation may set a decimal comma; stored numbers must still read back.
  TFormatSettings saved = FormatSettings;
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ThousandSeparator = '.';
  EXPECT_EQ(FloatToStr(1.5), "1.5");
  EXPECT_EQ(StrToFloat("1.5"), 1.5);
  EXPECT_EQ(Format("%.2f", {1.5}), "1.50");
  FormatSettings = saved;
  EXPECT_EQ(FormatSettings.LongMonthNames[11], "December");
  EXPECT_EQ(FormatSettings.ShortDayNames[0], "Sun");
}

// Hostile input: random bytes never crash the parsers, and the case mapping
// keeps every byte position, which StringReplace relies on.
TEST(StrUtils, RandomInputIsHandled) {
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  const char alphabet[] = "%-*.:0123456789dsuxfgXSzq$ \xC3\xA9\xFF\xE2\x82\xAC'\"aAe+";
  for (int round = 0; round < 5000; ++round) {
    std::string s;
    const int length = static_cast<int>(next() % 12);
    for (int k = 0; k < length; ++k)
      s +=
          (next() & 3) ? alphabet[next() % (sizeof alphabet - 1)] : static_cast<char>(next() >> 24);
    try {
      Format(s, {1, "x", 2.5, 'c'});
    } catch (const EConvertError&) {
    }
    int32_t i;
    int64_t i64;
    double d;
    TryStrToInt(s, i);
    TryStrToInt64(s, i64);
    TryStrToFloat(s, d);
    EXPECT_EQ(AnsiUpperCase(s).size(), s.size());
    EXPECT_EQ(AnsiLowerCase(s).size(), s.size());
    EXPECT_EQ(AnsiDequotedStr(AnsiQuotedStr(s, '\''), '\''), s.empty() ? "''" : s);
    EXPECT_EQ(StringReplace(s, "e", "E", {rfReplaceAll, rfIgnoreCase}).size(), s.size());
  }
}
