// String lists: lines of text, each with an attached object. TStrings is the
// abstract interface (controls present their items through it); TStringList
// keeps the lines itself and can sort them.
//
// Two text forms matter for stored data: Text (one line per item) and the
// delimited form of CommaText/DelimitedText, whose quoting follows the old
// runtime's rules so that stored lists read back as they were written.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "rtl/TPersistent.h"

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
  RTL_CLASS(TStrings, TPersistent)
 public:
  int Count() const { return GetCount(); }
  // Index errors raise EStringListError "List index out of bounds (%d)".
  std::string Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const std::string& S) { Put(Index, S); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }

  virtual int Add(const std::string& S);
  virtual int AddObject(const std::string& S, TObject* AObject);
  void Append(const std::string& S) { Add(S); }
  // Adds every line with its object (the objects are shared, not copied).
  virtual void AddStrings(TStrings* Strings);
  // From another TStrings: its lines, objects, Delimiter, QuoteChar and
  // NameValueSeparator.
  void Assign(TPersistent* Source) override;
  virtual void Clear() = 0;
  virtual void Delete(int Index) = 0;
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void InsertObject(int Index, const std::string& S, TObject* AObject);
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);
  // Same count and the same lines (exact comparison).
  bool Equals(TStrings* Strings) const;

  // Searches compare through CompareStrings (ignoring case in the base).
  virtual int IndexOf(const std::string& S) const;
  virtual int IndexOfName(const std::string& Name) const;
  int IndexOfObject(TObject* AObject) const;

  // BeginUpdate/EndUpdate nest; change notices wait until the outermost
  // EndUpdate.
  void BeginUpdate();
  void EndUpdate();

  // Every line followed by a line feed. Setting splits at CR, LF or CR LF;
  // a final line break adds no empty line.
  virtual std::string Text() const;
  virtual void SetText(const std::string& Value);

  // Items joined by Delimiter; an item that is empty as the only one, or that
  // holds a space, a control character, QuoteChar or Delimiter, is quoted
  // with QuoteChar (quotes inside doubled). Reading skips blanks between
  // items, ends an unquoted item at a blank or Delimiter, and adds an empty
  // item for a Delimiter that ends the text.
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& Value);
  // DelimitedText with ',' and '"'.
  std::string CommaText() const;
  void SetCommaText(const std::string& Value);
  char Delimiter() const { return delimiter_; }
  void SetDelimiter(char Value) { delimiter_ = Value; }
  char QuoteChar() const { return quote_char_; }
  void SetQuoteChar(char Value) { quote_char_ = Value; }

  // name=value lines. Names(i) is the text before the first separator (empty
  // without one); Values looks a name up with IndexOfName. Setting a value to
  // "" deletes the line; setting an absent name appends a line.
  char NameValueSeparator() const { return name_value_separator_; }
  void SetNameValueSeparator(char Value) { name_value_separator_ = Value; }
  std::string Names(int Index) const;
  std::string Values(const std::string& Name) const;
  void SetValues(const std::string& Name, const std::string& Value);
  std::string ValueFromIndex(int Index) const;
  void SetValueFromIndex(int Index, const std::string& Value);

  // Bytes as they are (UTF-8 text); the line breaks of Text.
  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToStream(TStream* Stream) const;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;

 protected:
  virtual std::string Get(int Index) const = 0;
  virtual int GetCount() const = 0;
  virtual TObject* GetObject(int Index) const { return nullptr; }
  // The base replaces a line by deleting and inserting it.
  virtual void Put(int Index, const std::string& S);
  virtual void PutObject(int Index, TObject* AObject) {}
  // Called with true when the outermost BeginUpdate starts, false when the
  // outermost EndUpdate ends.
  virtual void SetUpdateState(bool Updating) {}
  virtual int CompareStrings(const std::string& S1, const std::string& S2) const;
  int UpdateCount() const { return update_count_; }
  [[noreturn]] static void Error(const char* Fmt, int Data);

 private:
  std::string JoinDelimited(char Delim, char Quote) const;
  void SplitDelimited(const std::string& Value, char Delim, char Quote);

  int update_count_ = 0;
  char delimiter_ = ',';
  char quote_char_ = '"';
  char name_value_separator_ = '=';
};

class TStringList;
// <0, 0 or >0 as line Index1 sorts before, with or after line Index2.
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

class TStringList : public TStrings {
  RTL_CLASS(TStringList, TStrings)
 public:
  TStringList() = default;
  explicit TStringList(bool AOwnsObjects) : owns_objects_(AOwnsObjects) {}
  ~TStringList() override;

  // In a sorted list Add places the line by Find and applies Duplicates:
  // dupIgnore returns the existing index, dupError raises EStringListError
  // "String list does not allow duplicates".
  int Add(const std::string& S) override;
  int AddObject(const std::string& S, TObject* AObject) override;
  void Clear() override;
  void Delete(int Index) override;
  // Insert, Move and replacing a line raise EStringListError "Operation not
  // allowed on sorted list" on a sorted list.
  void Insert(int Index, const std::string& S) override;
  void InsertObject(int Index, const std::string& S, TObject* AObject) override;
  void Exchange(int Index1, int Index2) override;
  void Move(int CurIndex, int NewIndex) override;
  int IndexOf(const std::string& S) const override;
  // Binary search of a sorted list: true when found; Index is the position of
  // S or where it would be inserted. With dupAccept it is the first of equal
  // lines; otherwise the first match the search meets.
  virtual bool Find(const std::string& S, int& Index) const;
  // Sorts an unsorted list (equal lines keep their order).
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& Compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates Value) { duplicates_ = Value; }
  // Case-sensitive lists compare bytes; others compare ignoring case. A
  // sorted list is sorted again when this changes.
  bool CaseSensitive() const { return case_sensitive_; }
  void SetCaseSensitive(bool Value);
  // When set, objects are freed (Free()) when their line is deleted, the list
  // cleared or freed, or the object replaced by another.
  bool OwnsObjects() const { return owns_objects_; }
  void SetOwnsObjects(bool Value) { owns_objects_ = Value; }
  int Capacity() const { return static_cast<int>(list_.capacity()); }
  void SetCapacity(int NewCapacity);

  // Before and after every change, unless an update is in progress.
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  std::string Get(int Index) const override;
  int GetCount() const override { return static_cast<int>(list_.size()); }
  TObject* GetObject(int Index) const override;
  void Put(int Index, const std::string& S) override;
  void PutObject(int Index, TObject* AObject) override;
  void SetUpdateState(bool Updating) override;
  int CompareStrings(const std::string& S1, const std::string& S2) const override;
  virtual void Changed();
  virtual void Changing();
  virtual void InsertItem(int Index, const std::string& S, TObject* AObject);

 private:
  struct TStringItem {
    std::string String;
    TObject* Object = nullptr;
  };
  void CheckIndex(int Index) const;
  void SortItems(const TStringListSortCompare& Compare);

  std::vector<TStringItem> list_;
  bool sorted_ = false;
  bool case_sensitive_ = false;
  bool owns_objects_ = false;
  TDuplicates duplicates_ = dupIgnore;
};
