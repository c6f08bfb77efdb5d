#include "rtl/TStrings.h"

#include <algorithm>
#include <numeric>

#include "rtl/Exception.h"
#include "rtl/StrUtils.h"
#include "rtl/TStream.h"

RTL_DEFINE_CLASS(TStrings, TPersistent)
RTL_DEFINE_CLASS(TStringList, TStrings)

namespace {
// Blanks of the delimited form: every byte up to the space, NUL included
// (the old runtime stopped at NUL; here it is one more control character).
bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}
}  // namespace

// ---- TStrings

void TStrings::Error(const char* Fmt, int Data) {
  std::string msg(Fmt);
  auto at = msg.find("%d");
  if (at != std::string::npos) msg.replace(at, 2, std::to_string(Data));
  throw EStringListError(msg);
}

int TStrings::Add(const std::string& S) {
  int result = Count();
  Insert(result, S);
  return result;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  int result = Add(S);
  PutObject(result, AObject);
  return result;
}

void TStrings::AddStrings(TStrings* Strings) {
  BeginUpdate();
  try {
    for (int i = 0; i < Strings->Count(); ++i) AddObject(Strings->Get(i), Strings->GetObject(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TStrings*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  // Assigning a list to itself would clear it before copying.
  if (source == this) return;
  BeginUpdate();
  try {
    Clear();
    delimiter_ = source->delimiter_;
    quote_char_ = source->quote_char_;
    name_value_separator_ = source->name_value_separator_;
    AddStrings(source);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::Put(int Index, const std::string& S) {
  TObject* object = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, object);
}

void TStrings::Exchange(int Index1, int Index2) {
  BeginUpdate();
  try {
    std::string s1 = Get(Index1);
    TObject* o1 = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, s1);
    PutObject(Index2, o1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  BeginUpdate();
  try {
    std::string s = Get(CurIndex);
    TObject* o = GetObject(CurIndex);
    Delete(CurIndex);
    InsertObject(NewIndex, s, o);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

bool TStrings::Equals(TStrings* Strings) const {
  if (Count() != Strings->Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (Get(i) != Strings->Get(i)) return false;
  return true;
}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const {
  return AnsiCompareText(S1, S2);
}

int TStrings::IndexOf(const std::string& S) const {
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(const std::string& Name) const {
  for (int i = 0; i < Count(); ++i) {
    std::string s = Get(i);
    auto p = s.find(name_value_separator_);
    if (p != std::string::npos && CompareStrings(s.substr(0, p), Name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
  for (int i = 0; i < Count(); ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

void TStrings::BeginUpdate() {
  if (update_count_ == 0) SetUpdateState(true);
  ++update_count_;
}

void TStrings::EndUpdate() {
  if (update_count_ == 0) return;
  if (--update_count_ == 0) SetUpdateState(false);
}

std::string TStrings::Text() const {
  std::string result;
  for (int i = 0; i < Count(); ++i) {
    result += Get(i);
    result += '\n';
  }
  return result;
}

void TStrings::SetText(const std::string& Value) {
  BeginUpdate();
  try {
    Clear();
    size_t p = 0;
    const size_t n = Value.size();
    while (p < n) {
      size_t start = p;
      while (p < n && Value[p] != '\r' && Value[p] != '\n') ++p;
      Add(Value.substr(start, p - start));
      if (p < n && Value[p] == '\r') ++p;
      if (p < n && Value[p] == '\n') ++p;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TStrings::DelimitedText() const {
  return JoinDelimited(delimiter_, quote_char_);
}

void TStrings::SetDelimitedText(const std::string& Value) {
  SplitDelimited(Value, delimiter_, quote_char_);
}

std::string TStrings::JoinDelimited(char Delim, char Quote) const {
  const int count = Count();
  if (count == 1 && Get(0).empty()) return std::string(2, Quote);
  std::string result;
  for (int i = 0; i < count; ++i) {
    std::string s = Get(i);
    bool quote = std::any_of(s.begin(), s.end(),
                             [&](char c) { return IsBlank(c) || c == Quote || c == Delim; });
    if (i > 0) result += Delim;
    result += quote ? AnsiQuotedStr(s, Quote) : s;
  }
  return result;
}

void TStrings::SplitDelimited(const std::string& Value, char Delim, char Quote) {
  BeginUpdate();
  try {
    Clear();
    const size_t n = Value.size();
    size_t p = 0;
    while (p < n && IsBlank(Value[p])) ++p;
    while (p < n) {
      if (Value[p] == Quote) {
        Add(AnsiExtractQuotedStr(Value, p, Quote));
      } else {
        size_t start = p;
        while (p < n && !IsBlank(Value[p]) && Value[p] != Delim) ++p;
        Add(Value.substr(start, p - start));
      }
      while (p < n && IsBlank(Value[p])) ++p;
      if (p < n && Value[p] == Delim) {
        // Only a delimiter that is the very last character makes an empty
        // item; one followed by blanks does not.
        if (p + 1 == n) Add("");
        do ++p;
        while (p < n && IsBlank(Value[p]));
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TStrings::CommaText() const {
  return JoinDelimited(',', '"');
}

void TStrings::SetCommaText(const std::string& Value) {
  SplitDelimited(Value, ',', '"');
}

std::string TStrings::Names(int Index) const {
  std::string s = Get(Index);
  auto p = s.find(name_value_separator_);
  return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::Values(const std::string& Name) const {
  int i = IndexOfName(Name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValues(const std::string& Name, const std::string& Value) {
  int i = IndexOfName(Name);
  if (!Value.empty()) {
    if (i < 0) i = Add("");
    Put(i, Name + name_value_separator_ + Value);
  } else if (i >= 0) {
    Delete(i);
  }
}

std::string TStrings::ValueFromIndex(int Index) const {
  if (Index < 0) return {};
  std::string s = Get(Index);
  auto p = s.find(name_value_separator_);
  return p == std::string::npos ? std::string() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(int Index, const std::string& Value) {
  if (!Value.empty()) {
    if (Index < 0) Index = Add("");
    Put(Index, Names(Index) + name_value_separator_ + Value);
  } else if (Index >= 0) {
    Delete(Index);
  }
}

void TStrings::LoadFromStream(TStream* Stream) {
  // Read in pieces up to the real end rather than trusting Size.
  std::string data;
  char buffer[65536];
  for (;;) {
    int64_t got = Stream->Read(buffer, sizeof buffer);
    if (got <= 0) break;
    data.append(buffer, static_cast<size_t>(got));
  }
  SetText(data);
}

void TStrings::SaveToStream(TStream* Stream) const {
  std::string text = Text();
  Stream->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TStrings::SaveToFile(const std::string& FileName) const {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

// ---- TStringList

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (owns_objects_)
    for (auto& item : list_)
      if (item.Object) item.Object->Free();
}

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) Error("List index out of bounds (%d)", Index);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}

int TStringList::Add(const std::string& S) {
  return AddObject(S, nullptr);
}

int TStringList::AddObject(const std::string& S, TObject* AObject) {
  int result = Count();
  if (sorted_ && Find(S, result)) {
    if (duplicates_ == dupIgnore) return result;
    if (duplicates_ == dupError) Error("String list does not allow duplicates", 0);
  }
  InsertItem(result, S, AObject);
  return result;
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject) {
  Changing();
  list_.insert(list_.begin() + Index, TStringItem{S, AObject});
  Changed();
}

void TStringList::Insert(int Index, const std::string& S) {
  InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const std::string& S, TObject* AObject) {
  if (sorted_) Error("Operation not allowed on sorted list", 0);
  if (Index < 0 || Index > Count()) Error("List index out of bounds (%d)", Index);
  InsertItem(Index, S, AObject);
}

void TStringList::Clear() {
  if (list_.empty()) return;
  Changing();
  std::vector<TStringItem> old;
  old.swap(list_);
  if (owns_objects_)
    for (auto& item : old)
      if (item.Object) item.Object->Free();
  Changed();
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  TObject* object = list_[static_cast<size_t>(Index)].Object;
  list_.erase(list_.begin() + Index);
  if (owns_objects_ && object) object->Free();
  Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(list_[static_cast<size_t>(Index1)], list_[static_cast<size_t>(Index2)]);
  Changed();
}

void TStringList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  if (sorted_) Error("Operation not allowed on sorted list", 0);
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  // Moved directly: deleting and inserting would free an owned object.
  Changing();
  TStringItem item = std::move(list_[static_cast<size_t>(CurIndex)]);
  list_.erase(list_.begin() + CurIndex);
  list_.insert(list_.begin() + NewIndex, std::move(item));
  Changed();
}

std::string TStringList::Get(int Index) const {
  CheckIndex(Index);
  return list_[static_cast<size_t>(Index)].String;
}

TObject* TStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return list_[static_cast<size_t>(Index)].Object;
}

void TStringList::Put(int Index, const std::string& S) {
  if (sorted_) Error("Operation not allowed on sorted list", 0);
  CheckIndex(Index);
  Changing();
  list_[static_cast<size_t>(Index)].String = S;
  Changed();
}

void TStringList::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  TObject*& slot = list_[static_cast<size_t>(Index)].Object;
  TObject* old = slot;
  slot = AObject;
  if (owns_objects_ && old && old != AObject) old->Free();
  Changed();
}

int TStringList::CompareStrings(const std::string& S1, const std::string& S2) const {
  return case_sensitive_ ? CompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

bool TStringList::Find(const std::string& S, int& Index) const {
  bool result = false;
  int lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    int i = lo + (hi - lo) / 2;
    int c = CompareStrings(list_[static_cast<size_t>(i)].String, S);
    if (c < 0) {
      lo = i + 1;
    } else {
      hi = i - 1;
      if (c == 0) {
        result = true;
        if (duplicates_ != dupAccept) lo = i;
      }
    }
  }
  Index = lo;
  return result;
}

int TStringList::IndexOf(const std::string& S) const {
  if (!sorted_) return TStrings::IndexOf(S);
  int index;
  return Find(S, index) ? index : -1;
}

void TStringList::SortItems(const TStringListSortCompare& Compare) {
  if (Count() < 2) return;
  Changing();
  std::vector<int> order(list_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return Compare(this, a, b) < 0; });
  std::vector<TStringItem> sorted;
  sorted.reserve(list_.size());
  for (int i : order) sorted.push_back(std::move(list_[static_cast<size_t>(i)]));
  list_.swap(sorted);
  Changed();
}

void TStringList::Sort() {
  CustomSort([](TStringList* list, int a, int b) {
    return list->CompareStrings(list->list_[static_cast<size_t>(a)].String,
                                list->list_[static_cast<size_t>(b)].String);
  });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  // A sorted list is in order already.
  if (!sorted_) SortItems(Compare);
}

void TStringList::SetSorted(bool Value) {
  if (sorted_ == Value) return;
  if (Value) Sort();
  sorted_ = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (case_sensitive_ == Value) return;
  case_sensitive_ = Value;
  // The old runtime skipped this re-sort (its Sort does nothing on a sorted
  // list), leaving Find to search an order that no longer holds.
  if (sorted_) {
    sorted_ = false;
    Sort();
    sorted_ = true;
  }
}

void TStringList::SetCapacity(int NewCapacity) {
  if (NewCapacity < Count()) Error("List capacity out of bounds (%d)", NewCapacity);
  if (static_cast<size_t>(NewCapacity) > list_.capacity())
    list_.reserve(static_cast<size_t>(NewCapacity));
}
