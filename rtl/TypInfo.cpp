#include "rtl/TypInfo.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <mutex>

#include "rtl/Exception.h"
#include "rtl/FormatSettings.h"
#include "rtl/StrUtils.h"
#include "rtl/TCollection.h"
#include "rtl/TComponent.h"
#include "rtl/TStrings.h"

namespace {
constexpr std::array<std::string_view, 18> kKindNames = {
    "tkUnknown", "tkInteger", "tkChar",   "tkEnumeration", "tkFloat",   "tkString",
    "tkSet",     "tkClass",   "tkMethod", "tkWChar",       "tkLString", "tkWString",
    "tkVariant", "tkArray",   "tkRecord", "tkInterface",   "tkInt64",   "tkDynArray"};

[[noreturn]] void PropertyError(const std::string& Message) {
  throw EPropertyError(Message);
}
[[noreturn]] void NoProperty(std::string_view Name) {
  PropertyError("Property " + std::string(Name) + " does not exist");
}
[[noreturn]] void InvalidElement(std::string_view Name) {
  PropertyError("Invalid property element: " + std::string(Name));
}

bool IsOrdinalKind(TTypeKind k) {
  return k == tkInteger || k == tkChar || k == tkWChar || k == tkEnumeration || k == tkSet ||
         k == tkInt64;
}
bool IsStringKind(TTypeKind k) {
  return k == tkString || k == tkLString || k == tkWString;
}

void CheckKind(const TPropInfo* PropInfo, bool ok) {
  if (!ok) PropertyError("Invalid property type: " + std::string(PropInfo->PropType->TypeName()));
}
}  // namespace

std::string_view TypeKindName(TTypeKind Kind) {
  auto i = static_cast<size_t>(Kind);
  return i < kKindNames.size() ? kKindNames[i] : std::string_view();
}

int StringToTypeKind(std::string_view Name) {
  for (size_t i = 0; i < kKindNames.size(); ++i)
    if (kKindNames[i] == Name) return static_cast<int>(i);
  return -1;
}

std::string_view TTypeInfo::TypeName() const {
  if (Kind == tkClass && ClassRef) return ClassRef()->Name;
  return Name;
}

// ---- TValue

void rtl_detail::InvalidValue() {
  PropertyError("Invalid property value");
}

int64_t TValue::AsOrdinal() const {
  if (!IsOrdinal()) rtl_detail::InvalidValue();
  return std::get<int64_t>(v_);
}

double TValue::AsFloat() const {
  if (IsOrdinal()) return static_cast<double>(std::get<int64_t>(v_));
  if (!IsFloat()) rtl_detail::InvalidValue();
  return std::get<double>(v_);
}

const std::string& TValue::AsString() const {
  if (!IsString()) rtl_detail::InvalidValue();
  return std::get<std::string>(v_);
}

TObject* TValue::AsObject() const {
  if (!IsObject()) rtl_detail::InvalidValue();
  return std::get<TObject*>(v_);
}

// ---- Type descriptions

TTypeInfo rtl_detail::MakeEnumInfo(const char* Name, const char* Values) {
  TTypeInfo info;
  info.Kind = tkEnumeration;
  info.Name = Name;
  std::string_view rest(Values);
  while (!rest.empty()) {
    auto comma = rest.find(',');
    info.EnumNames.push_back(Trim(rest.substr(0, comma)));
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
  }
  return info;
}

TTypeInfo rtl_detail::MakeSetInfo(std::string Name, const TTypeInfo* Element) {
  TTypeInfo info;
  info.Kind = tkSet;
  info.Name = Name.empty() ? "set of " + std::string(Element->TypeName()) : std::move(Name);
  info.CompType = Element;
  return info;
}

const TTypeInfo* rtl_detail::BuiltinInfo(TTypeKind Kind, const char* Name) {
  // One description per name, made on first use and kept for the program.
  static std::mutex lock;
  static std::map<std::string, std::unique_ptr<TTypeInfo>, std::less<>> infos;
  std::lock_guard guard(lock);
  auto it = infos.find(std::string_view(Name));
  if (it != infos.end()) return it->second.get();
  auto info = std::make_unique<TTypeInfo>();
  info->Kind = Kind;
  info->Name = Name;
  if (Kind == tkEnumeration) info->EnumNames = {"False", "True"};
  return infos.emplace(Name, std::move(info)).first->second.get();
}

// ---- Looking properties up

const TPropInfo* GetPropInfo(TClass AClass, std::string_view PropName) {
  for (TClass c = AClass; c; c = c->Parent) {
    if (!c->Properties) continue;
    for (const TPropInfo& p : c->Properties()->Props)
      if (SameText(p.Name, PropName)) return &p;
  }
  return nullptr;
}

const TPropInfo* GetPropInfo(const TObject* Instance, std::string_view PropName) {
  return Instance ? GetPropInfo(Instance->ClassType(), PropName) : nullptr;
}

std::vector<const TPropInfo*> GetPropList(TClass AClass, TTypeKinds Kinds, bool SortList) {
  std::vector<TClass> chain;
  for (TClass c = AClass; c; c = c->Parent) chain.push_back(c);
  std::vector<const TPropInfo*> result;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!(*it)->Properties) continue;
    for (const TPropInfo& p : (*it)->Properties()->Props) {
      // A redeclared property takes the place of its ancestor's.
      auto same = std::find_if(result.begin(), result.end(),
                               [&](const TPropInfo* q) { return SameText(q->Name, p.Name); });
      if (same != result.end())
        *same = &p;
      else
        result.push_back(&p);
    }
  }
  std::erase_if(result, [&](const TPropInfo* p) { return !Kinds.Contains(p->Kind()); });
  if (SortList)
    std::stable_sort(result.begin(), result.end(), [](const TPropInfo* a, const TPropInfo* b) {
      return CompareText(a->Name, b->Name) < 0;
    });
  return result;
}

// ---- Values

TValue GetPropValue(TObject* Instance, const TPropInfo* PropInfo) {
  if (!PropInfo->Readable()) PropertyError("Property " + PropInfo->Name + " is write-only");
  return PropInfo->Get(Instance);
}

void SetPropValue(TObject* Instance, const TPropInfo* PropInfo, const TValue& Value) {
  if (!PropInfo->Writable()) PropertyError("Property " + PropInfo->Name + " is read-only");
  const TTypeInfo* type = PropInfo->PropType;
  // Values outside an enumeration or set would make a C++ enumeration hold
  // what none of its names means.
  if (type->Kind == tkEnumeration) {
    int64_t v = Value.AsOrdinal();
    if (v < 0 || v >= static_cast<int64_t>(type->EnumNames.size())) rtl_detail::InvalidValue();
  } else if (type->Kind == tkSet && type->CompType) {
    size_t n = type->CompType->EnumNames.size();
    uint64_t v = static_cast<uint64_t>(Value.AsOrdinal());
    if (n < 64 && (v >> n) != 0) rtl_detail::InvalidValue();
  }
  PropInfo->Set(Instance, Value);
}

TValue GetPropValue(TObject* Instance, std::string_view PropName) {
  const TPropInfo* p = GetPropInfo(Instance, PropName);
  if (!p) NoProperty(PropName);
  return GetPropValue(Instance, p);
}

void SetPropValue(TObject* Instance, std::string_view PropName, const TValue& Value) {
  const TPropInfo* p = GetPropInfo(Instance, PropName);
  if (!p) NoProperty(PropName);
  SetPropValue(Instance, p, Value);
}

int64_t GetOrdProp(TObject* Instance, const TPropInfo* PropInfo) {
  CheckKind(PropInfo, IsOrdinalKind(PropInfo->Kind()));
  return GetPropValue(Instance, PropInfo).AsOrdinal();
}

void SetOrdProp(TObject* Instance, const TPropInfo* PropInfo, int64_t Value) {
  CheckKind(PropInfo, IsOrdinalKind(PropInfo->Kind()));
  SetPropValue(Instance, PropInfo, TValue(Value));
}

std::string GetStrProp(TObject* Instance, const TPropInfo* PropInfo) {
  CheckKind(PropInfo, IsStringKind(PropInfo->Kind()));
  return GetPropValue(Instance, PropInfo).AsString();
}

void SetStrProp(TObject* Instance, const TPropInfo* PropInfo, const std::string& Value) {
  CheckKind(PropInfo, IsStringKind(PropInfo->Kind()));
  SetPropValue(Instance, PropInfo, TValue(Value));
}

double GetFloatProp(TObject* Instance, const TPropInfo* PropInfo) {
  CheckKind(PropInfo, PropInfo->Kind() == tkFloat);
  return GetPropValue(Instance, PropInfo).AsFloat();
}

void SetFloatProp(TObject* Instance, const TPropInfo* PropInfo, double Value) {
  CheckKind(PropInfo, PropInfo->Kind() == tkFloat);
  SetPropValue(Instance, PropInfo, TValue(Value));
}

TObject* GetObjectProp(TObject* Instance, const TPropInfo* PropInfo) {
  CheckKind(PropInfo, PropInfo->Kind() == tkClass);
  return GetPropValue(Instance, PropInfo).AsObject();
}

void SetObjectProp(TObject* Instance, const TPropInfo* PropInfo, TObject* Value) {
  CheckKind(PropInfo, PropInfo->Kind() == tkClass);
  TClass cls = PropInfo->PropType->ClassType();
  if (Value && cls && !Value->InheritsFrom(cls)) rtl_detail::InvalidValue();
  SetPropValue(Instance, PropInfo, TValue(Value));
}

std::string GetEnumName(const TTypeInfo* TypeInfo, int64_t Value) {
  if (!TypeInfo || Value < 0 || Value >= static_cast<int64_t>(TypeInfo->EnumNames.size()))
    return {};
  return TypeInfo->EnumNames[static_cast<size_t>(Value)];
}

int64_t GetEnumValue(const TTypeInfo* TypeInfo, std::string_view Name) {
  if (!TypeInfo) return -1;
  for (size_t i = 0; i < TypeInfo->EnumNames.size(); ++i)
    if (SameText(TypeInfo->EnumNames[i], Name)) return static_cast<int64_t>(i);
  return -1;
}

std::string GetEnumProp(TObject* Instance, const TPropInfo* PropInfo) {
  CheckKind(PropInfo, PropInfo->Kind() == tkEnumeration);
  return GetEnumName(PropInfo->PropType, GetPropValue(Instance, PropInfo).AsOrdinal());
}

void SetEnumProp(TObject* Instance, const TPropInfo* PropInfo, std::string_view Value) {
  CheckKind(PropInfo, PropInfo->Kind() == tkEnumeration);
  int64_t v = GetEnumValue(PropInfo->PropType, Value);
  if (v < 0) InvalidElement(Value);
  SetPropValue(Instance, PropInfo, TValue(v));
}

std::string SetToString(const TTypeInfo* SetType, uint64_t Value, bool Brackets) {
  std::string result;
  const TTypeInfo* element = SetType ? SetType->CompType : nullptr;
  for (int i = 0; i < 64; ++i) {
    if (!(Value >> i & 1)) continue;
    if (!result.empty()) result += ',';
    std::string name = GetEnumName(element, i);
    result += name.empty() ? IntToStr(i) : name;
  }
  return Brackets ? "[" + result + "]" : result;
}

uint64_t StringToSet(const TTypeInfo* SetType, std::string_view Value) {
  // The old reader: skip "[" and blanks, then take words that end at ",",
  // a blank or "]", skipping those characters between words.
  const TTypeInfo* element = SetType ? SetType->CompType : nullptr;
  uint64_t result = 0;
  size_t p = 0;
  const size_t n = Value.size();
  while (p < n && (Value[p] == '[' || Value[p] == ' ')) ++p;
  for (;;) {
    size_t start = p;
    while (p < n && Value[p] != ',' && Value[p] != ' ' && Value[p] != ']') ++p;
    std::string_view word = Value.substr(start, p - start);
    while (p < n && (Value[p] == ',' || Value[p] == ' ' || Value[p] == ']')) ++p;
    if (word.empty()) break;
    int64_t v = GetEnumValue(element, word);
    if (v < 0 || v >= 64) InvalidElement(word);
    result |= uint64_t{1} << v;
  }
  return result;
}

std::string GetSetProp(TObject* Instance, const TPropInfo* PropInfo, bool Brackets) {
  CheckKind(PropInfo, PropInfo->Kind() == tkSet);
  return SetToString(PropInfo->PropType,
                     static_cast<uint64_t>(GetPropValue(Instance, PropInfo).AsOrdinal()), Brackets);
}

void SetSetProp(TObject* Instance, const TPropInfo* PropInfo, std::string_view Value) {
  CheckKind(PropInfo, PropInfo->Kind() == tkSet);
  SetPropValue(Instance, PropInfo,
               TValue(static_cast<int64_t>(StringToSet(PropInfo->PropType, Value))));
}

bool IntToIdent(const TTypeInfo* TypeInfo, int64_t Value, std::string& Ident) {
  if (!TypeInfo) return false;
  for (const auto& [v, name] : TypeInfo->Idents)
    if (v == Value) {
      Ident = name;
      return true;
    }
  return false;
}

bool IdentToInt(const TTypeInfo* TypeInfo, std::string_view Ident, int64_t& Value) {
  if (!TypeInfo) return false;
  for (const auto& [v, name] : TypeInfo->Idents)
    if (SameText(name, Ident)) {
      Value = v;
      return true;
    }
  return false;
}

// ---- Text

std::string GetPropText(TObject* Instance, const TPropInfo* PropInfo) {
  switch (PropInfo->Kind()) {
    case tkInteger:
    case tkInt64:
      return IntToStr(GetOrdProp(Instance, PropInfo));
    case tkChar:
    case tkWChar:
      return std::string(1, static_cast<char>(GetOrdProp(Instance, PropInfo)));
    case tkEnumeration:
      return GetEnumProp(Instance, PropInfo);
    case tkSet:
      return GetSetProp(Instance, PropInfo);
    case tkFloat: {
      std::string text = FloatToStr(GetFloatProp(Instance, PropInfo));
      std::replace(text.begin(), text.end(), '.', FormatSettings.DecimalSeparator);
      return text;
    }
    case tkString:
    case tkLString:
    case tkWString:
      return GetStrProp(Instance, PropInfo);
    case tkClass:
      if (auto* list = dynamic_cast<TStrings*>(GetObjectProp(Instance, PropInfo)))
        return list->CommaText();
      return {};
    default:
      return {};
  }
}

namespace {
// Brings List to the lines of Lines without replacing equal lines: line i is
// replaced or appended, surplus lines are deleted from the end.
void UpdateLines(TStrings* List, const TStrings& Lines) {
  List->BeginUpdate();
  try {
    for (int i = 0; i < Lines.Count(); ++i) {
      if (i < List->Count()) {
        if (List->Strings(i) != Lines.Strings(i)) List->SetStrings(i, Lines.Strings(i));
      } else {
        List->Add(Lines.Strings(i));
      }
    }
    while (List->Count() > Lines.Count()) List->Delete(List->Count() - 1);
  } catch (...) {
    List->EndUpdate();
    throw;
  }
  List->EndUpdate();
}
}  // namespace

void SetPropText(TObject* Instance, const TPropInfo* PropInfo, const std::string& Text) {
  switch (PropInfo->Kind()) {
    case tkInteger: {
      int64_t v;
      if (!IdentToInt(PropInfo->PropType, Text, v)) v = StrToInt(Text);
      SetOrdProp(Instance, PropInfo, v);
      return;
    }
    case tkInt64:
      SetOrdProp(Instance, PropInfo, StrToInt64(Text));
      return;
    case tkChar:
    case tkWChar:
      SetOrdProp(Instance, PropInfo, Text.empty() ? 0 : static_cast<unsigned char>(Text[0]));
      return;
    case tkEnumeration:
      SetEnumProp(Instance, PropInfo, Text);
      return;
    case tkSet:
      SetSetProp(Instance, PropInfo, Text);
      return;
    case tkFloat: {
      std::string text = Text;
      std::replace(text.begin(), text.end(), FormatSettings.DecimalSeparator, '.');
      SetFloatProp(Instance, PropInfo, StrToFloat(text));
      return;
    }
    case tkString:
    case tkLString:
    case tkWString:
      SetStrProp(Instance, PropInfo, Text);
      return;
    case tkClass:
      if (auto* list = dynamic_cast<TStrings*>(GetObjectProp(Instance, PropInfo))) {
        TStringList lines;
        lines.SetCommaText(Text);
        UpdateLines(list, lines);
        return;
      }
      [[fallthrough]];
    default:
      PropertyError("Property " + PropInfo->Name + " has no text form");
  }
}

// ---- Paths

namespace {
// One step: Name, optionally with "[index]", from the current object.
TObject* Step(TObject* Current, std::string_view Element) {
  std::string_view name = Element;
  std::string_view index;
  auto open = Element.find('[');
  if (open != std::string_view::npos) {
    if (Element.back() != ']') return nullptr;
    name = Element.substr(0, open);
    index = Element.substr(open + 1, Element.size() - open - 2);
  }
  TObject* next = nullptr;
  const TPropInfo* p = GetPropInfo(Current, name);
  if (p && p->Kind() == tkClass && p->Readable()) {
    next = p->Get(Current).AsObject();
  } else if (auto* component = dynamic_cast<TComponent*>(Current)) {
    next = component->FindComponent(std::string(name));
  }
  if (!next || open == std::string_view::npos) return next;
  int32_t i;
  auto* collection = dynamic_cast<TCollection*>(next);
  if (!collection || !TryStrToInt(index, i) || i < 0 || i >= collection->Count()) return nullptr;
  return collection->Items(i);
}

TObject* Walk(TObject* Root, std::string_view Path) {
  TObject* current = Root;
  while (current && !Path.empty()) {
    auto dot = Path.find('.');
    current = Step(current, Path.substr(0, dot));
    Path = dot == std::string_view::npos ? std::string_view() : Path.substr(dot + 1);
  }
  return current;
}
}  // namespace

TObject* FindPathObject(TObject* Root, std::string_view Path) {
  if (Path.empty()) return nullptr;
  return Walk(Root, Path);
}

TPropLocation FindPropPath(TObject* Root, std::string_view Path) {
  auto dot = Path.rfind('.');
  TObject* holder =
      dot == std::string_view::npos ? Root : FindPathObject(Root, Path.substr(0, dot));
  std::string_view name = dot == std::string_view::npos ? Path : Path.substr(dot + 1);
  const TPropInfo* p = holder ? GetPropInfo(holder, name) : nullptr;
  return p ? TPropLocation{holder, p} : TPropLocation{};
}

std::string GetPropPathText(TObject* Root, std::string_view Path) {
  TPropLocation at = FindPropPath(Root, Path);
  if (!at) NoProperty(Path);
  return GetPropText(at.Instance, at.PropInfo);
}

void SetPropPathText(TObject* Root, std::string_view Path, const std::string& Text) {
  TPropLocation at = FindPropPath(Root, Path);
  if (!at) NoProperty(Path);
  SetPropText(at.Instance, at.PropInfo, Text);
}
