// The hash registry and the library's start-up table of hash classes, in the
// order the lists rely on.
#include <mutex>

#include "crypto/ClassRegistry.h"
#include "crypto/THash.h"
#include "crypto/hash/THash_CRC16_CCITT.h"
#include "crypto/hash/THash_CRC32.h"
#include "crypto/hash/THash_Haval256.h"
#include "crypto/hash/THash_MD4.h"
#include "crypto/hash/THash_MD5.h"
#include "crypto/hash/THash_RipeMD128.h"
#include "crypto/hash/THash_RipeMD160.h"
#include "crypto/hash/THash_RipeMD256.h"
#include "crypto/hash/THash_RipeMD320.h"
#include "crypto/hash/THash_SHA.h"
#include "crypto/hash/THash_SHA1.h"
#include "crypto/hash/THash_Sapphire320.h"
#include "crypto/hash/THash_Snefru.h"
#include "crypto/hash/THash_Square.h"
#include "crypto/hash/THash_Tiger.h"
#include "crypto/hash/THash_XOR16.h"
#include "crypto/hash/THash_XOR32.h"
#include "crypto/hash/Thash_CRC16_Standard.h"

namespace {

struct TStandardHash {
  THashClass (*Class)();
  const char* DisplayName;
  const char* Note;
};

const TStandardHash kStandardHashes[] = {
    {THash_MD4::StaticClass, "Message Digest 4", "Hash"},
    {THash_MD5::StaticClass, "Message Digest 5", "Hash"},
    {THash_SHA::StaticClass, "Secure Hash Algorithm", "Hash"},
    {THash_SHA1::StaticClass, "Secure Hash Algorithm 1", "Hash"},
    {THash_RipeMD128::StaticClass, "Ripe Message Digest 128", "Hash"},
    {THash_RipeMD160::StaticClass, "Ripe Message Digest 160", "Hash"},
    {THash_RipeMD256::StaticClass, "Ripe Message Digest 256", "Hash"},
    {THash_RipeMD320::StaticClass, "Ripe Message Digest 320", "Hash"},
    {THash_Haval128::StaticClass, "Haval-128", "Hash"},
    {THash_Haval160::StaticClass, "Haval-160", "Hash"},
    {THash_Haval192::StaticClass, "Haval-192", "Hash"},
    {THash_Haval224::StaticClass, "Haval-224", "Hash"},
    {THash_Haval256::StaticClass, "Haval-256", "Hash"},
    {THash_Sapphire128::StaticClass, "Sapphire II-128", "Hash"},
    {THash_Sapphire160::StaticClass, "Sapphire II-160", "Hash"},
    {THash_Sapphire192::StaticClass, "Sapphire II-192", "Hash"},
    {THash_Sapphire224::StaticClass, "Sapphire II-224", "Hash"},
    {THash_Sapphire256::StaticClass, "Sapphire II-256", "Hash"},
    {THash_Sapphire288::StaticClass, "Sapphire II-288", "Hash"},
    {THash_Sapphire320::StaticClass, "Sapphire II-320", "Hash"},
    {THash_Snefru::StaticClass, "Snefru-256", "Hash"},
    {THash_Square::StaticClass, "Square", "Hash"},
    {THash_Tiger::StaticClass, "Tiger", "Hash"},
    {THash_XOR16::StaticClass, "XOR-16", "Checksum"},
    {THash_XOR32::StaticClass, "XOR-32", "Checksum"},
    {THash_CRC16_CCITT::StaticClass, "CRC-16 CCITT", "Checksum"},
    {Thash_CRC16_Standard::StaticClass, "CRC-16 Standard", "Checksum"},
    {THash_CRC32::StaticClass, "CRC-32", "Checksum"},
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

THashClass DefaultHashClass() { return THash_RipeMD256::StaticClass(); }
