// Sorted caches over the free strings of a translation component: one sorted
// by identifier answers look-ups, one sorted by a language column translates
// resource strings by their text.
#pragma once

#include <string>
#include <vector>

class TlxCustomLang;

struct TlxStringsCollectionItem {
  std::string Identifier;
  // Line n-1 holds language n.
  std::vector<std::string> Values;
  // Value n (1-based); empty when missing.
  const std::string& Value(int Language) const;
};

class TlxStringsCollection {
 public:
  explicit TlxStringsCollection(TlxCustomLang* Owner) : owner_(Owner) {}
  TlxCustomLang* Owner() const { return owner_; }
  int Count() const { return static_cast<int>(items_.size()); }
  const TlxStringsCollectionItem& Items(int Index) const {
    return items_.at(static_cast<size_t>(Index));
  }
  void Clear() { items_.clear(); }
  void Add(TlxStringsCollectionItem Item) { items_.push_back(std::move(Item)); }
  // 0 sorts by identifier, n >= 1 by value n.
  int SortColumn() const { return sort_column_; }
  void SetSortColumn(int Value) { sort_column_ = Value; }
  void Sort();

  // Linear search, identifiers compared ignoring case; -1 when absent.
  int IndexOf(const std::string& Identifier) const;
  // Binary search by identifier (sort column 0); "" when absent.
  std::string GetValue(const std::string& Identifier, int Language) const;
  // Binary search by the sort column's value; the text itself when absent.
  // In test mode an empty translation for a language above 1 is value 1 in
  // upper case.
  std::string Translate(const std::string& Text, int Language, bool TestMode) const;
  // The first item with that identifier gets Text as value Language.
  void SetValue(const std::string& Identifier, int Language, const std::string& Text);

 private:
  // First item whose key (identifier or sort-column value) is not less than Key.
  size_t LowerBound(const std::string& Key) const;
  const std::string& KeyOf(const TlxStringsCollectionItem& Item) const;

  TlxCustomLang* owner_;
  std::vector<TlxStringsCollectionItem> items_;
  int sort_column_ = 0;
};
