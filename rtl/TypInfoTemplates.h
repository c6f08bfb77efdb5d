// How the templates of rtl/TypInfo.h work: the C++ types behind property
// types, and the conversions between getters, setters and TValue. Included
// by rtl/TypInfo.h only.
#pragma once

namespace rtl_detail {
// The names are taken as ordinals 0, 1, ...: an explicit value would break that.
constexpr bool PlainEnumList(std::string_view Values) {
  return Values.find('=') == std::string_view::npos;
}
TTypeInfo MakeEnumInfo(const char* Name, const char* Values);
TTypeInfo MakeSetInfo(std::string Name, const TTypeInfo* Element);
template <typename T>
struct SetTraits : std::false_type {};
template <typename E, std::size_t N>
struct SetTraits<TSet<E, N>> : std::true_type {
  using Element = E;
};
template <typename T>
concept HasRtlTypeInfo = requires {
  { RtlTypeInfo(static_cast<T*>(nullptr)) } -> std::convertible_to<const TTypeInfo*>;
};
const TTypeInfo* BuiltinInfo(TTypeKind Kind, const char* Name);
template <typename T>
const TTypeInfo* ClassInfoOf() {
  static const TTypeInfo info{tkClass, {}, {}, nullptr, [] { return T::StaticClass(); }, {}};
  return &info;
}
}  // namespace rtl_detail

template <typename T>
const TTypeInfo* TypeInfoFor() {
  using namespace rtl_detail;
  if constexpr (HasRtlTypeInfo<T>) {
    return RtlTypeInfo(static_cast<T*>(nullptr));
  } else if constexpr (std::is_same_v<T, bool>) {
    return BuiltinInfo(tkEnumeration, "Boolean");
  } else if constexpr (std::is_same_v<T, char>) {
    return BuiltinInfo(tkChar, "Char");
  } else if constexpr (std::is_integral_v<T> && sizeof(T) == 8) {
    return BuiltinInfo(tkInt64, std::is_signed_v<T> ? "Int64" : "UInt64");
  } else if constexpr (std::is_integral_v<T>) {
    constexpr bool s = std::is_signed_v<T>;
    return BuiltinInfo(tkInteger, sizeof(T) == 1   ? (s ? "Shortint" : "Byte")
                                  : sizeof(T) == 2 ? (s ? "Smallint" : "Word")
                                                   : (s ? "Integer" : "Cardinal"));
  } else if constexpr (std::is_floating_point_v<T>) {
    return BuiltinInfo(tkFloat, sizeof(T) == 4 ? "Single" : sizeof(T) == 8 ? "Double" : "Extended");
  } else if constexpr (std::is_same_v<T, std::string>) {
    return BuiltinInfo(tkLString, "string");
  } else if constexpr (SetTraits<T>::value) {
    static const TTypeInfo info = MakeSetInfo({}, TypeInfoFor<typename SetTraits<T>::Element>());
    return &info;
  } else if constexpr (std::is_pointer_v<T> &&
                       std::is_base_of_v<TObject, std::remove_pointer_t<T>>) {
    return ClassInfoOf<std::remove_pointer_t<T>>();
  } else {
    static_assert(sizeof(T) == 0, "no type information: declare the enumeration with RTL_ENUM");
  }
}

namespace rtl_detail {
[[noreturn]] void InvalidValue();

template <typename T>
TValue ToValue(const T& v) {
  if constexpr (SetTraits<T>::value) {
    return TValue(static_cast<int64_t>(v.Bits()));
  } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
    return TValue(static_cast<int64_t>(v));
  } else if constexpr (std::is_floating_point_v<T>) {
    return TValue(static_cast<double>(v));
  } else if constexpr (std::is_same_v<T, std::string>) {
    return TValue(v);
  } else {
    return TValue(static_cast<TObject*>(v));
  }
}

template <typename T>
T FromValue(const TValue& v) {
  if constexpr (SetTraits<T>::value) {
    return T::FromBits(static_cast<uint64_t>(v.AsOrdinal()));
  } else if constexpr (std::is_same_v<T, bool>) {
    return v.AsOrdinal() != 0;
  } else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
    // Narrower integers keep their low bits, as the old runtime stored them.
    return static_cast<T>(v.AsOrdinal());
  } else if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(v.AsFloat());
  } else if constexpr (std::is_same_v<T, std::string>) {
    return v.AsString();
  } else {
    TObject* o = v.AsObject();
    auto* typed = dynamic_cast<T>(o);
    if (o && !typed) InvalidValue();
    return typed;
  }
}

template <typename C>
C* InstanceAs(TObject* Instance) {
  auto* typed = dynamic_cast<C*>(Instance);
  if (!typed) InvalidValue();
  return typed;
}

template <typename F>
struct Getter;
template <typename C, typename R>
struct Getter<R (C::*)() const> {
  using Class = C;
  using Value = std::decay_t<R>;
};
template <typename C, typename R>
struct Getter<R (C::*)()> {
  using Class = C;
  using Value = std::decay_t<R>;
};
template <typename F>
struct Setter;
template <typename C, typename A>
struct Setter<void (C::*)(A)> {
  using Class = C;
  using Value = std::decay_t<A>;
};
}  // namespace rtl_detail

template <typename G>
TPropInfo Published(std::string Name, G Get, const TTypeInfo* Type) {
  using C = typename rtl_detail::Getter<G>::Class;
  using T = typename rtl_detail::Getter<G>::Value;
  TPropInfo p;
  p.Name = std::move(Name);
  p.PropType = Type ? Type : TypeInfoFor<T>();
  p.Get = [Get](TObject* o) {
    return rtl_detail::ToValue<T>((rtl_detail::InstanceAs<C>(o)->*Get)());
  };
  return p;
}

template <typename G, typename S>
TPropInfo Published(std::string Name, G Get, S Set, const TTypeInfo* Type) {
  using C = typename rtl_detail::Setter<S>::Class;
  using T = typename rtl_detail::Setter<S>::Value;
  static_assert(std::is_same_v<T, typename rtl_detail::Getter<G>::Value>,
                "getter and setter of a property must use one type");
  TPropInfo p = Published(std::move(Name), Get, Type);
  p.Set = [Set](TObject* o, const TValue& v) {
    (rtl_detail::InstanceAs<C>(o)->*Set)(rtl_detail::FromValue<T>(v));
  };
  return p;
}
