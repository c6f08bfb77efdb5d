#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "rtl/Exception.h"
#include "rtl/TStream.h"
#include "rtl/TStrings.h"

namespace {
using Lines = std::vector<std::string>;

Lines LinesOf(const TStrings& s) {
  Lines out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(s.Strings(i));
  return out;
}

void Fill(TStrings& s, const Lines& lines) {
  s.Clear();
  for (const auto& l : lines) s.Add(l);
}

class TCounted : public TObject {
 public:
  TCounted() { ++alive; }
  ~TCounted() override { --alive; }
  static inline int alive = 0;
};
}  // namespace

// What the old runtime wrote for these lists, and that it reads them back.
TEST(TStrings, CommaTextQuotingTable) {
  struct Case {
    Lines items;
    std::string text;
  };
  const Case cases[] = {
      {{}, ""},
      {{""}, "\"\""},
      {{"", ""}, ","},
      {{"a", ""}, "a,"},
      {{"", "a"}, ",a"},
      {{"a", "", "b"}, "a,,b"},
      {{"plain", "two words"}, "plain,\"two words\""},
      {{"a,b"}, "\"a,b\""},
      {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
      {{"\""}, "\"\"\"\""},
      {{"'single'"}, "'single'"},
      {{" lead", "trail "}, "\" lead\",\"trail \""},
      {{"tab\there", "line\nbreak", "cr\r"}, "\"tab\there\",\"line\nbreak\",\"cr\r\""},
      {{"nul", std::string("a\0b", 3)}, std::string("nul,\"a\0b\"", 9)},
      {{"x=y", "k=v w"}, "x=y,\"k=v w\""},
      {{"caf\xC3\xA9", "\xC3\xBC ber"}, "caf\xC3\xA9,\"\xC3\xBC ber\""},
      {{",", ",,"}, "\",\",\",,\""},
  };
  for (const auto& c : cases) {
    TStringList list;
    Fill(list, c.items);
    EXPECT_EQ(list.CommaText(), c.text);
    TStringList back;
    back.SetCommaText(c.text);
    EXPECT_EQ(LinesOf(back), c.items) << c.text;
  }
}

// Any list survives the trip through CommaText and DelimitedText.
TEST(TStrings, DelimitedTextRoundTripsRandomLists) {
  std::mt19937 rng(1234);
  const std::string alphabet = std::string("ab ,;\"'\t\r\n=\xC3\xA9", 13) + std::string(1, '\0');
  for (int round = 0; round < 2000; ++round) {
    Lines items(rng() % 5);
    for (auto& item : items) {
      size_t len = rng() % 5;
      for (size_t i = 0; i < len; ++i) item += alphabet[rng() % alphabet.size()];
    }
    TStringList list, back;
    if (round % 2) {
      for (auto* l : {&list, &back}) {
        l->SetDelimiter(';');
        l->SetQuoteChar('\'');
      }
    }
    Fill(list, items);
    back.SetDelimitedText(list.DelimitedText());
    ASSERT_EQ(LinesOf(back), items) << list.DelimitedText();
    back.SetCommaText(list.CommaText());
    ASSERT_EQ(LinesOf(back), items) << list.CommaText();
  }
}

// Whatever text is read, writing the list out and reading it again gives the
// same list.
TEST(TStrings, ArbitraryCommaTextReadsBackStably) {
  std::mt19937 rng(99);
  const std::string alphabet = std::string("a ,\"\t\n", 6) + std::string(1, '\0') + "\xFF";
  for (int round = 0; round < 2000; ++round) {
    std::string text(rng() % 12, ' ');
    for (char& c : text) c = alphabet[rng() % alphabet.size()];
    TStringList first, second;
    first.SetCommaText(text);
    second.SetCommaText(first.CommaText());
    ASSERT_EQ(LinesOf(second), LinesOf(first)) << text;
  }
}

TEST(TStrings, CommaTextReadingRules) {
  struct Case {
    std::string text;
    Lines items;
  };
  const Case cases[] = {
      {"  a ,  b  ", {"a", "b"}},  // blanks around items are skipped
      {"a b,c", {"a", "b", "c"}},  // unquoted items end at a blank
      {"a,", {"a", ""}},           // a final delimiter makes an empty item
      {"a, ", {"a"}},              // ... but not when blanks follow it
      {",", {"", ""}},
      {"\"a\"b,c", {"a", "b", "c"}},  // text after a closing quote is a new item
      {"\"a \"\" b\" , x", {"a \" b", "x"}},
      {"\"open", {"open"}},  // an unclosed quote runs to the end
      {"\"\"", {""}},
      {"a,,\"\",b", {"a", "", "", "b"}},
      {"\t\r\n", {}},
  };
  for (const auto& c : cases) {
    TStringList list;
    list.SetCommaText(c.text);
    EXPECT_EQ(LinesOf(list), c.items) << c.text;
  }
}

TEST(TStrings, DelimitedTextUsesItsOwnCharacters) {
  TStringList list;
  list.SetDelimiter(';');
  list.SetQuoteChar('\'');
  Fill(list, {"a,b", "c;d", "it's", "e f"});
  EXPECT_EQ(list.DelimitedText(), "a,b;'c;d';'it''s';'e f'");
  // CommaText keeps to ',' and '"' without touching the list's settings.
  EXPECT_EQ(list.CommaText(), "\"a,b\",c;d,it's,\"e f\"");
  EXPECT_EQ(list.Delimiter(), ';');
  TStringList back;
  back.SetDelimiter(';');
  back.SetQuoteChar('\'');
  back.SetDelimitedText(list.DelimitedText());
  EXPECT_EQ(LinesOf(back), LinesOf(list));
  // A blank as delimiter: runs of blanks separate items.
  TStringList words;
  words.SetDelimiter(' ');
  words.SetDelimitedText("one  two \"three four\" ");
  EXPECT_EQ(LinesOf(words), (Lines{"one", "two", "three four"}));
}

TEST(TStrings, TextSplitsEveryLineBreakAndJoinsWithLineFeeds) {
  TStringList list;
  list.SetText("a\r\nb\rc\nd\n\re\r\n\r\n");
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c", "d", "", "e", ""}));
  EXPECT_EQ(list.Text(), "a\nb\nc\nd\n\ne\n\n");
  list.SetText("last");
  EXPECT_EQ(list.Text(), "last\n");
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Text(), "");
}

TEST(TStrings, NameValueLookups) {
  TStringList list;
  Fill(list, {"Width=10", "plain", "Caption=a=b", "empty=", "=nameless"});
  EXPECT_EQ(list.Names(0), "Width");
  EXPECT_EQ(list.Names(1), "");
  EXPECT_EQ(list.Values("width"), "10");     // names ignore case by default
  EXPECT_EQ(list.Values("Caption"), "a=b");  // the first separator splits
  EXPECT_EQ(list.Values("empty"), "");
  EXPECT_EQ(list.Values(""), "nameless");
  EXPECT_EQ(list.Values("plain"), "");  // a line without separator has no name
  EXPECT_EQ(list.IndexOfName("EMPTY"), 3);
  EXPECT_EQ(list.ValueFromIndex(2), "a=b");
  EXPECT_EQ(list.ValueFromIndex(1), "");
  EXPECT_EQ(list.ValueFromIndex(-1), "");

  list.SetValues("Height", "20");  // appended
  list.SetValues("WIDTH", "11");   // replaced, under the name given
  list.SetValues("Caption", "");   // deleted
  EXPECT_EQ(LinesOf(list), (Lines{"WIDTH=11", "plain", "empty=", "=nameless", "Height=20"}));
  list.SetValueFromIndex(1, "x");  // an unnamed line gets an empty name
  EXPECT_EQ(list.Strings(1), "=x");
  list.SetValueFromIndex(1, "");
  EXPECT_EQ(list.Count(), 4);

  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOfName("height"), -1);
  EXPECT_EQ(list.IndexOfName("Height"), 3);

  TStringList colon;
  colon.SetNameValueSeparator(':');
  Fill(colon, {"a=b:c"});
  EXPECT_EQ(colon.Names(0), "a=b");
  EXPECT_EQ(colon.Values("A=B"), "c");
}

TEST(TStringList, SortedListsAndDuplicates) {
  TStringList list;
  Fill(list, {"pear", "Apple", "fig", "apple"});
  list.SetSorted(true);
  EXPECT_EQ(LinesOf(list), (Lines{"Apple", "apple", "fig", "pear"}));  // stable, case ignored
  EXPECT_EQ(list.Add("FIG"), 2);  // dupIgnore: the existing index
  EXPECT_EQ(list.Count(), 4);
  int index = -1;
  // Without dupAccept the search expects no equal lines and stops at the
  // first match it meets.
  EXPECT_TRUE(list.Find("APPLE", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find("grape", index));
  EXPECT_EQ(index, 3);  // where it would go
  EXPECT_EQ(list.IndexOf("Pear"), 3);
  EXPECT_EQ(list.IndexOf("kiwi"), -1);

  list.SetDuplicates(dupError);
  try {
    list.Add("pear");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "String list does not allow duplicates");
  }
  list.SetDuplicates(dupAccept);
  EXPECT_TRUE(list.Find("APPLE", index));
  EXPECT_EQ(index, 0);  // with dupAccept, the first of equal lines
  list.Add("Pear");     // goes before its equals
  EXPECT_EQ(LinesOf(list), (Lines{"Apple", "apple", "fig", "Pear", "pear"}));
  EXPECT_THROW(list.Insert(0, "x"), EStringListError);
  EXPECT_THROW(list.SetStrings(0, "x"), EStringListError);
  EXPECT_THROW(list.Move(0, 1), EStringListError);

  // Switching to case-sensitive re-sorts, and Find agrees with the new order.
  list.SetCaseSensitive(true);
  EXPECT_EQ(LinesOf(list), (Lines{"Apple", "Pear", "apple", "fig", "pear"}));
  EXPECT_TRUE(list.Find("apple", index));
  EXPECT_EQ(index, 2);
  EXPECT_EQ(list.IndexOf("APPLE"), -1);

  list.SetSorted(false);
  list.Insert(0, "zz");  // allowed again, order kept as it is
  EXPECT_EQ(list.Strings(0), "zz");
}

TEST(TStringList, IndexErrorsAndObjects) {
  TStringList list;
  TObject a, b;
  list.AddObject("a", &a);
  list.AddObject("b", &b);
  list.Add("c");
  EXPECT_EQ(list.IndexOfObject(&b), 1);
  EXPECT_EQ(list.Objects(2), nullptr);
  list.Exchange(0, 1);
  EXPECT_EQ(list.Objects(0), &b);
  list.Move(0, 2);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "c", "b"}));
  EXPECT_EQ(list.Objects(2), &b);
  try {
    list.Strings(3);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (3)");
  }
  EXPECT_THROW(list.Delete(-1), EStringListError);
  EXPECT_THROW(list.Insert(4, "x"), EStringListError);
  EXPECT_THROW(list.SetObjects(3, nullptr), EStringListError);
}

TEST(TStringList, OwnedObjectsAreFreedOnceAndMovesKeepThem) {
  TCounted::alive = 0;
  {
    TStringList list(true);
    for (const char* s : {"a", "b", "c", "d"}) list.AddObject(s, new TCounted);
    list.Move(0, 3);  // must not free the moving object
    list.Exchange(0, 1);
    list.Delete(0);
    EXPECT_EQ(TCounted::alive, 3);
    list.SetObjects(0, new TCounted);  // the replaced one goes
    EXPECT_EQ(TCounted::alive, 3);
    list.SetObjects(0, list.Objects(0));  // the same object stays
    EXPECT_EQ(TCounted::alive, 3);
    list.SetStrings(1, "renamed");  // a new text keeps the object
    EXPECT_NE(list.Objects(1), nullptr);
    list.Clear();
    EXPECT_EQ(TCounted::alive, 0);
    list.AddObject("e", new TCounted);
  }
  EXPECT_EQ(TCounted::alive, 0);
}

TEST(TStringList, ChangeNoticesWaitForTheOutermostUpdate) {
  TStringList list;
  std::vector<std::string> log;
  list.OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    log.push_back("changing " + std::to_string(list.Count()));
  };
  list.OnChange = [&](TObject*) { log.push_back("change " + std::to_string(list.Count())); };
  list.Add("a");
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("b");
  list.Delete(0);
  list.EndUpdate();
  list.Add("c");
  list.EndUpdate();
  list.SetCommaText("x,y,z");  // one pair for the whole text
  EXPECT_EQ(log, (std::vector<std::string>{"changing 0", "change 1", "changing 1", "change 2",
                                           "changing 2", "change 3"}));
}

TEST(TStrings, AssignAddStringsAndEquals) {
  TStringList source;
  TObject o;
  source.SetDelimiter(';');
  source.AddObject("b", &o);
  source.Add("a");
  TStringList dest;
  dest.Add("old");
  dest.Assign(&source);
  EXPECT_EQ(LinesOf(dest), (Lines{"b", "a"}));
  EXPECT_EQ(dest.Objects(0), &o);
  EXPECT_EQ(dest.Delimiter(), ';');
  EXPECT_TRUE(dest.Equals(&source));
  dest.Assign(&dest);  // assigning a list to itself keeps it
  EXPECT_EQ(dest.Count(), 2);
  TStringList sorted;
  sorted.SetSorted(true);
  sorted.AddStrings(&source);
  EXPECT_EQ(LinesOf(sorted), (Lines{"a", "b"}));
  EXPECT_FALSE(sorted.Equals(&source));
  EXPECT_THROW(dest.Assign(nullptr), EConvertError);
}

TEST(TStrings, FilesAndStreams) {
  TStringList list;
  Fill(list, {"first", "", "caf\xC3\xA9"});
  std::string path = ::testing::TempDir() + "nobrivo-strings-test-" + std::to_string(getpid()) + ".txt";
  list.SaveToFile(path);
  TStringList back;
  back.LoadFromFile(path);
  EXPECT_EQ(LinesOf(back), LinesOf(list));
  std::remove(path.c_str());
  EXPECT_THROW(back.LoadFromFile(path), EFOpenError);

  TStringStream stream("x\r\ny");
  stream.SetPosition(3);  // loading starts at the stream's position
  back.LoadFromStream(&stream);
  EXPECT_EQ(LinesOf(back), (Lines{"y"}));
  TStringStream out;
  back.SaveToStream(&out);
  EXPECT_EQ(out.DataString(), "y\n");
}
