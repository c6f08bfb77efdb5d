#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/Exception.h"
#include "rtl/TList.h"

namespace {
// Counts how many instances are alive, to see what an owning list frees.
class TCounted : public TObject {
 public:
  explicit TCounted(int v) : value(v) { ++alive; }
  ~TCounted() override { --alive; }
  int value;
  static inline int alive = 0;
};

// Records the notices a list gives.
class TLoggingList : public TList {
 public:
  ~TLoggingList() override { Clear(); }
  std::vector<std::string> log;

 protected:
  void Notify(void* Ptr, TListNotification Action) override {
    static const char* names[] = {"added", "extracted", "deleted"};
    log.push_back(std::string(names[Action]) + " " + static_cast<const char*>(Ptr));
  }
};

std::string Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const EListError& e) {
    return e.Message();
  }
  return "no error";
}
}  // namespace

TEST(TList, IndexErrorsNameTheIndex) {
  TList list;
  int a = 1;
  list.Add(&a);
  EXPECT_EQ(Message([&] { list.Items(1); }), "List index out of bounds (1)");
  EXPECT_EQ(Message([&] { list.Items(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(Message([&] { list.Delete(5); }), "List index out of bounds (5)");
  EXPECT_EQ(Message([&] { list.Insert(2, &a); }), "List index out of bounds (2)");
  EXPECT_EQ(Message([&] { list.Move(0, 1); }), "List index out of bounds (1)");
  EXPECT_EQ(Message([&] { list.SetCapacity(0); }), "List capacity out of bounds (0)");
  EXPECT_EQ(Message([&] { list.SetCount(-1); }), "List count out of bounds (-1)");
  TList empty;
  EXPECT_EQ(Message([&] { empty.First(); }), "List index out of bounds (0)");
  EXPECT_EQ(Message([&] { empty.Last(); }), "List index out of bounds (-1)");
  list.Insert(1, &a);  // inserting at Count appends
  EXPECT_EQ(list.Count(), 2);
}

TEST(TList, CapacityGrowsInTheOldSteps) {
  TList list;
  std::vector<int> caps;
  int x = 0;
  for (int i = 0; i < 120; ++i) {
    list.Add(&x);
    if (caps.empty() || caps.back() != list.Capacity()) caps.push_back(list.Capacity());
  }
  EXPECT_EQ(caps, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118, 147}));
  list.Clear();
  EXPECT_EQ(list.Capacity(), 0);
  list.SetCount(3);
  EXPECT_EQ(list.Items(2), nullptr);
}

TEST(TList, NoticesForAddDeleteExtractReplaceAndMove) {
  TLoggingList list;
  char a[] = "a", b[] = "b", c[] = "c";
  list.Add(a);
  list.Add(nullptr);  // nils are never announced
  list.Insert(0, b);
  list.SetItems(1, c);  // replaces a
  list.Move(0, 2);
  list.Exchange(0, 1);
  EXPECT_EQ(list.Extract(c), c);
  EXPECT_EQ(list.Extract(a), nullptr);
  EXPECT_EQ(list.Remove(b), 1);
  EXPECT_EQ(list.log, (std::vector<std::string>{"added a", "added b", "deleted a", "added c",
                                                "extracted c", "deleted b"}));
  EXPECT_EQ(list.Count(), 1);
  list.Pack();
  EXPECT_EQ(list.Count(), 0);
}

TEST(TList, MoveExchangeSortKeepEveryItem) {
  TList list;
  int v[] = {5, 3, 9, 3, 1};
  for (int& x : v) list.Add(&x);
  list.Move(0, 4);      // 3 9 3 1 5
  list.Exchange(0, 3);  // 1 9 3 3 5
  auto at = [&](int i) { return *static_cast<int*>(list.Items(i)); };
  EXPECT_EQ(at(0), 1);
  EXPECT_EQ(at(4), 5);
  list.Sort([](void* x, void* y) { return *static_cast<int*>(x) - *static_cast<int*>(y); });
  std::vector<int> sorted;
  for (int i = 0; i < list.Count(); ++i) sorted.push_back(at(i));
  EXPECT_EQ(sorted, (std::vector<int>{1, 3, 3, 5, 9}));
  // Equal items stay in their order: the first 3 (v[1]) is still first.
  EXPECT_EQ(list.Items(1), &v[3]);
  EXPECT_EQ(list.IndexOf(&v[2]), 4);
}

TEST(TObjectList, OwnsAndFreesUnlessExtracted) {
  TCounted::alive = 0;
  {
    TObjectList list;
    for (int i = 0; i < 4; ++i) list.Add(new TCounted(i));
    list.Delete(0);
    EXPECT_EQ(TCounted::alive, 3);
    list.SetItems(0, new TCounted(10));  // the replaced object is freed
    EXPECT_EQ(TCounted::alive, 3);
    TObject* kept = list.Extract(list.Items(1));
    EXPECT_EQ(TCounted::alive, 3);
    list.Move(0, 1);  // moving frees nothing
    EXPECT_EQ(TCounted::alive, 3);
    kept->Free();
    EXPECT_EQ(list.FindInstanceOf(TObject::StaticClass(), false), 0);
  }
  EXPECT_EQ(TCounted::alive, 0);
  TObjectList borrowed(false);
  TCounted c(1);
  borrowed.Add(&c);
  borrowed.Clear();
  EXPECT_EQ(TCounted::alive, 1);
}
