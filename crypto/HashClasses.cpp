// The hash registry and the library's start-up table of hash classes, in the
// order the lists rely on.
#include <mutex>

#include "crypto/ClassRegistry.h"
#include "crypto/THash.h"

namespace {

struct TStandardHash {
  THashClass (*Class)();
  const char* DisplayName;
  const char* Note;
};

const TStandardHash kStandardHashes[] = {
    // {THash_MD4::StaticClass, "Message Digest 4", "Hash"},
    // ... entries join as the algorithm classes join the library.
    {nullptr, nullptr, nullptr},
};

TClassRegistry<THashClass>& Registry() {
  static TClassRegistry<THashClass> registry;
  static std::once_flag filled;
  std::call_once(filled, [] {
    for (const TStandardHash& h : kStandardHashes)
      if (h.Class) registry.Register(h.Class(), h.DisplayName, h.Note);
  });
  return registry;
}

}  // namespace

bool RegisterHashClass(THashClass Class, const std::string& DisplayName,
                       const std::string& Note) {
  return Registry().Register(Class, DisplayName, Note);
}

THashClass FindHashClass(const std::string& Name) { return Registry().Find(Name); }

std::string HashClassDisplayName(THashClass Class) { return Registry().DisplayName(Class); }

std::string HashClassEntryText(THashClass Class) { return Registry().EntryText(Class); }

std::vector<THashClassEntry> HashClassList() {
  std::vector<THashClassEntry> out;
  for (const auto& e : Registry().Entries()) out.push_back({e.DisplayName, e.Note, e.Class});
  return out;
}

THashClass DefaultHashClass() { return FindHashClass("THash_RipeMD256"); }
