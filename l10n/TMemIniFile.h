// A small ini-file model held in memory: sections and keys kept sorted
// (letter case ignored), so look-ups are binary searches and the rendered
// text always comes out sorted. Texts are never trimmed: spaces around "="
// and around section names belong to the names and values.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "rtl/Clock.h"
#include "rtl/TObject.h"

class TStrings;

class TCustomIniFile : public TObject {
  RTL_CLASS(TCustomIniFile, TObject)
 public:
  explicit TCustomIniFile(std::string FileName) : file_name_(std::move(FileName)) {}
  const std::string& FileName() const { return file_name_; }

  virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) = 0;
  virtual void WriteString(const std::string& Section, const std::string& Ident,
                           const std::string& Value) = 0;
  // Decimal, or hexadecimal after "0x"/"0X" (a text longer than two
  // characters); the default when the text does not convert.
  virtual int32_t ReadInteger(const std::string& Section, const std::string& Ident,
                              int32_t Default);
  virtual void WriteInteger(const std::string& Section, const std::string& Ident, int32_t Value);
  virtual bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
  virtual void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
  // Floating-point numbers in the user's decimal format; an empty or
  // unreadable text gives the default.
  virtual double ReadFloat(const std::string& Section, const std::string& Ident, double Default);
  virtual void WriteFloat(const std::string& Section, const std::string& Ident, double Value);
  // Dates and times in the locale's formats; an empty or unreadable text
  // gives the default.
  virtual TDateTime ReadDate(const std::string& Section, const std::string& Ident, TDateTime Default);
  virtual TDateTime ReadDateTime(const std::string& Section, const std::string& Ident,
                                 TDateTime Default);
  virtual TDateTime ReadTime(const std::string& Section, const std::string& Ident, TDateTime Default);
  virtual void WriteDate(const std::string& Section, const std::string& Ident, TDateTime Value);
  virtual void WriteDateTime(const std::string& Section, const std::string& Ident, TDateTime Value);
  virtual void WriteTime(const std::string& Section, const std::string& Ident, TDateTime Value);
  virtual void ReadSection(const std::string& Section, TStrings* Strings) = 0;
  virtual void ReadSections(TStrings* Strings) = 0;
  virtual void ReadSectionValues(const std::string& Section, TStrings* Strings) = 0;
  virtual void EraseSection(const std::string& Section) = 0;
  virtual void DeleteKey(const std::string& Section, const std::string& Ident) = 0;
  virtual void UpdateFile() = 0;

  // A section without keys does not exist.
  bool SectionExists(const std::string& Section);

 private:
  std::string file_name_;
};

class TMemIniValue {
 public:
  explicit TMemIniValue(std::string Value) : Value(std::move(Value)) {}
  std::string Value;
};

// The keys of one section. Equal names (case ignored) are kept side by
// side, a new one before the existing ones.
class TMemIniEntry {
 public:
  explicit TMemIniEntry(std::string Name) : name_(std::move(Name)) {}
  const std::string& Name() const { return name_; }
  int Count() const { return static_cast<int>(keys_.size()); }
  const std::string& Names(int Index) const { return keys_.at(static_cast<size_t>(Index)).Name; }
  const std::string& Values(int Index) const {
    return keys_.at(static_cast<size_t>(Index)).Value.Value;
  }
  std::string Lines(int Index) const { return Names(Index) + "=" + Values(Index); }
  // Split at the first "="; a line without "=" is a key with an empty value.
  void AddLine(const std::string& Line);
  // The same as AddLine for each line in turn, in O(n log n) rather than a
  // run of insertions that grows with the square of the count.
  void AddLines(const std::vector<std::string>& Lines);
  void Add(const std::string& Name, const std::string& Value);
  void Delete(int Index);
  // The first key of that name, or -1.
  int Find(const std::string& Name) const;
  void Clear() { keys_.clear(); }
  void Assign(TStrings* Lines);

 private:
  struct TKey {
    std::string Name;
    TMemIniValue Value;
  };
  // Where a key of this name goes: before the first one not less than it.
  size_t LowerBound(const std::string& Name) const;
  std::string name_;
  std::vector<TKey> keys_;
};

class TMemIniFile : public TCustomIniFile {
  RTL_CLASS(TMemIniFile, TCustomIniFile)
 public:
  // Loads the file when the name is not empty and the file exists.
  explicit TMemIniFile(const std::string& FileName = {});
  ~TMemIniFile() override;

  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default) override;
  void WriteString(const std::string& Section, const std::string& Ident,
                   const std::string& Value) override;
  void ReadSection(const std::string& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const std::string& Section, TStrings* Strings) override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  // Writes the rendered lines (CR LF) to the file name, atomically.
  void UpdateFile() override;

  // Replaces the whole content by these lines / renders it.
  void SetStrings(TStrings* Lines);
  void GetStrings(TStrings* Lines);
  // The same from and to text (lines split at CR LF, CR or LF; rendered
  // with CR LF).
  void SetText(const std::string& Text);
  std::string GetText();
  void Clear();
  bool Modified() const { return modified_; }

 private:
  TMemIniEntry* FindSection(const std::string& Name) const;
  TMemIniEntry* AddSection(const std::string& Name);
  // Replaces the content by these lines (sections gathered first, so that
  // a large file loads without repeated insertions).
  void LoadLines(const std::vector<std::string>& Lines);

  std::vector<std::unique_ptr<TMemIniEntry>> sections_;
  bool modified_ = false;
};

// Splits text into lines at CR LF, CR or LF (a final break adds no line).
std::vector<std::string> SplitIniLines(const std::string& Text);
