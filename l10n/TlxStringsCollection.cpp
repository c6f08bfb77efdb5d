#include "l10n/TlxStringsCollection.h"

#include <algorithm>

#include "rtl/StrUtils.h"

namespace {
const std::string kEmpty;
}

const std::string& TlxStringsCollectionItem::Value(int Language) const {
  if (Language < 1 || static_cast<size_t>(Language) > Values.size()) return kEmpty;
  return Values[static_cast<size_t>(Language - 1)];
}

const std::string& TlxStringsCollection::KeyOf(const TlxStringsCollectionItem& Item) const {
  return sort_column_ == 0 ? Item.Identifier : Item.Value(sort_column_);
}

void TlxStringsCollection::Sort() {
  std::stable_sort(items_.begin(), items_.end(), [this](const auto& a, const auto& b) {
    return AnsiCompareText(KeyOf(a), KeyOf(b)) < 0;
  });
}

int TlxStringsCollection::IndexOf(const std::string& Identifier) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (AnsiSameText(items_[i].Identifier, Identifier)) return static_cast<int>(i);
  return -1;
}

// A plain lower bound: the search never looks past either end, whatever the
// key (the old search probed the item after the last one).
size_t TlxStringsCollection::LowerBound(const std::string& Key) const {
  size_t lo = 0, hi = items_.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    if (AnsiCompareText(KeyOf(items_[mid]), Key) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

std::string TlxStringsCollection::GetValue(const std::string& Identifier, int Language) const {
  if (sort_column_ != 0) return {};
  size_t i = LowerBound(Identifier);
  if (i < items_.size() && AnsiCompareText(items_[i].Identifier, Identifier) == 0)
    return items_[i].Value(Language);
  return {};
}

std::string TlxStringsCollection::Translate(const std::string& Text, int Language,
                                            bool TestMode) const {
  size_t i = LowerBound(Text);
  if (i >= items_.size() || AnsiCompareText(KeyOf(items_[i]), Text) != 0) return Text;
  std::string result = items_[i].Value(Language);
  if (TestMode && result.empty() && Language > 1) result = AnsiUpperCase(items_[i].Value(1));
  return result;
}

void TlxStringsCollection::SetValue(const std::string& Identifier, int Language,
                                    const std::string& Text) {
  if (Language < 1) return;
  int i = IndexOf(Identifier);
  if (i < 0) return;
  auto& values = items_[static_cast<size_t>(i)].Values;
  if (values.size() < static_cast<size_t>(Language)) values.resize(static_cast<size_t>(Language));
  values[static_cast<size_t>(Language - 1)] = Text;
  // Changing a value of the sort column moves the item.
  if (sort_column_ == Language) Sort();
}
