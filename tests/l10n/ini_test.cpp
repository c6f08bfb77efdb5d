#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>

#include "l10n/TMemIniFile.h"
#include "rtl/TStrings.h"

namespace {
TEST(MemIniFile, TextIsNeverTrimmed) {
  TMemIniFile ini;
  ini.SetText("[S]\r\na = b\r\n[ T ]\r\nk=v\r\n");
  EXPECT_EQ(ini.ReadString("S", "a", "dflt"), "dflt");
  EXPECT_EQ(ini.ReadString("S", "a ", "dflt"), " b");
  EXPECT_EQ(ini.ReadString(" T ", "k", ""), "v");
  EXPECT_EQ(ini.ReadString("T", "k", "none"), "none");
}

TEST(MemIniFile, CaseInsensitiveAndRenderedSorted) {
  TMemIniFile ini;
  ini.SetText("; comment\nignored=before any section\n[zeta]\nB=2\na=1\n\n[Alpha]\nx=y\n");
  EXPECT_EQ(ini.ReadString("ZETA", "b", ""), "2");
  EXPECT_EQ(ini.ReadString("alpha", "X", ""), "y");
  ini.WriteString("ZETA", "A", "one");  // replaces a=1, case ignored
  EXPECT_EQ(ini.GetText(), "[Alpha]\r\nx=y\r\n\r\n[zeta]\r\nA=one\r\nB=2\r\n\r\n");
  TStringList sections;
  ini.ReadSections(&sections);
  EXPECT_EQ(sections.CommaText(), "Alpha,zeta");
}

TEST(MemIniFile, SectionValuesFollowSortedKeys) {
  TMemIniFile ini;
  ini.SetText("[S]\nb=2\nA=1\n");
  TStringList keys, values;
  ini.ReadSection("S", &keys);
  ini.ReadSectionValues("S", &values);
  EXPECT_EQ(keys.CommaText(), "A,b");
  EXPECT_EQ(values.CommaText(), "1,2");
}

TEST(MemIniFile, SectionWithoutKeysDoesNotExist) {
  TMemIniFile ini;
  ini.SetText("[Empty]\n[Full]\nk=\n");
  EXPECT_FALSE(ini.SectionExists("Empty"));
  EXPECT_TRUE(ini.SectionExists("full"));
  EXPECT_FALSE(ini.SectionExists("Missing"));
}

TEST(MemIniFile, IntegersDecimalOrHexAfter0x) {
  TMemIniFile ini;
  ini.SetText("[N]\nx=0x1F\nh=0x1F\nH=0X10\nbare=1F\nd=-42\nshort=0x\nsp= 5x\n");
  struct {
    const char* key;
    int32_t want;
  } cases[] = {{"x", 31},     {"h", 16},  {"bare", -7},   {"d", -42},
               {"short", -7}, {"sp", -7}, {"missing", -7}};
  // "h" and "H" are one name: the later line sorts before the earlier one.
  for (auto& c : cases) EXPECT_EQ(ini.ReadInteger("N", c.key, -7), c.want) << c.key;
  EXPECT_TRUE(ini.ReadBool("N", "h", false));
  ini.WriteInteger("N", "w", -3);
  ini.WriteBool("N", "b", true);
  EXPECT_EQ(ini.ReadString("N", "w", ""), "-3");
  EXPECT_EQ(ini.ReadString("N", "b", ""), "1");
}

TEST(MemIniFile, KeysSplitAtFirstEqualsAndRepeatedHeadersJoin) {
  TMemIniFile ini;
  ini.SetText("[S]\nk=a=b\nnovalue\n[s]\nmore=1\n");
  EXPECT_EQ(ini.ReadString("S", "k", ""), "a=b");
  EXPECT_EQ(ini.ReadString("S", "novalue", "x"), "");
  EXPECT_EQ(ini.ReadString("S", "more", ""), "1");
  ini.WriteString("S", "x=y", "z");  // stored split at its first "="
  EXPECT_EQ(ini.ReadString("S", "x", ""), "y=z");
  ini.DeleteKey("s", "K");
  EXPECT_EQ(ini.ReadString("S", "k", "gone"), "gone");
  ini.EraseSection("S");
  EXPECT_FALSE(ini.SectionExists("S"));
}

TEST(MemIniFile, LoadingOrdersLikeAddingOneLineAtATime) {
  // Names that differ only in case, repeated keys and repeated headers: the
  // loaded order is the order of adding each line in turn.
  std::mt19937 rng(7);
  const char* names[] = {"a", "A", "b", "B", "ab", "Ab", "c", "", "=", "a b"};
  for (int round = 0; round < 20; ++round) {
    std::string text;
    TMemIniEntry one_by_one("S");
    for (int i = 0; i < 60; ++i) {
      if (rng() % 10 == 0) text += rng() % 2 ? "[S]\n" : "[s]\n";
      std::string line = std::string(names[rng() % 10]) + "=" + std::to_string(i);
      if (i == 0) text = "[S]\n";
      text += line + "\n";
      one_by_one.AddLine(line);
    }
    TMemIniFile ini;
    ini.SetText(text);
    TStringList keys, values;
    ini.ReadSection("S", &keys);
    ini.ReadSectionValues("S", &values);
    ASSERT_EQ(keys.Count(), one_by_one.Count());
    for (int i = 0; i < keys.Count(); ++i) {
      EXPECT_EQ(keys.Strings(i), one_by_one.Names(i)) << round << " " << i;
      EXPECT_EQ(values.Strings(i), one_by_one.Values(i)) << round << " " << i;
    }
  }
}

TEST(MemIniFile, ManyKeysAndSectionsInReverseOrderLoad) {
  // Every line would go to the front: a hostile file of this shape used to
  // take minutes.
  constexpr int kCount = 200000;
  std::string text;
  for (int i = kCount; i-- > 0;) text += "[S" + std::to_string(1000000 + i) + "]\n";
  text += "[S]\n";
  for (int i = kCount; i-- > 0;) text += "k" + std::to_string(1000000 + i) + "=v\n";
  TMemIniFile ini;
  ini.SetText(text);
  TStringList keys, sections;
  ini.ReadSection("S", &keys);
  ini.ReadSections(&sections);
  ASSERT_EQ(keys.Count(), kCount);
  EXPECT_EQ(keys.Strings(0), "k1000000");
  EXPECT_EQ(keys.Strings(kCount - 1), "k" + std::to_string(1000000 + kCount - 1));
  ASSERT_EQ(sections.Count(), kCount + 1);
  EXPECT_EQ(sections.Strings(0), "S");
  EXPECT_EQ(sections.Strings(1), "S1000000");
}

TEST(MemIniFile, FileRoundTrip) {
  const std::string name = ::testing::TempDir() + "nobrivo-ini-test-" + std::to_string(getpid()) + ".ini";
  {
    TMemIniFile ini(name);
    ini.WriteString("S", "k", "v");
    ini.UpdateFile();
  }
  TMemIniFile again(name);
  EXPECT_EQ(again.ReadString("S", "k", ""), "v");
  std::remove(name.c_str());
}
}  // namespace

TEST(MemIniFile, DatesAndTimesInTheLocalesFormats) {
  TMemIniFile ini("");
  const TDateTime when = EncodeDate(2026, 3, 4) + EncodeTime(9, 7, 0, 0);
  ini.WriteDate("S", "D", when);
  ini.WriteDateTime("S", "DT", when);
  ini.WriteTime("S", "T", when);
  EXPECT_EQ(ini.ReadString("S", "D", ""), "3/4/2026");
  EXPECT_EQ(ini.ReadString("S", "DT", ""), "3/4/2026 9:07:00 AM");
  EXPECT_EQ(ini.ReadString("S", "T", ""), "9:07:00 AM");
  EXPECT_EQ(ini.ReadDate("S", "D", 0), EncodeDate(2026, 3, 4));
  EXPECT_NEAR(ini.ReadDateTime("S", "DT", 0), when, 1e-9);
  EXPECT_NEAR(ini.ReadTime("S", "T", 0), EncodeTime(9, 7, 0, 0), 1e-9);
  ini.WriteString("S", "Bad", "soon");
  EXPECT_EQ(ini.ReadDate("S", "Bad", 42), 42);  // unreadable: the default
  EXPECT_EQ(ini.ReadTime("S", "Missing", 7), 7);
}
