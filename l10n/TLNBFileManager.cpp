#include "l10n/TLNBFileManager.h"

#include <cstring>

#include "l10n/LangComponentStream.h"
#include "l10n/LangUtils.h"
#include "l10n/TlxLangDispatcher.h"
#include "rtl/FileUtils.h"
#include "rtl/StrUtils.h"
#include "rtl/TStream.h"

RTL_DEFINE_CLASS(TLNBFileManager, TPersistent)

namespace {
const char kHeaderText[] = "LNB file: TlxLang binary translation data";
constexpr size_t kHeaderSize = sizeof(kHeaderText);  // with its zero byte

uint16_t ReadU16(TStream* S) {
  uint8_t b[2];
  if (S->Read(b, 2) != 2) throw EReadError("Binary translation file truncated");
  return static_cast<uint16_t>(b[0] | b[1] << 8);
}
uint32_t ReadU32(TStream* S) {
  uint8_t b[4];
  if (S->Read(b, 4) != 4) throw EReadError("Binary translation file truncated");
  return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}
void WriteU16(TStream* S, uint16_t v) {
  uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
  S->WriteBuffer(b, 2);
}
void WriteU32(TStream* S, uint32_t v) {
  uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  S->WriteBuffer(b, 4);
}

// Clears the suppress flags on every path.
struct TSuppress {
  TlxCustomLang* A;
  TlxCustomLang* B;
  TSuppress(TlxCustomLang* a, TlxCustomLang* b) : A(a), B(b) {
    A->SetSuppressed(true);
    B->SetSuppressed(true);
  }
  ~TSuppress() {
    A->SetSuppressed(false);
    B->SetSuppressed(false);
  }
};
}  // namespace

TLNBFileManager::TLNBFileManager()
    : header_(kHeaderText, kHeaderSize),
      fixed_(std::make_unique<TStringList>()),
      owner_names_(std::make_unique<TStringList>()) {
  fixed_->SetSorted(true);
  fixed_->SetDuplicates(dupIgnore);
}

TLNBFileManager::~TLNBFileManager() = default;

void TLNBFileManager::ReadSibStream(TlxCustomLang* Lang, const std::string& OwnerClassName,
                                    TStream* Stream) {
  const int64_t size = Stream->Size();
  // The header: bytes up to and including the first zero, at most its length.
  std::string head;
  while (head.size() < kHeaderSize && size - Stream->Position() > 2) {
    char c;
    if (Stream->Read(&c, 1) != 1) break;
    head.push_back(c);
    if (c == '\0') break;
  }
  if (head != header_) throw Exception("Unrecognized stream format!");
  const uint16_t count = ReadU16(Stream);
  const uint16_t flag = ReadU16(Stream);
  fixed_->Clear();
  if (flag != 0) {
    // The names run to a zero byte (or to the end, leaving no entries). Read
    // in blocks, not a byte at a time: a file stream would make one system
    // call per byte of a long, hostile text. The stream then goes back to
    // just after the zero.
    std::string text;
    char block[4096];
    for (;;) {
      const int64_t got = Stream->Read(block, sizeof block);
      if (got <= 0) break;
      const void* zero = std::memchr(block, '\0', static_cast<size_t>(got));
      if (!zero) {
        text.append(block, static_cast<size_t>(got));
        continue;
      }
      const int64_t used = static_cast<const char*>(zero) - block;
      text.append(block, static_cast<size_t>(used));
      Stream->Seek(used + 1 - got, soCurrent);
      break;
    }
    TStringList lines;
    lines.SetText(StoredTextToUtf8(text));
    for (int i = 0; i < lines.Count(); ++i) fixed_->Add(lines.Strings(i));
  }
  for (uint16_t e = 0; e < count; ++e) {
    const uint16_t len = ReadU16(Stream);
    if (len > size - Stream->Position()) throw EReadError("Binary translation file truncated");
    std::string name(len, '\0');
    if (len && Stream->Read(name.data(), len) != len)
      throw EReadError("Binary translation file truncated");
    const uint32_t offset = ReadU32(Stream);
    if (name != OwnerClassName) continue;
    if (offset >= static_cast<uint64_t>(size)) throw EReadError("Invalid component offset");
    // A temporary window holds the component read, until its texts are copied.
    TOwned<TComponent> window(new TComponent(nullptr));
    TSuppress suppress(Lang, Lang);
    Stream->SetPosition(offset);
    TlxCustomLang* read = ReadLangComponent(Stream, window.get(), size);
    read->SetSuppressed(true);
    const char D = Lang->Delim();
    for (int k = 0; k < StringsTypeCount; ++k) {
      const auto kind = static_cast<TStringsType>(k);
      TStrings* src = read->GetKindList(kind);
      TStrings* dst = Lang->GetKindList(kind);
      if (!src || !dst) continue;
      dst->Assign(src);
      if (kind == stCaptions || kind == stHints || kind == stFonts || kind == stCharSets) {
        for (int i = 1; i < dst->Count(); ++i)
          if (dst->Strings(i).compare(0, OwnerClassName.size() + 1, OwnerClassName + D) == 0) {
            dst->Move(i, 0);
            break;
          }
      }
    }
    Lang->SetLangNames(read->LangNames());
    Lang->ExtendedTranslations()->Clear();
    for (int i = 0; i < read->ExtendedTranslations()->Count(); ++i)
      Lang->ExtendedTranslations()->Add()->Assign(read->ExtendedTranslations()->Items(i));
    return;
  }
}

void TLNBFileManager::LoadFromFile(TlxCustomLang* Lang, const std::string& OwnerClassName,
                                   const std::string& FileName) {
  TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
  ReadSibStream(Lang, OwnerClassName, &f);
}

void TLNBFileManager::LoadKind(TStringsType Kind, const std::string& FileName,
                               const std::string& OwnerClassName, TlxCustomLang* Lang) {
  TOwned<TlxLang> temp(new TlxLang(nullptr));
  LoadFromFile(temp.get(), OwnerClassName, FileName);
  TStrings* src = temp->GetKindList(Kind);
  TStrings* dst = Lang->GetKindList(Kind);
  if (src && dst) dst->Assign(src);
}

void TLNBFileManager::AssignTo(TPersistent* Dest) {
  auto* other = dynamic_cast<TLNBFileManager*>(Dest);
  if (!other) return TPersistent::AssignTo(Dest);
  other->header_ = header_;
  other->fixed_->Assign(fixed_.get());
  other->owner_names_->Assign(owner_names_.get());
  other->stored_.clear();
  for (auto& c : stored_) {
    TStringStream s;
    WriteLangComponent(&s, c.get());
    s.SetPosition(0);
    other->stored_.emplace_back(ReadLangComponent(&s, nullptr, s.Size()));
    other->stored_.back()->SetSuppressed(false);
  }
}

void TLNBFileManager::WriteSibStream(
    TStream* Stream, const std::vector<std::pair<std::string, TlxCustomLang*>>& Entries,
    TStrings* FixedLanguages) {
  // The file holds counts and name lengths in 16 bits and offsets in 32:
  // what does not fit is refused rather than written truncated.
  if (Entries.size() > 0xFFFF) throw EWriteError("Too many windows for a binary translation file");
  const int64_t base = Stream->Position();
  Stream->WriteBuffer(kHeaderText, kHeaderSize);
  WriteU16(Stream, static_cast<uint16_t>(Entries.size()));
  const bool with_fixed = FixedLanguages && FixedLanguages->Count() > 0;
  WriteU16(Stream, with_fixed ? 1 : 0);
  if (with_fixed) {
    std::string text = FixedLanguages->Text();
    Stream->WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    Stream->WriteBuffer("", 1);
  }
  // The table first, with offsets filled in once the components are written.
  std::vector<int64_t> offset_at;
  for (auto& [name, lang] : Entries) {
    if (name.size() > 0xFFFF) throw EWriteError("Class name too long");
    WriteU16(Stream, static_cast<uint16_t>(name.size()));
    Stream->WriteBuffer(name.data(), static_cast<int64_t>(name.size()));
    offset_at.push_back(Stream->Position());
    WriteU32(Stream, 0);
  }
  for (size_t i = 0; i < Entries.size(); ++i) {
    const int64_t at = Stream->Position() - base;
    if (at > 0xFFFFFFFFLL) throw EWriteError("Binary translation file too large");
    WriteLangComponent(Stream, Entries[i].second);
    const int64_t end = Stream->Position();
    Stream->SetPosition(offset_at[i]);
    WriteU32(Stream, static_cast<uint32_t>(at));
    Stream->SetPosition(end);
  }
}

void TLNBFileManager::SaveToFile(const std::string& FileName,
                                 const std::vector<std::pair<std::string, TlxCustomLang*>>& Entries,
                                 TStrings* FixedLanguages) {
  TAtomicFileWriter writer(FileName);
  WriteSibStream(writer.Stream(), Entries, FixedLanguages);
  writer.Commit();
}

// ---- The component's entry points

void TlxCustomLang::LoadFromSibFile(const std::string& FileName) {
  if (!Owner()) return;
  TLNBFileManager* shared = dispatcher_ && SameText(dispatcher_->FileName(), FileName)
                                ? dispatcher_->SibReader()
                                : nullptr;
  TOwned<TLNBFileManager> temp(shared ? nullptr : new TLNBFileManager());
  (shared ? shared : temp.get())->LoadFromFile(this, OwnerClassName(), FileName);
  RebuildCaches();
  ApplyLanguage();
}

void TlxCustomLang::LoadKindFromSibFile(TStringsType Kind, const std::string& FileName) {
  TOwned<TLNBFileManager> reader(new TLNBFileManager());
  reader->LoadKind(Kind, FileName, OwnerClassName(), this);
  if (Kind == stStrings) RebuildCaches();
}
