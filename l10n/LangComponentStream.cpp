#include "l10n/LangComponentStream.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "l10n/LangUtils.h"
#include "l10n/TlxCustomLang.h"
#include "rtl/Codepage.h"
#include "rtl/StrUtils.h"
#include "rtl/TStream.h"

namespace {
// Value types of the component stream, as the platform numbered them.
enum TValueType : uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaIdent = 7,
  vaFalse = 8,
  vaTrue = 9,
  vaBinary = 10,
  vaSet = 11,
  vaLString = 12,
  vaNil = 13,
  vaCollection = 14,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
  vaInt64 = 19,
  vaUTF8String = 20,
  vaDouble = 21,
};
const char kSignature[4] = {'T', 'P', 'F', '0'};
// More languages than any translation file holds; guards the lists that a
// language count sizes.
constexpr int64_t kMaxLanguages = 1024;
constexpr int kMaxDepth = 8;

// ---- Writing

class TWriterLite {
 public:
  explicit TWriterLite(TStream* S) : s_(S) {}
  void Byte(uint8_t b) { s_->WriteBuffer(&b, 1); }
  void Bytes(const void* p, size_t n) { s_->WriteBuffer(p, static_cast<int64_t>(n)); }
  void U32(uint32_t v) {
    uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    Bytes(b, 4);
  }
  void ShortStr(const std::string& s) {
    if (s.size() > 255) throw EWriteError("Name too long for a component stream: " + s);
    Byte(static_cast<uint8_t>(s.size()));
    Bytes(s.data(), s.size());
  }
  void Integer(int64_t v) {
    if (v >= -128 && v <= 127) {
      Byte(vaInt8);
      Byte(static_cast<uint8_t>(v));
    } else if (v >= -32768 && v <= 32767) {
      Byte(vaInt16);
      Byte(static_cast<uint8_t>(v));
      Byte(static_cast<uint8_t>(v >> 8));
    } else if (v >= INT32_MIN && v <= INT32_MAX) {
      Byte(vaInt32);
      U32(static_cast<uint32_t>(v));
    } else {
      Byte(vaInt64);
      U32(static_cast<uint32_t>(v));
      U32(static_cast<uint32_t>(static_cast<uint64_t>(v) >> 32));
    }
  }
  void String(const std::string& s) {
    if (s.size() <= 255) {
      Byte(vaString);
      Byte(static_cast<uint8_t>(s.size()));
    } else {
      Byte(vaLString);
      U32(static_cast<uint32_t>(s.size()));
    }
    Bytes(s.data(), s.size());
  }
  void Binary(const std::string& data) {
    Byte(vaBinary);
    U32(static_cast<uint32_t>(data.size()));
    Bytes(data.data(), data.size());
  }

 private:
  TStream* s_;
};

bool IsListProperty(const std::string& Name) {
  for (int k = 0; k < StringsTypeCount; ++k)
    if (SameText(KindName(static_cast<TStringsType>(k)).substr(2), Name)) return true;
  return false;
}

// Declared defaults: a property holding its default is not stored.
bool IsDefault(const TPropInfo* P, const TValue& V) {
  static const std::pair<const char*, int64_t> defaults[] = {
      {"IsInheritedOwner", 0},      {"HandleResourceStrings", 0},
      {"ResourceLanguageIndex", 1}, {"UseInheritedData", 0},
      {"NumOfLanguages", 1},        {"ActiveLanguage", 1},
      {"ChangeLocales", 0},         {"LangDelim", 9},
      {"TranslateType", 0},         {"Options", 0},
      {"NeedAllDlgs", 0},           {"ChangingCursor", -1},
      {"DoRaiseExceptions", 0},     {"Tag", 0},
      {"PropertyType", 0}};
  for (auto& d : defaults)
    if (SameText(P->Name, d.first)) return V.IsOrdinal() && V.AsOrdinal() == d.second;
  return false;
}

void WriteObjectProps(TWriterLite& W, TObject* O, const std::string& Prefix);

void WriteProp(TWriterLite& W, TObject* O, const TPropInfo* P, const std::string& Prefix) {
  if (!P->Readable() || SameText(P->Name, "Name") || SameText(P->Name, "IsRoot")) return;
  if (dynamic_cast<TlxCustomLang*>(O) && IsListProperty(P->Name)) return;
  if (SameText(P->Name, "Values") && dynamic_cast<TlxExtendedItem*>(O)) return;
  const TValue v = P->Get(O);
  const std::string name = Prefix + P->Name;
  switch (P->Kind()) {
    case tkInteger:
    case tkInt64:
      if (IsDefault(P, v)) return;
      W.ShortStr(name);
      W.Integer(v.AsOrdinal());
      return;
    case tkEnumeration:
      if (IsDefault(P, v)) return;
      W.ShortStr(name);
      if (P->PropType->Name == "Boolean") {
        W.Byte(v.AsOrdinal() ? vaTrue : vaFalse);
      } else {
        W.Byte(vaIdent);
        W.ShortStr(GetEnumName(P->PropType, v.AsOrdinal()));
      }
      return;
    case tkSet: {
      if (IsDefault(P, v)) return;
      W.ShortStr(name);
      W.Byte(vaSet);
      TStringList names;
      names.SetCommaText(SetToString(P->PropType, static_cast<uint64_t>(v.AsOrdinal())));
      for (int i = 0; i < names.Count(); ++i) W.ShortStr(names.Strings(i));
      W.ShortStr("");
      return;
    }
    case tkString:
    case tkLString:
    case tkWString:
      if (v.AsString().empty()) return;
      W.ShortStr(name);
      W.String(v.AsString());
      return;
    case tkClass: {
      TObject* value = v.AsObject();
      if (auto* list = dynamic_cast<TStrings*>(value)) {
        if (list->Count() == 0) return;
        W.ShortStr(name + ".Strings");
        W.Byte(vaList);
        for (int i = 0; i < list->Count(); ++i) W.String(list->Strings(i));
        W.Byte(vaNull);
      } else if (auto* coll = dynamic_cast<TCollection*>(value)) {
        W.ShortStr(name);
        W.Byte(vaCollection);
        for (int i = 0; i < coll->Count(); ++i) {
          W.Byte(vaList);
          WriteObjectProps(W, coll->Items(i), "");
          W.Byte(vaNull);
        }
        W.Byte(vaNull);
      } else if (auto* comp = dynamic_cast<TComponent*>(value)) {
        if (comp->Name().empty()) return;
        W.ShortStr(name);
        W.Byte(vaIdent);
        W.ShortStr(comp->Name());
      }
      return;
    }
    default:
      return;
  }
}

void WriteObjectProps(TWriterLite& W, TObject* O, const std::string& Prefix) {
  for (const TPropInfo* p : GetPropList(O->ClassType(), tkAny, false)) WriteProp(W, O, p, Prefix);
  if (auto* item = dynamic_cast<TlxExtendedItem*>(O); item && !item->Values().empty()) {
    W.ShortStr("ValuesEx");
    W.Binary(item->Values());
  }
}

// ---- Reading

class TReaderLite {
 public:
  TReaderLite(TStream* S, int64_t Limit) : s_(S), limit_(Limit) {}
  int64_t Remaining() { return limit_ - s_->Position(); }
  void Need(int64_t n) {
    if (n < 0 || Remaining() < n) throw EReadError("Component stream truncated");
  }
  void Bytes(void* p, int64_t n) {
    Need(n);
    s_->ReadBuffer(p, n);
  }
  uint8_t Byte() {
    uint8_t b;
    Bytes(&b, 1);
    return b;
  }
  uint8_t Peek() {
    uint8_t b = Byte();
    s_->Seek(-1, soCurrent);
    return b;
  }
  uint32_t U32() {
    uint8_t b[4];
    Bytes(b, 4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
  }
  std::string Raw(int64_t n) {
    Need(n);
    std::string s(static_cast<size_t>(n), '\0');
    if (n) s_->ReadBuffer(s.data(), n);
    return s;
  }
  std::string ShortStr() { return Raw(Byte()); }
  void Skip(int64_t n) {
    Need(n);
    s_->Seek(n, soCurrent);
  }

 private:
  TStream* s_;
  int64_t limit_;
};

// One value as read: what it is and its payload.
struct TReadValue {
  uint8_t Type = vaNull;
  int64_t Int = 0;
  double Float = 0;
  std::string Text;                // strings, identifiers, binary data
  std::vector<std::string> Names;  // sets, string lists
};

bool IsIntType(uint8_t t) {
  return t == vaInt8 || t == vaInt16 || t == vaInt32 || t == vaInt64;
}

int64_t ReadIntPayload(TReaderLite& R, uint8_t t) {
  switch (t) {
    case vaInt8:
      return static_cast<int8_t>(R.Byte());
    case vaInt16: {
      uint16_t lo = R.Byte(), hi = R.Byte();
      return static_cast<int16_t>(static_cast<uint16_t>(lo | hi << 8));
    }
    case vaInt32:
      return static_cast<int32_t>(R.U32());
    default: {
      uint64_t lo = R.U32(), hi = R.U32();
      return static_cast<int64_t>(lo | hi << 32);
    }
  }
}

std::string ReadStringPayload(TReaderLite& R, uint8_t t) {
  switch (t) {
    case vaString:
      return StoredTextToUtf8(R.Raw(R.Byte()));
    case vaLString:
      return StoredTextToUtf8(R.Raw(R.U32()));
    case vaUTF8String:
      return R.Raw(R.U32());
    default: {  // vaWString: UTF-16 code units
      const uint32_t units = R.U32();
      R.Need(int64_t{units} * 2);
      std::string out;
      for (uint32_t i = 0; i < units; ++i) {
        char32_t c = R.Byte();
        c |= char32_t{R.Byte()} << 8;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
          char32_t lo = R.Byte();
          lo |= char32_t{R.Byte()} << 8;
          ++i;
          c = (lo >= 0xDC00 && lo <= 0xDFFF) ? 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00)
                                             : 0xFFFD;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
          c = 0xFFFD;
        }
        Utf8Append(out, c);
      }
      return out;
    }
  }
}

bool IsStringType(uint8_t t) {
  return t == vaString || t == vaLString || t == vaWString || t == vaUTF8String;
}

void SkipValue(TReaderLite& R, int Depth);
void SkipCollection(TReaderLite& R, int Depth);

TReadValue ReadScalar(TReaderLite& R, uint8_t t, int Depth) {
  TReadValue v;
  v.Type = t;
  if (IsIntType(t)) {
    v.Int = ReadIntPayload(R, t);
  } else if (IsStringType(t)) {
    v.Text = ReadStringPayload(R, t);
  } else if (t == vaIdent) {
    v.Text = R.ShortStr();
  } else if (t == vaBinary) {
    v.Text = R.Raw(R.U32());
  } else if (t == vaSet) {
    for (;;) {
      std::string n = R.ShortStr();
      if (n.empty()) break;
      v.Names.push_back(n);
    }
  } else if (t == vaList) {
    if (Depth > kMaxDepth) throw EReadError("Component stream nested too deeply");
    while (R.Peek() != vaNull) {
      uint8_t it = R.Byte();
      if (IsStringType(it))
        v.Names.push_back(ReadStringPayload(R, it));
      else if (it == vaCollection)
        SkipCollection(R, Depth + 1);
      else
        ReadScalar(R, it, Depth + 1);
    }
    R.Byte();
  } else if (t == vaFalse || t == vaTrue || t == vaNil || t == vaNull) {
  } else if (t == vaExtended) {
    R.Skip(10);
  } else if (t == vaSingle) {
    R.Skip(4);
  } else if (t == vaCurrency || t == vaDate || t == vaDouble) {
    R.Skip(8);
  } else {
    throw EReadError("Invalid property value type " + IntToStr(t));
  }
  return v;
}

void SkipCollection(TReaderLite& R, int Depth) {
  if (Depth > kMaxDepth) throw EReadError("Component stream nested too deeply");
  while (R.Peek() != vaNull) {
    if (IsIntType(R.Peek())) ReadIntPayload(R, R.Byte());
    if (R.Byte() != vaList) throw EReadError("Invalid collection item");
    while (R.Peek() != vaNull) {
      R.ShortStr();
      SkipValue(R, Depth + 1);
    }
    R.Byte();
  }
  R.Byte();
}

// Skips the value whose type byte is next.
void SkipValue(TReaderLite& R, int Depth) {
  uint8_t t = R.Byte();
  if (t == vaCollection)
    SkipCollection(R, Depth);
  else
    ReadScalar(R, t, Depth);
}

void ApplyValue(TObject* O, const TPropInfo* P, const TReadValue& V) {
  switch (P->Kind()) {
    case tkInteger:
    case tkInt64:
    case tkChar:
      if (!IsIntType(V.Type)) throw EReadError("Invalid property value for " + P->Name);
      if (SameText(P->Name, "NumOfLanguages") && (V.Int < 1 || V.Int > kMaxLanguages))
        throw EReadError("Invalid number of languages");
      SetOrdProp(O, P, V.Int);
      return;
    case tkEnumeration:
      if (V.Type == vaTrue || V.Type == vaFalse)
        SetOrdProp(O, P, V.Type == vaTrue);
      else if (V.Type == vaIdent)
        SetEnumProp(O, P, V.Text);
      else
        throw EReadError("Invalid property value for " + P->Name);
      return;
    case tkSet: {
      if (V.Type != vaSet) throw EReadError("Invalid property value for " + P->Name);
      std::string text;
      for (auto& n : V.Names) text += (text.empty() ? "" : ",") + n;
      SetSetProp(O, P, text);
      return;
    }
    case tkString:
    case tkLString:
    case tkWString:
      if (!IsStringType(V.Type)) throw EReadError("Invalid property value for " + P->Name);
      SetStrProp(O, P, V.Text);
      return;
    default:
      // References to other components are not resolved here.
      return;
  }
}

void ReadProperties(TReaderLite& R, TObject* O, int Depth);

void ReadCollectionInto(TReaderLite& R, TCollection* C, int Depth) {
  if (Depth > kMaxDepth) throw EReadError("Component stream nested too deeply");
  C->Clear();
  while (R.Peek() != vaNull) {
    if (IsIntType(R.Peek())) ReadIntPayload(R, R.Byte());
    if (R.Byte() != vaList) throw EReadError("Invalid collection item");
    if (C->Count() >= 100000) throw EReadError("Too many collection items");
    TCollectionItem* item = C->Add();
    ReadProperties(R, item, Depth + 1);
  }
  R.Byte();
}

void ReadOneProperty(TReaderLite& R, TObject* O, const std::string& Path, int Depth) {
  // "StringsTypes.Strings": walk the object properties of the path.
  TObject* target = O;
  std::string name = Path;
  for (size_t dot; (dot = name.find('.')) != std::string::npos;) {
    const TPropInfo* p = target ? GetPropInfo(target, name.substr(0, dot)) : nullptr;
    target = p && p->Kind() == tkClass && p->Readable() ? p->Get(target).AsObject() : nullptr;
    name = name.substr(dot + 1);
  }
  if (!target) {
    SkipValue(R, Depth);
    return;
  }
  const uint8_t t = R.Byte();
  if (t == vaCollection) {
    const TPropInfo* p = GetPropInfo(target, name);
    auto* coll = p && p->Kind() == tkClass && p->Readable()
                     ? dynamic_cast<TCollection*>(p->Get(target).AsObject())
                     : nullptr;
    if (coll)
      ReadCollectionInto(R, coll, Depth + 1);
    else
      SkipCollection(R, Depth + 1);
    return;
  }
  const TReadValue v = ReadScalar(R, t, Depth);
  if (auto* list = dynamic_cast<TStrings*>(target); list && SameText(name, "Strings")) {
    if (t != vaList) throw EReadError("Invalid string list");
    list->BeginUpdate();
    list->Clear();
    for (auto& s : v.Names) list->Add(s);
    list->EndUpdate();
    return;
  }
  if (auto* lang = dynamic_cast<TlxCustomLang*>(target);
      lang && SameText(name, "TranslationData")) {
    if (t != vaBinary) throw EReadError("Invalid translation data");
    lang->ReadTranslationDataText(v.Text);
    return;
  }
  if (auto* item = dynamic_cast<TlxExtendedItem*>(target); item && SameText(name, "ValuesEx")) {
    if (t != vaBinary) throw EReadError("Invalid extended values");
    item->SetValues(StoredTextToUtf8(v.Text));
    return;
  }
  const TPropInfo* p = GetPropInfo(target, name);
  if (!p || !p->Writable() || SameText(name, "Name")) return;
  ApplyValue(target, p, v);
}

void ReadProperties(TReaderLite& R, TObject* O, int Depth) {
  while (R.Peek() != vaNull) {
    std::string name = R.ShortStr();
    if (name.empty()) throw EReadError("Invalid property name");
    ReadOneProperty(R, O, name, Depth);
  }
  R.Byte();
}
}  // namespace

void WriteLangComponent(TStream* Stream, TlxCustomLang* Lang) {
  TWriterLite w(Stream);
  w.Bytes(kSignature, 4);
  w.ShortStr(Lang->ClassName());
  w.ShortStr(Lang->Name());
  WriteObjectProps(w, Lang, "");
  w.ShortStr("TranslationData");
  w.Binary(Lang->TranslationDataText());
  w.Byte(vaNull);  // end of properties
  w.Byte(vaNull);  // no children
}

TlxCustomLang* ReadLangComponent(TStream* Stream, TComponent* Owner, int64_t Limit) {
  RegisterLangClasses();
  TReaderLite r(Stream, Limit);
  char sig[4];
  r.Bytes(sig, 4);
  if (std::memcmp(sig, kSignature, 4) != 0) throw EReadError("Invalid stream format");
  uint8_t first = r.Peek();
  // A high nibble of F marks a prefix byte (child position, inherited,
  // inline) that stored components may carry before the class name.
  if ((first & 0xF0) == 0xF0) {
    r.Byte();
    if (first & 0x02) {  // child position
      uint8_t t = r.Byte();
      if (!IsIntType(t)) throw EReadError("Invalid stream format");
      ReadIntPayload(r, t);
    }
  }
  const std::string class_name = r.ShortStr();
  r.ShortStr();  // the stored component name is not needed
  TClass cls = GetClass(class_name);
  if (!cls || !cls->InheritsFrom(TlxCustomLang::StaticClass()) || !cls->Factory)
    throw EClassNotFound("Class " + class_name + " not found");
  auto* lang = dynamic_cast<TlxCustomLang*>(cls->Factory(Owner));
  if (!lang) throw EClassNotFound("Class " + class_name + " not found");
  try {
    lang->SetSuppressed(true);
    lang->BeginLoading();
    ReadProperties(r, lang, 0);
    if (r.Byte() != vaNull) throw EReadError("Unexpected child components");
    lang->EndLoading();
  } catch (...) {
    lang->Free();
    throw;
  }
  return lang;
}
