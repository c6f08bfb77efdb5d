#include "crypto/THash.h"

#include <algorithm>
#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/TStringFormat.h"

namespace {
constexpr uint8_t kTestInput[32] = {0x30, 0x44, 0xED, 0x6E, 0x45, 0xA4, 0x96, 0xF5,
                                    0xF6, 0x35, 0xA2, 0xEB, 0x3D, 0x1A, 0x5D, 0xD6,
                                    0xCB, 0x1D, 0x09, 0x82, 0x2D, 0xBD, 0xF5, 0x60,
                                    0xC2, 0xB8, 0x58, 0xA1, 0x91, 0xF9, 0x81, 0xB1};

void WipeString(std::string& s) {
  for (char v : {'\xAA', '\x55', '\x00'}) {
    std::fill(s.begin(), s.end(), v);
    asm volatile("" : : "r"(s.data()) : "memory");
  }
  s.clear();
}
}  // namespace

THashClass THash::StaticClass() {
  static const THashClassInfo info{{"THash", TProtection::StaticClass(), nullptr, nullptr},
                                   0, ::crypto_detail::HashFactory<THash>()};
  return &info;
}

HASH_DEFINE_CLASS(TChecksum, THash, 0)
RTL_DEFINE_CLASS(TMAC, TProtection)

TProtectionRef<THash> THashClassInfo::Create(TProtection* AProtection) const {
  if (!NewInstance)
    throw EProtection("Can not create an object of the abstract class " + std::string(Name));
  return TProtectionRef<THash>(NewInstance(AProtection));
}

std::string THashClassInfo::DigestOfString(const std::string& Value, TProtection* AProtection,
                                           int Format) const {
  // The temporary object's chain holds AProtection only for the duration; the
  // caller's own hold on it is left as it was, so an object nobody else
  // references is not freed behind the caller's back.
  if (AProtection) AProtection->AddRef();
  std::string result;
  try {
    TProtectionRef<THash> h = Create(AProtection);
    h->Reset();
    h->Update(Value.data(), static_cast<int64_t>(Value.size()));
    h->Finish();
    result = BinaryToFormat(h->GetDigest(), h->DigestSize(), Format);
  } catch (...) {
    if (AProtection) AProtection->ReleaseKeep();
    throw;
  }
  if (AProtection) AProtection->ReleaseKeep();
  return result;
}

THash::THash(THashClass AClass, TProtection* AProtection) : TProtection(AProtection) {}

void THash::BeforeDestruction() {
  TProtection::BeforeDestruction();
  const int n = DigestSize();
  if (n > 0) {
    uint8_t* d = GetDigest();
    std::memset(d, 0, static_cast<size_t>(n));
    asm volatile("" : : "r"(d) : "memory");
  }
}

const uint8_t* THash::KnownAnswer() { return kTestInput; }

void THash::Reset() {
  if (TMAC* mac = dynamic_cast<TMAC*>(GetChained())) mac->PrepareHash(this);
}

void THash::Update(const void* Data, int64_t Size) {}

void THash::Finish() {
  TProtection* c = GetChained();
  if (!c) return;
  if (TMAC* mac = dynamic_cast<TMAC*>(c))
    mac->SealDigest(this);
  else
    c->ProcessBuffer(GetDigest(), DigestSize(), caScramble);
}

uint8_t* THash::GetDigest() {
  // The base has no digest: a private copy of the test input.
  static uint8_t copy[32];
  std::memcpy(copy, kTestInput, sizeof copy);
  return copy;
}

void THash::BeginAction(TCodeAction Action) {
  Reset();
  if (Action == caWipe) XorWithRandom(TimeSeed(), GetDigest(), DigestSize());
  inherited::BeginAction(Action);
}

void THash::EndAction(TCodeAction Action) {
  inherited::EndAction(Action);
  if (Action == caCalculate)
    Finish();
  else
    Reset();
}

void THash::ProcessChunk(void* Buffer, int64_t Size, TCodeAction Action) {
  if (Action != caDecode) inherited::ProcessChunk(Buffer, Size, Action);
  if (Actions().Contains(Action) && Buffer) {
    uint8_t* p = static_cast<uint8_t*>(Buffer);
    const int64_t n = DigestSize();
    switch (Action) {
      case caScramble:
      case caWipe:
        for (int64_t done = 0; n > 0 && done < Size;) {
          const int64_t k = std::min(n, Size - done);
          Update(p + done, k);
          Finish();
          std::memcpy(p + done, GetDigest(), static_cast<size_t>(k));
          done += k;
        }
        break;
      case caCalculate:
        Update(p, Size);
        break;
      case caEncode:
      case caDecode:
        for (int64_t done = 0; n > 0 && done < Size;) {
          const int64_t k = std::min(n, Size - done);
          Update(GetDigest(), n);
          Finish();
          XorBlocks(p + done, GetDigest(), k, p + done);
          done += k;
        }
        break;
    }
  }
  if (Action == caDecode && Buffer) inherited::ProcessChunk(Buffer, Size, Action);
}

TMAC::~TMAC() { WipeString(pass_phrase_); }

void TMAC::SetPassPhrase(const std::string& Value) {
  WipeString(pass_phrase_);
  pass_phrase_ = Value;
}

void TMAC::PrepareHash(THash* Hash) {
  if (pass_phrase_.empty() || !Hash) return;
  std::string s = Hash->HashClassType()->DigestOfString(pass_phrase_, GetChained(), 1);
  const int n = std::min<int>(static_cast<int>(s.size()), Hash->DigestSize());
  XorBlocks(Hash->GetDigest(), s.data(), n, Hash->GetDigest());
  WipeString(s);
}

void TMAC::SealDigest(THash* Hash) {
  if (GetChained() && Hash) GetChained()->ProcessBuffer(Hash->GetDigest(), Hash->DigestSize(), caScramble);
}
