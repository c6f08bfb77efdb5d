#include "rtl/Codepage.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <string>

namespace {
// glibc's converter for one byte; false when it refuses the byte.
bool IconvCp1252(uint8_t byte, std::string& out) {
  iconv_t cd = iconv_open("UTF-8", "CP1252");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char in = static_cast<char>(byte);
  char buf[8];
  char* src = &in;
  char* dst = buf;
  size_t in_left = 1, out_left = sizeof buf;
  size_t r = iconv(cd, &src, &in_left, &dst, &out_left);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return false;
  out.assign(buf, dst);
  return true;
}
}  // namespace

TEST(Codepage, EveryByteAgreesWithIconv) {
  iconv_t probe = iconv_open("UTF-8", "CP1252");
  ASSERT_NE(probe, reinterpret_cast<iconv_t>(-1)) << "glibc lacks CP1252";
  iconv_close(probe);
  for (int b = 0; b < 256; ++b) {
    std::string ours = Cp1252ToUtf8(std::string(1, static_cast<char>(b)));
    std::string theirs;
    const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    if (undefined) {
      // glibc refuses these; the platform mapped them to the C1 controls.
      EXPECT_FALSE(IconvCp1252(static_cast<uint8_t>(b), theirs)) << b;
      std::string c1;
      Utf8Append(c1, static_cast<char32_t>(b));
      EXPECT_EQ(ours, c1) << b;
    } else {
      ASSERT_TRUE(IconvCp1252(static_cast<uint8_t>(b), theirs)) << b;
      EXPECT_EQ(ours, theirs) << b;
    }
    // Every byte comes back.
    EXPECT_EQ(Utf8ToCp1252(ours), std::string(1, static_cast<char>(b))) << b;
    EXPECT_TRUE(IsCp1252Representable(ours)) << b;
  }
}

TEST(Codepage, RepresentableTexts) {
  EXPECT_TRUE(IsCp1252Representable(""));
  EXPECT_TRUE(IsCp1252Representable("Contraseña €5 – “quoted”"));
  EXPECT_FALSE(IsCp1252Representable("пароль"));
  EXPECT_FALSE(IsCp1252Representable("ā"));         // Latin Extended-A, not in 1252
  EXPECT_FALSE(IsCp1252Representable("\xC2\x80"));  // U+0080: 0x80 is the euro sign
  EXPECT_FALSE(IsCp1252Representable("a\xFF"));     // malformed UTF-8
  EXPECT_FALSE(IsCp1252Representable("😀"));

  std::string out = "untouched";
  EXPECT_FALSE(TryUtf8ToCp1252("日本", out));
  EXPECT_EQ(out, "untouched");
  ASSERT_TRUE(TryUtf8ToCp1252("Ünïcödé €", out));
  EXPECT_EQ(out,
            "\xDCn\xEF"
            "c\xF6"
            "d\xE9 \x80");
  EXPECT_EQ(Utf8ToCp1252("a\xD0\xBF"
                         "b\xFF"),
            "a?b?");
}

TEST(Codepage, Utf8Decoding) {
  struct Case {
    const char* in;
    int32_t first;
    std::size_t advance;
  };
  const Case cases[] = {{"A", 'A', 1},
                        {"\xC3\xA9", 0xE9, 2},
                        {"\xE2\x82\xAC", 0x20AC, 3},
                        {"\xF0\x9F\x98\x80", 0x1F600, 4},
                        {"\xC0\x80", -1, 1},          // overlong
                        {"\xE0\x80\x80", -1, 1},      // overlong
                        {"\xED\xA0\x80", -1, 1},      // surrogate
                        {"\xF4\x90\x80\x80", -1, 1},  // above U+10FFFF
                        {"\xE2\x82", -1, 1},          // truncated
                        {"\x80", -1, 1},              // stray continuation
                        {"\xC3"
                         "A",
                         -1, 1}};
  for (const Case& c : cases) {
    std::size_t i = 0;
    EXPECT_EQ(Utf8DecodeAt(c.in, i), c.first) << c.in;
    EXPECT_EQ(i, c.advance) << c.in;
  }
  for (char32_t cp : {char32_t{0x7F}, char32_t{0x80}, char32_t{0x7FF}, char32_t{0x800},
                      char32_t{0xFFFF}, char32_t{0x10000}, char32_t{0x10FFFF}}) {
    std::string s;
    Utf8Append(s, cp);
    std::size_t i = 0;
    EXPECT_EQ(Utf8DecodeAt(s, i), static_cast<int32_t>(cp));
    EXPECT_EQ(i, s.size());
  }
  EXPECT_EQ(Utf8Length("aé€😀"), 4u);
  EXPECT_TRUE(IsValidUtf8("aé€😀"));
  EXPECT_FALSE(IsValidUtf8("a\xC3"));
}
