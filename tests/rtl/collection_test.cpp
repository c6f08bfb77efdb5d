#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/Exception.h"
#include "rtl/TCollection.h"

namespace {
std::vector<std::string> g_log;

class TNote : public TCollectionItem {
  RTL_CLASS(TNote, TCollectionItem)
 public:
  explicit TNote(TCollection* Collection) : TCollectionItem(Collection) {}
  const std::string& Text() const { return text_; }
  void SetText(const std::string& Value) {
    text_ = Value;
    Changed(false);
  }
  std::string DisplayName() const override { return text_.empty() ? ClassName() : text_; }
  void Assign(TPersistent* Source) override {
    if (auto* other = dynamic_cast<TNote*>(Source)) {
      SetText(other->text_);
      return;
    }
    TCollectionItem::Assign(Source);
  }

 private:
  std::string text_;
};
RTL_DEFINE_CLASS(TNote, TCollectionItem)

// Logs Update and Notify with the item's display name.
class TNotes : public TCollection {
  RTL_CLASS(TNotes, TCollection)
 public:
  TNotes() : TCollection(TNote::StaticClass()) {}
  TNote* Items(int Index) const { return static_cast<TNote*>(TCollection::Items(Index)); }
  TNote* Add() { return static_cast<TNote*>(TCollection::Add()); }

 protected:
  void Update(TCollectionItem* Item) override {
    g_log.push_back("update " + (Item ? Item->DisplayName() : std::string("all")));
  }
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override {
    static const char* names[] = {"added", "extracting", "deleting"};
    g_log.push_back(std::string(names[Action]) + " " + std::to_string(Item->ID()));
  }
};
RTL_DEFINE_CLASS(TNotes, TCollection)

std::vector<std::string> Texts(const TNotes& c) {
  std::vector<std::string> out;
  for (int i = 0; i < c.Count(); ++i) out.push_back(c.Items(i)->Text());
  return out;
}
}  // namespace

TEST(TCollection, ItemsKeepTheirIDsWhileIndexesMove) {
  TNotes notes;
  for (const char* t : {"a", "b", "c", "d"}) notes.Add()->SetText(t);
  EXPECT_EQ(notes.Items(2)->ID(), 2);
  notes.Delete(1);
  TNote* e = static_cast<TNote*>(notes.Insert(0));
  e->SetText("e");
  EXPECT_EQ(Texts(notes), (std::vector<std::string>{"e", "a", "c", "d"}));
  EXPECT_EQ(e->ID(), 4);  // IDs are never reused
  EXPECT_EQ(notes.FindItemID(3), notes.Items(3));
  EXPECT_EQ(notes.FindItemID(1), nullptr);
  notes.Items(0)->SetIndex(3);
  EXPECT_EQ(Texts(notes), (std::vector<std::string>{"a", "c", "d", "e"}));
  EXPECT_EQ(e->Index(), 3);
  EXPECT_THROW(e->SetIndex(4), EListError);
  EXPECT_THROW(notes.Items(4), EListError);
  EXPECT_THROW(notes.Delete(-1), EListError);
  // An item freed on its own leaves the collection.
  notes.Items(1)->Free();
  EXPECT_EQ(Texts(notes), (std::vector<std::string>{"a", "d", "e"}));
  // And an item may move to another collection.
  TNotes other;
  e->SetCollection(&other);
  EXPECT_EQ(notes.Count(), 2);
  EXPECT_EQ(other.Items(0), e);
  EXPECT_EQ(e->ID(), 0);
}

TEST(TCollection, UpdateAndNotifyOrder) {
  TNotes notes;
  g_log.clear();
  TNote* a = notes.Add();
  a->SetText("a");
  notes.Add()->SetText("b");
  a->SetIndex(1);
  notes.Delete(0);
  EXPECT_EQ(g_log, (std::vector<std::string>{"added 0", "update all", "update a", "added 1",
                                             "update all", "update b", "update all", "deleting 1",
                                             "extracting 1", "update all"}));
  g_log.clear();
  notes.BeginUpdate();
  notes.Add()->SetText("c");
  notes.BeginUpdate();
  a->SetText("a2");
  notes.EndUpdate();  // still inside the outer update
  notes.EndUpdate();
  EXPECT_EQ(g_log, (std::vector<std::string>{"added 2", "update all"}));
  g_log.clear();
  notes.Clear();
  EXPECT_EQ(g_log, (std::vector<std::string>{"extracting 2", "extracting 0", "update all"}));
  g_log.clear();
}

TEST(TCollection, AssignCopiesItemsAndChecksTheirClass) {
  TNotes source, dest;
  for (const char* t : {"x", "y"}) source.Add()->SetText(t);
  dest.Add()->SetText("old");
  g_log.clear();
  dest.Assign(&source);
  EXPECT_EQ(Texts(dest), (std::vector<std::string>{"x", "y"}));
  EXPECT_NE(dest.Items(0), source.Items(0));
  EXPECT_EQ(g_log.back(), "update all");
  dest.SetItems(0, source.Items(1));
  EXPECT_EQ(dest.Items(0)->Text(), "y");
  g_log.clear();
  // A plain item is not a TNote: the collection refuses it.
  EXPECT_THROW(new TCollectionItem(&dest), EInvalidOperation);
  TCollection plain(TCollectionItem::StaticClass());
  EXPECT_EQ(plain.Add()->DisplayName(), "TCollectionItem");
  // A TNote cannot take the state of a plain item.
  EXPECT_THROW(dest.Assign(&plain), EConvertError);
  EXPECT_EQ(plain.Items(0)->GetNamePath(), "TCollection[0]");
  g_log.clear();
}
