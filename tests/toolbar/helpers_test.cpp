#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolbar/DKCommon.h"

TEST(DKCommonTest, AmpersandsAreHandledByWholeCharacters) {
  struct Case {
    const char* in;
    const char* stripped;
    const char* doubled;
  } cases[] = {
      {"&Open", "Open", "&&Open"},
      {"Save && Exit", "Save  Exit", "Save &&&& Exit"},
      {"", "", ""},
      {"\xC3\xA9&t\xC3\xA9", "\xC3\xA9t\xC3\xA9", "\xC3\xA9&&t\xC3\xA9"},
      {"trailing&", "trailing", "trailing&&"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StripAmpersands(c.in), c.stripped) << c.in;
    EXPECT_EQ(DoubleAmpersands(c.in), c.doubled) << c.in;
  }
}

TEST(DKCommonTest, TrailingColonOrEllipsis) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {":", ":"},            // too short
      {"Name:", "Name"},
      {"Open...", "Open"},
      {"...", "..."},        // fewer than four characters
      {"A...", "A"},
      {"\xC3\xA9...", "\xC3\xA9"},     // four characters, though six bytes
      {"\xC3\xA9:", "\xC3\xA9"},
      {"Plain", "Plain"},
  };
  for (const Case& c : cases) EXPECT_EQ(StripTrailingColonOrEllipsis(c.in), c.out) << c.in;
}

TEST(DKCommonTest, AcceleratorCharacter) {
  struct Case {
    const char* in;
    uint32_t accel;
  } cases[] = {
      {"&File && &Edit", 'E'},  // the last accelerator wins, the doubled one is literal
      {"File&", 0},             // a trailing ampersand ends the scan
      {"No accelerator", 0},
      {"&x", 'x'},              // case kept
      {"&\xC3\xA9t\xC3\xA9", 0xE9},
  };
  for (const Case& c : cases) EXPECT_EQ(AcceleratorCharOf(c.in), c.accel) << c.in;
}

TEST(DKCommonTest, DivideRoundingOutIsACeilingForTheLibrarysOperands) {
  struct Case {
    int32_t a, b, q;
  } cases[] = {{0, 3, 0}, {6, 3, 2}, {7, 3, 3}, {1, 3, 1}, {-7, 3, -3}, {5, 0, 0}};
  for (const Case& c : cases) EXPECT_EQ(DivideRoundingOut(c.a, c.b), c.q) << c.a << "/" << c.b;
}

TEST(DKCommonTest, StoredMenuShowDelayText) {
  EXPECT_EQ(ParseMenuShowDelay("abc"), 0);
  EXPECT_EQ(ParseMenuShowDelay("250"), 250);
  EXPECT_EQ(ParseMenuShowDelay("-20"), 0);
  EXPECT_EQ(ParseMenuShowDelay(""), 0);
  EXPECT_EQ(QueryMenuPopupDelay(), 400);
}

TEST(DKCommonTest, EllipsisCutsWholeCharacters) {
  // Every character is 10 wide, whatever its byte length.
  auto width = [](const std::string& s) {
    int32_t n = 0;
    for (unsigned char c : s)
      if ((c & 0xC0) != 0x80) ++n;
    return n * 10;
  };
  int32_t accel = -1;
  // "ééééé" is 50 wide; within 55 "éé..." (50) fits, "ééé..." (60) does not.
  std::string t = ShortenWithEllipsis("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9x", 55, width, accel);
  EXPECT_EQ(t, "\xC3\xA9\xC3\xA9...");
  // A rectangle 2 pixels high keeps the first character, whole.
  accel = 3;
  t = ShortenWithEllipsis("\xE2\x82\xAC" "abc", 2, width, accel);
  EXPECT_EQ(t, "\xE2\x82\xAC...");
  EXPECT_EQ(accel, -1);  // the accelerator fell beyond the kept text
  // A text that fits stays.
  accel = -1;
  EXPECT_EQ(ShortenWithEllipsis("ab", 100, width, accel), "ab");
}

TEST(DKCommonTest, SortListWithOrdersByTheComparison) {
  std::vector<intptr_t> values{5, 3, 9, 1, 3, 7, 0};
  std::vector<void*> list;
  for (intptr_t v : values) list.push_back(reinterpret_cast<void*>(v));
  SortListWith(
      list,
      [](void* a, void* b, intptr_t extra) {
        return int32_t(reinterpret_cast<intptr_t>(a) - reinterpret_cast<intptr_t>(b)) * int32_t(extra);
      },
      1);
  std::vector<intptr_t> got;
  for (void* p : list) got.push_back(reinterpret_cast<intptr_t>(p));
  EXPECT_EQ(got, (std::vector<intptr_t>{0, 1, 3, 3, 5, 7, 9}));
}

TEST(DKCommonTest, ListsMadeOnDemand) {
  int a = 0, b = 0;
  TLazyList<int> list;
  EXPECT_TRUE(ListAddOnce(list, &a));
  EXPECT_FALSE(ListAddOnce(list, &a));
  EXPECT_TRUE(ListInsertFirstOnce(list, &b));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ((*list)[0], &b);
  ListRemoveAndFreeIfEmpty(list, &a);
  ListRemoveAndFreeIfEmpty(list, &b);
  EXPECT_EQ(list, nullptr);
}
