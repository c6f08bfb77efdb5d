// THash: the base of every message digest and checksum, TMAC, and the hash
// registry.
//
// How a concrete hash plugs in
// ----------------------------
//   // crypto/hash/THash_MD4.h
//   #include "crypto/THash.h"
//   class THash_MD4 : public THash {
//     HASH_CLASS(THash_MD4, THash)
//    public:
//     void Reset() override;      // own initial state, then THash::Reset()
//     void Update(const void* Data, int64_t Size) override;  // Size <= 0: nothing
//     void Finish() override;     // padding and length, then THash::Finish()
//     uint8_t* GetDigest() override;   // DigestSize() bytes, valid after Finish
//     ~THash_MD4() override;      // optional; BeforeDestruction zeroes the digest
//    protected:
//     virtual void CompressBlock(const void* Block);   // family slots as needed
//    private:
//     uint64_t Count = 0; uint8_t Buffer[64]; uint32_t Digest[10];
//   };
//
//   // crypto/hash/THash_MD4.cpp
//   //                class,     parent, digest size
//   HASH_DEFINE_CLASS(THash_MD4, THash, 16)
//
// - DigestSize is a class-level fact held by the class descriptor
//   (THashClassInfo, what "class of THash" is): THash_MD4::StaticClass()->
//   DigestSize, ->Create(), ->DigestOfString(...). An instance reads it with
//   DigestSize(). A subclass with another digest size gives its own number in
//   HASH_DEFINE_CLASS.
// - A new object needs no Reset before use: BeginAction and DigestOfString
//   call Reset; direct callers call Reset first.
// - Registration in the hash registry is done by the library's start-up table
//   (HashClasses.cpp), in the order the lists rely on.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "crypto/TProtection.h"

class THash;

// The class descriptor of a hash: "class of THash".
struct THashClassInfo : TClassInfo {
  int DigestSize = 0;
  // Makes a new object; null for an abstract class.
  THash* (*NewInstance)(TProtection* AProtection) = nullptr;

  TProtectionRef<THash> Create(TProtection* AProtection = nullptr) const;
  // The digest of the bytes of Value in string format Format (TStringFormat.h;
  // -1 the default, 1 the raw bytes). A temporary object chained to
  // AProtection computes it; AProtection is left as the caller had it.
  std::string DigestOfString(const std::string& Value, TProtection* AProtection = nullptr,
                             int Format = -1) const;
};
using THashClass = const THashClassInfo*;

class THash : public TProtection {
 public:
  using inherited = TProtection;
  static THashClass StaticClass();
  TClass ClassType() const override { return StaticClass(); }
  THashClass HashClassType() const { return static_cast<THashClass>(ClassType()); }

  explicit THash(TProtection* AProtection = nullptr) : THash(StaticClass(), AProtection) {}
  // Zeroes the digest bytes.
  void BeforeDestruction() override;

  int DigestSize() const { return HashClassType()->DigestSize; }

  // Starts a new digest; the base runs the keying hook of a chained TMAC.
  virtual void Reset();
  virtual void Update(const void* Data, int64_t Size);
  // Completes the digest; the base runs the sealing hook of the chain.
  virtual void Finish();
  // The digest bytes (DigestSize of them); the base has none and returns the
  // common test input.
  virtual uint8_t* GetDigest();

  void BeginAction(TCodeAction Action) override;
  void EndAction(TCodeAction Action) override;
  void ProcessChunk(void* Buffer, int64_t Size, TCodeAction Action) override;

  // The library's common 32-byte test input.
  static const uint8_t* KnownAnswer();

 protected:
  THash(THashClass AClass, TProtection* AProtection);
};

namespace crypto_detail {
template <typename T>
THash* (*HashFactory())(TProtection*) {
  if constexpr (std::is_abstract_v<T>)
    return nullptr;
  else
    return [](TProtection* p) -> THash* { return new T(p); };
}
}  // namespace crypto_detail

#define HASH_CLASS(Self, Base)                                                            \
 public:                                                                                  \
  using inherited = Base;                                                                 \
  static THashClass StaticClass();                                                        \
  TClass ClassType() const override { return StaticClass(); }                             \
  explicit Self(TProtection* AProtection = nullptr) : Self(StaticClass(), AProtection) {} \
                                                                                          \
 protected:                                                                               \
  Self(THashClass AClass, TProtection* AProtection) : Base(AClass, AProtection) {}        \
                                                                                          \
 public:

#define HASH_DEFINE_CLASS(Self, Base, ADigestSize)                                   \
  THashClass Self::StaticClass() {                                                   \
    static const THashClassInfo info{{#Self, Base::StaticClass(), nullptr, nullptr}, \
                                     ADigestSize, ::crypto_detail::HashFactory<Self>()}; \
    return &info;                                                                    \
  }

// The parent of the checksum classes; adds nothing.
class TChecksum : public THash {
  HASH_CLASS(TChecksum, THash)
};

// Keys a hash with a pass phrase when the hash is chained to it.
class TMAC : public TProtection {
  RTL_CLASS(TMAC, TProtection)
 public:
  using TProtection::TProtection;
  ~TMAC() override;

  const std::string& PassPhrase() const { return pass_phrase_; }
  void SetPassPhrase(const std::string& Value);

  // Mixes the digest of the pass phrase into Hash's initial state.
  virtual void PrepareHash(THash* Hash);
  // Codes Hash's finished digest through this object's chained object.
  virtual void SealDigest(THash* Hash);

 private:
  std::string pass_phrase_;
};

// Hash registry, built like the cipher registry.
struct THashClassEntry {
  std::string DisplayName;
  std::string Note;
  THashClass Class;
};
bool RegisterHashClass(THashClass Class, const std::string& DisplayName = {},
                       const std::string& Note = {});
THashClass FindHashClass(const std::string& Name);
std::string HashClassDisplayName(THashClass Class);
std::string HashClassEntryText(THashClass Class);
std::vector<THashClassEntry> HashClassList();
// THash_RipeMD256.
THashClass DefaultHashClass();
