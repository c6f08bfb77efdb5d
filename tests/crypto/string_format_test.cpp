// Text encodings: known answers, round trips, the format list and the
// decoders' handling of separators and prefixes.
#include <gtest/gtest.h>

#include "crypto/TStringFormat.h"
#include "tests/crypto/CryptoTestUtil.h"

using crypto_test::RandomBytes;

TEST(StringFormat, KnownAnswersForAbc) {
  struct Case {
    int id;
    const char* text;
  } cases[] = {{fmtCOPY, "abc"},   {fmtHEX, "616263"}, {fmtHEXL, "616263"},
               {fmtMIME64, "YWJj"}, {fmtUU, "#86)C"},   {fmtXX, "1MK7X"}};
  for (const Case& c : cases) {
    EXPECT_EQ(BinaryToFormat("abc", c.id), c.text) << c.id;
    EXPECT_EQ(FormatToBinary(c.text, c.id), "abc") << c.id;
  }
  EXPECT_EQ(BinaryToFormat("abc", fmtDEFAULT), "YWJj");
  EXPECT_EQ(BinaryToFormat("\xAB\xCD", fmtHEX), "ABCD");
  EXPECT_EQ(BinaryToFormat("\xAB\xCD", fmtHEXL), "abcd");
  EXPECT_EQ(BinaryToFormat(std::string(1, '\0'), fmtMIME64), "AA==");
  EXPECT_EQ(BinaryToFormat(std::string(2, '\0'), fmtMIME64), "AAA=");
}

TEST(StringFormat, ListAndGuards) {
  EXPECT_EQ(BinaryToFormat("abc", 0), "");
  EXPECT_EQ(FormatToBinary("abc", 0), "");
  EXPECT_EQ(BinaryToFormat("", fmtHEX), "");
  try {
    BinaryToFormat("abc", 2);
    FAIL();
  } catch (const EStringFormat& e) {
    EXPECT_STREQ(e.what(), "String Format \"2\" not exists.");
  }
  // A negative length reads up to the first zero byte.
  EXPECT_EQ(BinaryToFormat("ab\0cd", -1, fmtHEX), "6162");
  EXPECT_EQ(FindStringFormat(-1)->FormatId(), 4196);
  EXPECT_EQ(FindStringFormat(fmtUU)->DisplayName(), "UU Coding");
  EXPECT_EQ(FindStringFormat(fmtXX)->DisplayName(), "XX Coding");
  EXPECT_EQ(FindStringFormat(fmtHEXL)->DisplayName(), "Hexadecimal lowercase");
  EXPECT_EQ(FindStringFormat(fmtCOPY)->DisplayName(), "copy Input to Output");
  // A class registered under a present id takes its place.
  class TUpperCopy : public TStringFormat {
   public:
    std::string Render(const char* v, int64_t n) const override {
      std::string s(v, static_cast<size_t>(n));
      for (char& c : s) c = static_cast<char>(toupper(c));
      return s;
    }
  };
  static const TUpperCopy upper;
  RegisterStringFormatClasses({&upper, nullptr});
  EXPECT_EQ(BinaryToFormat("abc", fmtCOPY), "ABC");
  RegisterStringFormatClasses({TStringFormat::Class()});
  EXPECT_EQ(BinaryToFormat("abc", fmtCOPY), "abc");
}

TEST(StringFormat, RoundTripsOfRandomData) {
  for (int id : {fmtCOPY, fmtHEX, fmtHEXL, fmtMIME64, fmtUU, fmtXX})
    for (size_t n : {1, 2, 3, 4, 44, 45, 46, 90, 91, 1000}) {
      const std::string data = RandomBytes(n, static_cast<uint32_t>(n + id));
      EXPECT_EQ(FormatToBinary(BinaryToFormat(data, id), id), data) << id << " " << n;
    }
}

TEST(StringFormat, HexadecimalParsing) {
  for (const char* text : {"0x1F", "$1F", "1f", "1 F", "0X1f", "[1F]"})
    EXPECT_EQ(FormatToBinary(text, fmtHEX), "\x1F") << text;
  EXPECT_EQ(FormatToBinary("12 34", fmtHEX), "\x12\x34");
  EXPECT_EQ(FormatToBinary("123", fmtHEX), "\x12");  // an unpaired digit is dropped
  EXPECT_EQ(FormatToBinary("ab", fmtHEXL), "\xAB");
  EXPECT_EQ(FormatToBinary("AB", fmtHEXL), "\xAB");
  // A later prefix keeps what was decoded before it.
  EXPECT_EQ(FormatToBinary("1F, 0x20", fmtHEX), "\x1F\x20");
  EXPECT_EQ(FormatToBinary("ABCD $EF", fmtHEX), "\xAB\xCD\xEF");
  try {
    FormatToBinary("12G4", fmtHEX);
    FAIL();
  } catch (const EStringFormat& e) {
    EXPECT_STREQ(e.what(), "Input is not an valid Hexadecimal Format.");
  }
  // Exact letter case of the alphabet: "X" is in HEX's alphabet, "x" too.
  EXPECT_THROW(FormatToBinary("1g", fmtHEXL), EStringFormat);
}

TEST(StringFormat, Mime64IgnorableCharactersAddNoBytes) {
  const std::string data = RandomBytes(100, 11);
  const std::string text = BinaryToFormat(data, fmtMIME64);
  std::string broken;
  for (size_t i = 0; i < text.size(); ++i) {
    broken += text[i];
    if (i % 19 == 18) broken += "\r\n";
    if (i % 7 == 3) broken += ' ';
  }
  EXPECT_EQ(FormatToBinary(broken, fmtMIME64), data);
  EXPECT_EQ(FormatToBinary("YW Jj\n", fmtMIME64), "abc");
  EXPECT_EQ(FormatToBinary("YQ", fmtMIME64), "a");  // missing padding is supplied
  EXPECT_THROW(FormatToBinary("YW!j", fmtMIME64), EStringFormat);
}

TEST(StringFormat, UULinesAndSeparators) {
  const std::string data = RandomBytes(46, 12);
  const std::string text = BinaryToFormat(data, fmtUU);
  ASSERT_EQ(text.size(), 1 + 60 + 1 + 4u);
  EXPECT_EQ(text[0], 'M');   // 45
  EXPECT_EQ(text[61], '!');  // 1
  EXPECT_EQ(FormatToBinary(text, fmtUU), data);
  // Line breaks between lines, and before the first, separate lines.
  const std::string lines = "\n" + text.substr(0, 61) + "\r\n" + text.substr(61) + "\n";
  EXPECT_EQ(FormatToBinary(lines, fmtUU), data);
  EXPECT_EQ(FormatToBinary("\n#86)C", fmtUU), "abc");
  // A length character above 45, or a line cut short, is not UU text.
  EXPECT_THROW(FormatToBinary("N86)C", fmtUU), EStringFormat);
  EXPECT_THROW(FormatToBinary("#86)", fmtUU), EStringFormat);
  EXPECT_THROW(TStringFormat_UU::Class()->Parse("\x7F", 1), EStringFormat);
  const std::string xx = BinaryToFormat(data, fmtXX);
  EXPECT_EQ(FormatToBinary("\n" + xx.substr(0, 61) + "\n" + xx.substr(61), fmtXX), data);
}

TEST(StringFormat, HostileTextNeverReadsOutOfBounds) {
  // Random text, and random text over each alphabet: parsing either works or
  // raises EStringFormat; the output is never longer than the text.
  const char* alphabets[] = {"0123456789ABCDEFabcdefXx$ ", "ABCDEFGHIJKLMNOPQRSTUVWXYZ=+/ \n",
                             "`!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_ \n"};
  for (uint32_t seed = 0; seed < 300; ++seed) {
    std::string text = RandomBytes(seed % 97, seed);
    const std::string alphabet = alphabets[seed % 3];
    if (seed % 2)
      for (char& c : text) c = alphabet[static_cast<uint8_t>(c) % alphabet.size()];
    for (int id : {fmtHEX, fmtHEXL, fmtMIME64, fmtUU, fmtXX}) {
      try {
        EXPECT_LE(FormatToBinary(text, id).size(), text.size() + 3);
      } catch (const EStringFormat&) {
      }
      // Parse straight, without the Accepts check in front.
      try {
        EXPECT_LE(FindStringFormat(id)->Parse(text.data(), static_cast<int64_t>(text.size())).size(),
                  text.size() + 3);
      } catch (const EStringFormat&) {
      }
    }
  }
}
