// Published-property reflection: each class lists the properties it
// publishes (name, type, getter, setter), so that code that knows only names
// (translation components, stored settings) can read and write them at run
// time. Values travel as TValue; enumerations and sets also as their names.
//
// A class publishes its properties where it defines its descriptor:
//   RTL_DEFINE_CLASS(TPanel, TControl,
//                    Published("Caption", &TPanel::Caption, &TPanel::SetCaption),
//                    Published("Font", &TPanel::Font, &TPanel::SetFont),
//                    Published("Color", &TPanel::Color, &TPanel::SetColor, TColorTypeInfo()))
// The type comes from the getter's C++ type (int32_t is "Integer", bool
// "Boolean", std::string "string", T* a class); enumerations declared with
// RTL_ENUM carry their value names. A fourth argument names another type.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "rtl/TObject.h"
#include "rtl/TSet.h"

// The kinds of property types, in the order of the old runtime (the names
// are stored in translation files).
// clang-format off
enum TTypeKind {
  tkUnknown, tkInteger, tkChar, tkEnumeration, tkFloat, tkString, tkSet, tkClass, tkMethod,
  tkWChar, tkLString, tkWString, tkVariant, tkArray, tkRecord, tkInterface, tkInt64, tkDynArray
};
// clang-format on
using TTypeKinds = TSet<TTypeKind, 32>;
// Every kind; every kind that holds data (all but tkUnknown and tkMethod).
// Inline, so that they are ready for any start-up code that includes this.
inline const TTypeKinds tkAny = TTypeKinds::FromBits((uint64_t{1} << (tkDynArray + 1)) - 1);
inline const TTypeKinds tkProperties = tkAny - TTypeKinds{tkUnknown, tkMethod};
// "tkLString" and back; StringToTypeKind gives -1 for another text.
std::string_view TypeKindName(TTypeKind Kind);
int StringToTypeKind(std::string_view Name);

struct TTypeInfo {
  TTypeKind Kind = tkUnknown;
  std::string Name;
  // tkEnumeration: the value names by ordinal (from 0).
  std::vector<std::string> EnumNames;
  // tkSet: the element type.
  const TTypeInfo* CompType = nullptr;
  // tkClass: the class (a function, so that classes may refer to each other).
  TClass (*ClassRef)() = nullptr;
  // tkInteger: named constants ("clRed"), accepted when a value is set as text.
  std::vector<std::pair<int64_t, std::string>> Idents;

  // The class name for tkClass, else Name.
  std::string_view TypeName() const;
  TClass ClassType() const { return ClassRef ? ClassRef() : nullptr; }
};

// One property value: an ordinal (integers, characters, enumerations,
// Booleans, sets as bit masks), a floating-point number, a string or an
// object. Reading the wrong alternative raises EPropertyError.
class TValue {
 public:
  TValue() = default;
  TValue(int32_t v) : v_(int64_t{v}) {}
  TValue(int64_t v) : v_(v) {}
  TValue(double v) : v_(v) {}
  TValue(std::string v) : v_(std::move(v)) {}
  TValue(const char* v) : v_(std::string(v)) {}
  TValue(TObject* v) : v_(v) {}
  TValue(std::nullptr_t) : v_(static_cast<TObject*>(nullptr)) {}

  bool IsEmpty() const { return v_.index() == 0; }
  bool IsOrdinal() const { return v_.index() == 1; }
  bool IsFloat() const { return v_.index() == 2; }
  bool IsString() const { return v_.index() == 3; }
  bool IsObject() const { return v_.index() == 4; }
  int64_t AsOrdinal() const;
  // A float, or an ordinal widened.
  double AsFloat() const;
  const std::string& AsString() const;
  TObject* AsObject() const;
  bool operator==(const TValue& o) const = default;

 private:
  std::variant<std::monostate, int64_t, double, std::string, TObject*> v_;
};

struct TPropInfo {
  std::string Name;
  const TTypeInfo* PropType = nullptr;
  // Null when the property cannot be read (written).
  std::function<TValue(TObject* Instance)> Get;
  std::function<void(TObject* Instance, const TValue& Value)> Set;

  TTypeKind Kind() const { return PropType->Kind; }
  bool Readable() const { return static_cast<bool>(Get); }
  bool Writable() const { return static_cast<bool>(Set); }
};

struct TPropTable {
  std::vector<TPropInfo> Props;
};

// ---- Declaring types

// Declares an enumeration (values from 0 in order) with its value names:
//   RTL_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut);
#define RTL_ENUM(Name, ...)  \
  enum Name { __VA_ARGS__ }; \
  RTL_ENUM_INFO(Name, __VA_ARGS__)
// The names of an enumeration declared elsewhere, listed again in order.
#define RTL_ENUM_INFO(Name, ...)                                                   \
  static_assert(::rtl_detail::PlainEnumList(#__VA_ARGS__),                         \
                "RTL_ENUM values run from 0 in order: no explicit values");        \
  inline const TTypeInfo* RtlTypeInfo(Name*) {                                     \
    static const TTypeInfo info = ::rtl_detail::MakeEnumInfo(#Name, #__VA_ARGS__); \
    return &info;                                                                  \
  }
// Names a set type: using TFontStyles = TSet<TFontStyle, 4>; RTL_SET(TFontStyles);
// (an unnamed set type is called "set of TFontStyle").
#define RTL_SET(Name)                                                             \
  inline const TTypeInfo* RtlTypeInfo(Name*) {                                    \
    static const TTypeInfo info = ::rtl_detail::MakeSetInfo(                      \
        #Name, ::TypeInfoFor<typename ::rtl_detail::SetTraits<Name>::Element>()); \
    return &info;                                                                 \
  }

// The type information of a C++ type used by a property.
template <typename T>
const TTypeInfo* TypeInfoFor();

// A read-only published property.
template <typename G>
TPropInfo Published(std::string Name, G Get, const TTypeInfo* Type = nullptr);
// A published property read by Get and written by Set; both use one type.
template <typename G, typename S>
TPropInfo Published(std::string Name, G Get, S Set, const TTypeInfo* Type = nullptr);

// ---- Looking properties up

// Searches the class and its ancestors, ignoring case; null when absent.
const TPropInfo* GetPropInfo(TClass AClass, std::string_view PropName);
const TPropInfo* GetPropInfo(const TObject* Instance, std::string_view PropName);
// The published properties of the class chain whose kind is in Kinds; a
// property redeclared by a descendant appears once. Sorted by name (ignoring
// case) unless SortList is false, which gives the ancestors' first, each
// class in declaration order.
std::vector<const TPropInfo*> GetPropList(TClass AClass, TTypeKinds Kinds = tkAny,
                                          bool SortList = true);

// ---- Values
// These raise EPropertyError for a property that cannot be read or written
// or a value of the wrong kind, and EPropertyError "Invalid property
// element: x" for an unknown enumeration or set name.

TValue GetPropValue(TObject* Instance, const TPropInfo* PropInfo);
void SetPropValue(TObject* Instance, const TPropInfo* PropInfo, const TValue& Value);
// By name; EPropertyError "Property X does not exist" when absent.
TValue GetPropValue(TObject* Instance, std::string_view PropName);
void SetPropValue(TObject* Instance, std::string_view PropName, const TValue& Value);

int64_t GetOrdProp(TObject* Instance, const TPropInfo* PropInfo);
void SetOrdProp(TObject* Instance, const TPropInfo* PropInfo, int64_t Value);
std::string GetStrProp(TObject* Instance, const TPropInfo* PropInfo);
void SetStrProp(TObject* Instance, const TPropInfo* PropInfo, const std::string& Value);
double GetFloatProp(TObject* Instance, const TPropInfo* PropInfo);
void SetFloatProp(TObject* Instance, const TPropInfo* PropInfo, double Value);
TObject* GetObjectProp(TObject* Instance, const TPropInfo* PropInfo);
// Raises EPropertyError when Value is not of the property's class.
void SetObjectProp(TObject* Instance, const TPropInfo* PropInfo, TObject* Value);
std::string GetEnumProp(TObject* Instance, const TPropInfo* PropInfo);
void SetEnumProp(TObject* Instance, const TPropInfo* PropInfo, std::string_view Value);
std::string GetSetProp(TObject* Instance, const TPropInfo* PropInfo, bool Brackets = false);
void SetSetProp(TObject* Instance, const TPropInfo* PropInfo, std::string_view Value);

// Enumeration names by ordinal ("" out of range) and back (ignoring case;
// -1 when unknown). Boolean is the enumeration False, True.
std::string GetEnumName(const TTypeInfo* TypeInfo, int64_t Value);
int64_t GetEnumValue(const TTypeInfo* TypeInfo, std::string_view Name);
// "fsBold,fsItalic", in brackets when asked. StringToSet reads names
// separated by commas and blanks, with or without brackets.
std::string SetToString(const TTypeInfo* SetType, uint64_t Value, bool Brackets = false);
uint64_t StringToSet(const TTypeInfo* SetType, std::string_view Value);
// Named integer constants of a tkInteger type.
bool IntToIdent(const TTypeInfo* TypeInfo, int64_t Value, std::string& Ident);
bool IdentToInt(const TTypeInfo* TypeInfo, std::string_view Ident, int64_t& Value);

// The value as text: integers in decimal, characters and strings as they
// are, floating-point numbers as FloatToStr with the decimal separator of
// FormatSettings (the user's number format), enumeration names, sets as
// names joined by "," (no brackets), a string list as its CommaText; empty
// for other kinds. Setting accepts the same forms (integers also by
// constant name, sets also in brackets); a string list is updated line by
// line. Conversion errors raise EConvertError or EPropertyError.
std::string GetPropText(TObject* Instance, const TPropInfo* PropInfo);
void SetPropText(TObject* Instance, const TPropInfo* PropInfo, const std::string& Text);

// ---- Paths from a root object
// A path is names joined by "."; each name before the last is a published
// object property of the current object or, for a component, a component it
// owns; a name may be followed by "[n]" to take item n of a collection. Thus
// "Panel1.Font.Name", "Items[2].Caption", "StatusBar1.Panels[0].Text".

// The object a whole path leads to; null when any step fails.
TObject* FindPathObject(TObject* Root, std::string_view Path);

struct TPropLocation {
  TObject* Instance = nullptr;
  const TPropInfo* PropInfo = nullptr;
  explicit operator bool() const { return Instance && PropInfo; }
};
// The object holding the last name of the path and that property; empty
// when any step fails.
TPropLocation FindPropPath(TObject* Root, std::string_view Path);
// GetPropText/SetPropText through a path; EPropertyError "Property X does
// not exist" when it leads nowhere.
std::string GetPropPathText(TObject* Root, std::string_view Path);
void SetPropPathText(TObject* Root, std::string_view Path, const std::string& Text);

#include "rtl/TypInfoTemplates.h"
