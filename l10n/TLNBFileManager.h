// The binary translation file: a header, a table of entries (window class
// name, offset) and one serialized translation component per window.
//
//   "LNB file: TlxLang binary translation data" and a zero byte   42 bytes
//   entry count, fixed-language flag                             2 + 2 bytes
//   [fixed-language names as text lines, ended by a zero byte]
//   entries: name length (2), name, offset of the component (4)
//   component data, each in the binary component-stream form
// All integers little-endian.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "l10n/TlxCustomLang.h"
#include "rtl/TPersistent.h"
#include "rtl/TStrings.h"

class TLNBFileManager : public TPersistent {
  RTL_CLASS(TLNBFileManager, TPersistent)
 public:
  TLNBFileManager();
  ~TLNBFileManager() override;

  const std::string& Header() const { return header_; }
  TStrings* FixedLanguages() const { return fixed_.get(); }
  TStrings* OwnerNames() const { return owner_names_.get(); }
  int StoredCount() const { return static_cast<int>(stored_.size()); }
  TlxCustomLang* Stored(int Index) const { return stored_.at(static_cast<size_t>(Index)).get(); }

  // Reads the entry of OwnerClassName (compared exactly) into Lang: its
  // lists, language names and extended translations. Nothing changes when no
  // entry names the class. Raises "Unrecognized stream format!" for another
  // header, EReadError for a damaged file.
  void ReadSibStream(TlxCustomLang* Lang, const std::string& OwnerClassName, TStream* Stream);
  void LoadFromFile(TlxCustomLang* Lang, const std::string& OwnerClassName,
                    const std::string& FileName);
  // Copies only the list of Kind from the entry into Lang.
  void LoadKind(TStringsType Kind, const std::string& FileName, const std::string& OwnerClassName,
                TlxCustomLang* Lang);
  void AssignTo(TPersistent* Dest) override;

  // Writes a file holding one entry per (window class name, component), and
  // the fixed-language names when there are any.
  static void WriteSibStream(TStream* Stream,
                             const std::vector<std::pair<std::string, TlxCustomLang*>>& Entries,
                             TStrings* FixedLanguages = nullptr);
  static void SaveToFile(const std::string& FileName,
                         const std::vector<std::pair<std::string, TlxCustomLang*>>& Entries,
                         TStrings* FixedLanguages = nullptr);

 private:
  std::string header_;
  std::unique_ptr<TStringList> fixed_, owner_names_;
  std::vector<TOwned<TlxCustomLang>> stored_;
};
