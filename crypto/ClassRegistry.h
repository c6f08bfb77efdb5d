// The registry behind the cipher and hash class lists: entries of display
// name, note and class in registration order, found by short class name or
// by display name ignoring case. Internal to the library.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "rtl/StrUtils.h"
#include "rtl/TObject.h"

template <typename ClassPtr>
class TClassRegistry {
 public:
  struct Entry {
    std::string DisplayName;
    std::string Note;
    ClassPtr Class;
  };

  bool Register(ClassPtr Class, const std::string& DisplayName, const std::string& Note);
  ClassPtr Find(const std::string& Name) const;
  // The display name, or the short class name when Class is not registered.
  std::string DisplayName(ClassPtr Class) const;
  // "display name=note", or empty when Class is not registered.
  std::string EntryText(ClassPtr Class) const;
  std::vector<Entry> Entries() const {
    std::lock_guard g(lock_);
    return entries_;
  }

 private:
  mutable std::mutex lock_;
  std::vector<Entry> entries_;
};

namespace crypto_detail {
std::string ShortName(TClass Class);
}  // namespace crypto_detail

template <typename ClassPtr>
bool TClassRegistry<ClassPtr>::Register(ClassPtr Class, const std::string& DisplayName,
                                        const std::string& Note) {
  if (!Class) return false;
  std::string name = Trim(DisplayName);
  if (name.empty()) {
    name = std::string(Class->Name);
    if (!name.empty() && name[0] == 'T') name.erase(0, 1);
    const auto p = name.find('_');
    if (p != std::string::npos) name.erase(0, p + 1);
  }
  std::lock_guard g(lock_);
  for (Entry& e : entries_)
    if (e.Class == Class) {
      e.DisplayName = name;
      e.Note = Note;
      return true;
    }
  entries_.push_back({name, Note, Class});
  return true;
}

template <typename ClassPtr>
ClassPtr TClassRegistry<ClassPtr>::Find(const std::string& Name) const {
  std::string s = Name;
  const auto p = s.find('_');
  if (p != std::string::npos) s.erase(0, p + 1);
  std::lock_guard g(lock_);
  for (const Entry& e : entries_)
    if (SameText(crypto_detail::ShortName(e.Class), s)) return e.Class;
  for (const Entry& e : entries_)
    if (SameText(e.DisplayName, s)) return e.Class;
  return nullptr;
}

template <typename ClassPtr>
std::string TClassRegistry<ClassPtr>::DisplayName(ClassPtr Class) const {
  {
    std::lock_guard g(lock_);
    for (const Entry& e : entries_)
      if (e.Class == Class) return e.DisplayName;
  }
  return crypto_detail::ShortName(Class);
}

template <typename ClassPtr>
std::string TClassRegistry<ClassPtr>::EntryText(ClassPtr Class) const {
  std::lock_guard g(lock_);
  for (const Entry& e : entries_)
    if (e.Class == Class) return e.DisplayName + "=" + e.Note;
  return {};
}
