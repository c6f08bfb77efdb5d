#include "rtl/TObject.h"

#include <algorithm>
#include <mutex>

#include "rtl/Exception.h"

bool TClassInfo::InheritsFrom(const TClassInfo* other) const {
  for (const TClassInfo* c = this; c; c = c->Parent)
    if (c == other) return true;
  return false;
}

TClass TObject::StaticClass() {
  static TClassInfo info{"TObject", nullptr, [](TComponent*) -> TObject* { return new TObject(); },
                         nullptr};
  return &info;
}

void TObject::Free() {
  BeforeDestruction();
  delete this;
}

namespace {
struct Registry {
  std::mutex lock;
  std::vector<TClass> classes;
};
Registry& TheRegistry() {
  static Registry r;
  return r;
}
bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
         });
}
}  // namespace

void RegisterClass(TClass cls) {
  Registry& r = TheRegistry();
  std::lock_guard g(r.lock);
  if (std::find(r.classes.begin(), r.classes.end(), cls) == r.classes.end())
    r.classes.push_back(cls);
}

void UnRegisterClass(TClass cls) {
  Registry& r = TheRegistry();
  std::lock_guard g(r.lock);
  r.classes.erase(std::remove(r.classes.begin(), r.classes.end(), cls), r.classes.end());
}

TClass GetClass(std::string_view name) {
  Registry& r = TheRegistry();
  std::lock_guard g(r.lock);
  for (TClass c : r.classes)
    if (SameName(c->Name, name)) return c;
  return nullptr;
}

TClass FindClass(std::string_view name) {
  TClass c = GetClass(name);
  if (!c) throw EClassNotFound("Class " + std::string(name) + " not found");
  return c;
}
