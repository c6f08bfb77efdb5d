// The cipher registry and the library's start-up table of cipher classes, in
// the order the program's lists rely on.
#include <mutex>

#include "crypto/ClassRegistry.h"
#include "crypto/TCipher.h"

namespace {

struct TStandardCipher {
  TCipherClass (*Class)();
  const char* DisplayName;
  const char* Note;
};

// Display names without quotes in the lists are derived from the class name
// (empty here); notes as registered.
const TStandardCipher kStandardCiphers[] = {
    // {TCipher_3Way::StaticClass, "", ""},
    // {TCipher_Blowfish::StaticClass, "", ""},
    // ... entries join as the algorithm classes join the library.
    {nullptr, nullptr, nullptr},
};

TClassRegistry<TCipherClass>& Registry() {
  static TClassRegistry<TCipherClass> registry;
  static std::once_flag filled;
  std::call_once(filled, [] {
    for (const TStandardCipher& c : kStandardCiphers)
      if (c.Class) registry.Register(c.Class(), c.DisplayName, c.Note);
  });
  return registry;
}

}  // namespace

bool RegisterCipherClass(TCipherClass Class, const std::string& DisplayName,
                         const std::string& Note) {
  return Registry().Register(Class, DisplayName, Note);
}

TCipherClass FindCipherClass(const std::string& Name) { return Registry().Find(Name); }

std::string CipherClassDisplayName(TCipherClass Class) { return Registry().DisplayName(Class); }

std::string CipherClassEntryText(TCipherClass Class) { return Registry().EntryText(Class); }

std::vector<TCipherClassEntry> CipherClassList() {
  std::vector<TCipherClassEntry> out;
  for (const auto& e : Registry().Entries()) out.push_back({e.DisplayName, e.Note, e.Class});
  return out;
}

TCipherClass DefaultCipherClass() { return FindCipherClass("TCipher_Blowfish"); }
