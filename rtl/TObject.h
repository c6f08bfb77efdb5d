// The root of every class that the libraries refer to by class: objects know
// their class descriptor (name, parent, factory), and a registry finds a class
// by name, as the streaming and translation code need.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

class TObject;
class TComponent;
class TCollection;
struct TPropTable;

// A class descriptor: what "class of" refers to.
struct TClassInfo {
  std::string_view Name;
  const TClassInfo* Parent = nullptr;
  // Creates an instance; for components the owner is passed, other classes
  // ignore it. Null for abstract classes.
  TObject* (*Factory)(TComponent* owner) = nullptr;
  // The published properties this class declares itself (not its
  // ancestors'), built on first use; null when it declares none. See
  // rtl/TypInfo.h.
  const TPropTable* (*Properties)() = nullptr;

  bool InheritsFrom(const TClassInfo* other) const;
};
using TClass = const TClassInfo*;

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static TClass StaticClass();
  virtual TClass ClassType() const { return StaticClass(); }
  std::string ClassName() const { return std::string(ClassType()->Name); }
  bool InheritsFrom(TClass cls) const { return ClassType()->InheritsFrom(cls); }
  template <typename T>
  bool Is() const { return dynamic_cast<const T*>(this) != nullptr; }

  // Destroys the object the way the libraries do: BeforeDestruction runs while
  // the object is still whole (derived overrides are called), then it is
  // deleted. Use FreeAndNil for a reference that may be null.
  void Free();
  virtual void BeforeDestruction() {}
};

// The plain event: something happened to Sender.
using TNotifyEvent = std::function<void(TObject* Sender)>;

// Frees the object a reference holds, if any, and clears the reference.
template <typename T>
void FreeAndNil(T*& ref) {
  T* o = ref;
  ref = nullptr;
  if (o) o->Free();
}

// Deleter for unique_ptr that frees through Free().
struct TObjectDeleter {
  void operator()(TObject* o) const { o->Free(); }
};
template <typename T>
using TOwned = std::unique_ptr<T, TObjectDeleter>;

namespace rtl_detail {
template <typename T>
TObject* (*FactoryFor())(TComponent*) {
  if constexpr (std::is_abstract_v<T>) {
    return nullptr;
  } else if constexpr (std::is_constructible_v<T, TComponent*>) {
    return [](TComponent* owner) -> TObject* { return new T(owner); };
  } else if constexpr (std::is_constructible_v<T, TCollection*>) {
    // Collection items: made free-standing, then inserted by the collection.
    return [](TComponent*) -> TObject* { return new T(static_cast<TCollection*>(nullptr)); };
  } else if constexpr (std::is_default_constructible_v<T>) {
    return [](TComponent*) -> TObject* { return new T(); };
  } else {
    return nullptr;
  }
}

// The property table function of RTL_DEFINE_CLASS: none without properties.
inline const TPropTable* (*PropTableFn())() { return nullptr; }
template <typename F>
const TPropTable* (*PropTableFn(F f))() {
  return f;
}
}  // namespace rtl_detail

// In a class body: RTL_CLASS(TFoo, TBar) declares the class descriptor.
// In one source file: RTL_DEFINE_CLASS(TFoo, TBar) defines it. Published
// properties follow as further arguments (the file includes rtl/TypInfo.h):
//   RTL_DEFINE_CLASS(TFoo, TBar,
//                    Published("Caption", &TFoo::Caption, &TFoo::SetCaption),
//                    Published("Font", &TFoo::Font, &TFoo::SetFont))
#define RTL_CLASS(Self, Base)                           \
 public:                                                \
  using inherited = Base;                               \
  static TClass StaticClass();                          \
  TClass ClassType() const override { return StaticClass(); }

#define RTL_DEFINE_CLASS(Self, Base, ...)                                        \
  TClass Self::StaticClass() {                                                  \
    static TClassInfo info{#Self, Base::StaticClass(),                          \
                           ::rtl_detail::FactoryFor<Self>(),                    \
                           ::rtl_detail::PropTableFn(__VA_OPT__(                \
                               []() -> const TPropTable* {                      \
                                 static const TPropTable table{{__VA_ARGS__}};  \
                                 return &table;                                 \
                               }))};                                            \
    return &info;                                                               \
  }

// Class registry (by name, case-insensitive), used to create objects by the
// class name stored in files. Registering the same class twice is harmless.
void RegisterClass(TClass cls);
void UnRegisterClass(TClass cls);
// The class or null.
TClass GetClass(std::string_view name);
// The class; raises EClassNotFound.
TClass FindClass(std::string_view name);
