#include "crypto/TCipher.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "crypto/ClassRegistry.h"
#include "crypto/CodingRoutines.h"
#include "crypto/PassPhrase.h"
#include "crypto/THash.h"
#include "rtl/Wipe.h"

namespace {

// A fill the optimiser may not drop although the bytes are overwritten again.
void WipeFill(uint8_t* p, uint8_t value, int n) {
  if (n <= 0) return;
  std::memset(p, value, static_cast<size_t>(n));
  asm volatile("" : : "r"(p) : "memory");
}

// The library's common 32-byte test input.
constexpr uint8_t kTestInput[32] = {0x30, 0x44, 0xED, 0x6E, 0x45, 0xA4, 0x96, 0xF5,
                                    0xF6, 0x35, 0xA2, 0xEB, 0x3D, 0x1A, 0x5D, 0xD6,
                                    0xCB, 0x1D, 0x09, 0x82, 0x2D, 0xBD, 0xF5, 0x60,
                                    0xC2, 0xB8, 0x58, 0xA1, 0x91, 0xF9, 0x81, 0xB1};

constexpr std::align_val_t kAlign{64};

}  // namespace

TCipherClass TCipher::StaticClass() {
  static const TCipherClassInfo info{{"TCipher", TProtection::StaticClass(), nullptr, nullptr},
                                     0, 0, 0, ::crypto_detail::CipherFactory<TCipher>()};
  return &info;
}

TProtectionRef<TCipher> TCipherClassInfo::Create(const std::string& Password,
                                                 TProtection* AProtection) const {
  if (!NewInstance) throw EProtection("Can not create an object of the abstract class " + std::string(Name));
  TProtectionRef<TCipher> c(NewInstance(AProtection));
  if (!Password.empty()) c->InitKey(Password, nullptr);
  return c;
}

[[noreturn]] void RaiseCipherError(int Code, const std::string& Message) {
  throw ECipherException(Code, Message);
}

TCipher::TCipher(TCipherClass AClass, TProtection* AProtection) : TProtection(AProtection) {
  hash_class_ = DefaultHashClass();
  AClass->GetSizes(block_size_, key_size_, state_size_);
  // One block: key schedule first (aligned for word access), then the work
  // block, the IV, the feedback and a private scratch block.
  const size_t ks = (static_cast<size_t>(state_size_) + 63) & ~size_t{63};
  const size_t total = ks + 4 * static_cast<size_t>(block_size_);
  if (total > 0) {
    storage_ = ::operator new(total, kAlign);
    uint8_t* base = static_cast<uint8_t*>(storage_);
    key_schedule_ = base;
    work_ = base + ks;
    iv_ = work_ + block_size_;
    feedback_ = iv_ + block_size_;
  }
  TCipher::WipeState();
}

TCipher::~TCipher() {
  TCipher::WipeState();
  if (storage_) ::operator delete(storage_, kAlign);
  THash* h = hash_object_;
  hash_object_ = nullptr;
  if (h) h->Release();
}

const uint8_t* TCipher::KnownAnswer() { return kTestInput; }

THash* TCipher::GetHashObject() {
  if (!hash_object_) {
    THashClass cls = hash_class_ ? hash_class_ : DefaultHashClass();
    if (!cls || !cls->NewInstance) throw EProtection("No hash class for the cipher's key");
    THash* h = cls->NewInstance(nullptr);
    h->AddRef();
    hash_object_ = h;
  }
  return hash_object_;
}

void TCipher::UseHashClass(THashClass Class) {
  if (Class == hash_class_) return;
  THash* h = hash_object_;
  hash_object_ = nullptr;
  if (h) h->Release();
  hash_class_ = Class ? Class : DefaultHashClass();
}

void TCipher::SetStateFlag(int Index, bool Value) {
  if (Value)
    state_flags_ |= uint32_t{1} << Index;
  else
    state_flags_ &= ~(uint32_t{1} << Index);
}

void TCipher::WipeState() {
  state_flags_ = 0;
  const int b = block_size_;
  for (uint8_t v : {uint8_t{0xAA}, uint8_t{0x55}}) {
    WipeFill(iv_, v, b);
    WipeFill(feedback_, v, b);
    WipeFill(work_, v, b);
    WipeFill(key_schedule_, v, state_size_);
  }
  WipeFill(iv_, 0xFF, b);
  WipeFill(feedback_, 0xFF, b);
  WipeFill(work_, 0x00, b);
  WipeFill(work_ + 3 * b, 0x00, b);  // the private scratch block
  WipeFill(key_schedule_, 0x00, state_size_);
}

void TCipher::PrepareInit(int& Size) {
  SetStateFlag(1, false);
  WipeState();
  if (Size < 0) Size = 0;
  if (Size > key_size_) Size = key_size_;
  const int minimum = CipherClassType()->MinKeySize;
  if (Size < minimum)
    RaiseCipherError(errInvalidKeySize, ClassName() + " needs a key of at least " +
                                            std::to_string(minimum) + " bytes, got " +
                                            std::to_string(Size) + ".");
}

void TCipher::CompleteInit(const void* IVector) {
  if (IVector)
    std::memcpy(iv_, IVector, static_cast<size_t>(block_size_));
  else
    EncryptBlock(iv_);
  std::memcpy(feedback_, iv_, static_cast<size_t>(block_size_));
  SetStateFlag(1, true);
}

void TCipher::Init(const void* Key, int Size, const void* IVector) {}
void TCipher::EncryptBlock(void* Data) {}
void TCipher::DecryptBlock(void* Data) {}

void TCipher::InitKey(const std::string& Key, const void* IVector) {
  // The phrase's bytes are cleared when they have been hashed.
  struct TPhrase {
    std::string bytes;
    ~TPhrase() { WipeString(bytes); }
  } phrase{PassPhraseBytes(Key)};
  const std::string& bytes = phrase.bytes;
  THash* h = GetHashObject();
  h->Reset();
  h->Update(bytes.data(), static_cast<int64_t>(bytes.size()));
  h->Finish();
  const int digestSize = h->DigestSize();
  Init(h->GetDigest(), std::min(key_size_, digestSize), IVector);
  EncryptData(h->GetDigest(), h->GetDigest(), digestSize);
  ResetFeedback();
  // The hash still holds the phrase's last block in its buffer: a reset
  // clears it, so that the phrase is only where the caller keeps it.
  h->Reset();
}

void TCipher::ResetFeedback() {
  if (block_size_ > 0 && std::memcmp(feedback_, iv_, static_cast<size_t>(block_size_)) != 0) {
    std::memcpy(work_, feedback_, static_cast<size_t>(block_size_));
    std::memcpy(feedback_, iv_, static_cast<size_t>(block_size_));
  }
}

void TCipher::CheckInitialized() const {
  if (!Initialized() || block_size_ <= 0)
    RaiseCipherError(errNotInitialized,
                     ClassName() + " is not initialized call Init() or InitKey() before.");
}

void TCipher::FeedbackStep(TCodeAction Action) {
  if (Action == caCalculate) return;
  if (Action == caWipe)
    XorWithRandom(TimeSeed(), feedback_, block_size_);
  else
    ResetFeedback();
}

void TCipher::BeginAction(TCodeAction Action) {
  CheckInitialized();
  FeedbackStep(Action);
  inherited::BeginAction(Action);
}

void TCipher::EndAction(TCodeAction Action) {
  inherited::EndAction(Action);
  FeedbackStep(Action);
}

void TCipher::ProcessChunk(void* Buffer, int64_t Size, TCodeAction Action) {
  if (Action == caDecode) {
    if (Actions().Contains(caDecode)) DecryptData(Buffer, Buffer, Size);
    inherited::ProcessChunk(Buffer, Size, Action);
  } else {
    inherited::ProcessChunk(Buffer, Size, Action);
    if (!Actions().Contains(Action)) return;
    if (Action == caCalculate) {
      // Calculating only reads the data: the feedback runs on over a copy.
      std::vector<uint8_t> copy(static_cast<const uint8_t*>(Buffer),
                                static_cast<const uint8_t*>(Buffer) + (Size > 0 ? Size : 0));
      EncryptData(copy.data(), copy.data(), Size);
    } else {
      EncryptData(Buffer, Buffer, Size);
    }
  }
}

// Final piece of n < B bytes (both directions): W := F; E(W);
// out := in xor W; F := W xor F. A MAC mode passes no output.
void TCipher::ShortPiece(const uint8_t* Source, uint8_t* Dest, int64_t Size, bool) {
  const int b = block_size_;
  std::memcpy(work_, feedback_, static_cast<size_t>(b));
  EncryptBlock(work_);
  if (Dest) XorBlocks(Source, work_, Size, Dest);
  XorBlocks(work_, feedback_, b, feedback_);
}

namespace {
// d := a xor b over n bytes (kB when it is not 0, so that the common block
// sizes compile to a few word operations).
template <int kB>
inline void XorN(uint8_t* d, const uint8_t* a, const uint8_t* b, int n) {
  if constexpr (kB == 16) {
    // One 16-byte store, so that the cipher's 16-byte load of the block is
    // forwarded from it (two 8-byte stores would stall that load).
    typedef uint8_t V16 __attribute__((vector_size(16)));
    V16 x, y;
    std::memcpy(&x, a, 16);
    std::memcpy(&y, b, 16);
    x ^= y;
    std::memcpy(d, &x, 16);
    return;
  }
  const int len = kB ? kB : n;
  int i = 0;
  for (; i + 8 <= len; i += 8) {
    uint64_t x, y;
    std::memcpy(&x, a + i, 8);
    std::memcpy(&y, b + i, 8);
    x ^= y;
    std::memcpy(d + i, &x, 8);
  }
  for (; i < len; ++i) d[i] = a[i] ^ b[i];
}

// F[i] := F[i+1]; F[B-1] := last.
inline void ShiftIn(uint8_t* F, int b, uint8_t last) {
  std::memmove(F, F + 1, static_cast<size_t>(b - 1));
  F[b - 1] = last;
}
}  // namespace

void TCipher::EncryptData(const void* Source, void* Dest, int64_t Size) {
  CheckInitialized();
  if (Size <= 0) return;
  EncodeModes(static_cast<const uint8_t*>(Source), static_cast<uint8_t*>(Dest), Size);
}

void TCipher::DecryptData(const void* Source, void* Dest, int64_t Size) {
  CheckInitialized();
  if (Size <= 0) return;
  DecodeModes(static_cast<const uint8_t*>(Source), static_cast<uint8_t*>(Dest), Size);
}

// Full blocks of cmCTS and cmCBC; returns the bytes done.
template <int kB>
int64_t TCipher::ChainEncode(const uint8_t* s, uint8_t* d, int64_t Size) {
  const int b = kB ? kB : block_size_;
  uint8_t* F = feedback_;
  const bool cts = mode_ == cmCTS;
  int64_t done = 0;
  for (; Size - done >= b; done += b) {
    XorN<kB>(d + done, s + done, F, b);
    EncryptBlock(d + done);
    if (cts)
      XorN<kB>(F, d + done, F, b);
    else
      std::memcpy(F, d + done, static_cast<size_t>(b));
  }
  return done;
}

template <int kB>
int64_t TCipher::ChainDecode(uint8_t* d, int64_t Size) {
  const int b = kB ? kB : block_size_;
  uint8_t* F = feedback_;
  uint8_t* C = work_ + 3 * block_size_;  // private scratch: the ciphertext block
  const bool cts = mode_ == cmCTS;
  int64_t done = 0;
  for (; Size - done >= b; done += b) {
    std::memcpy(C, d + done, static_cast<size_t>(b));
    DecryptBlock(d + done);
    XorN<kB>(d + done, d + done, F, b);
    if (cts)
      XorN<kB>(F, C, F, b);
    else
      std::memcpy(F, C, static_cast<size_t>(b));
  }
  return done;
}

void TCipher::EncodeModes(const uint8_t* s, uint8_t* d, int64_t Size) {
  const int b = block_size_;
  uint8_t* F = feedback_;
  uint8_t* W = work_;
  switch (mode_) {
    case cmCTS:
    case cmCBC: {
      int64_t done;
      if (b == 8)
        done = ChainEncode<8>(s, d, Size);
      else if (b == 16)
        done = ChainEncode<16>(s, d, Size);
      else
        done = ChainEncode<0>(s, d, Size);
      if (Size > done) ShortPiece(s + done, d + done, Size - done, false);
      break;
    }
    case cmECB:
      if (s != d) std::memmove(d, s, static_cast<size_t>(Size));
      for (; Size >= b; Size -= b, d += b) EncryptBlock(d);
      // A short final piece takes the chaining modes' rule, so it decodes.
      if (Size > 0) ShortPiece(d, d, Size, false);
      break;
    case cmCFB:
      for (int64_t i = 0; i < Size; ++i) {
        std::memcpy(W, F, static_cast<size_t>(b));
        EncryptBlock(W);
        const uint8_t c = s[i] ^ W[0];
        d[i] = c;
        ShiftIn(F, b, c);
      }
      break;
    case cmOFB:
      for (int64_t i = 0; i < Size; ++i) {
        std::memcpy(W, F, static_cast<size_t>(b));
        EncryptBlock(W);
        d[i] = s[i] ^ W[0];
        ShiftIn(F, b, W[0]);
      }
      break;
    case cmCTSMAC:
    case cmCBCMAC:
      for (; Size >= b; Size -= b, s += b) {
        XorBlocks(s, F, b, W);
        EncryptBlock(W);
        if (mode_ == cmCTSMAC)
          XorBlocks(W, F, b, F);
        else
          std::memcpy(F, W, static_cast<size_t>(b));
      }
      if (Size > 0) ShortPiece(s, nullptr, Size, false);
      break;
    case cmCFBMAC:
      for (int64_t i = 0; i < Size; ++i) {
        std::memcpy(W, F, static_cast<size_t>(b));
        EncryptBlock(W);
        ShiftIn(F, b, static_cast<uint8_t>(s[i] ^ W[0]));
      }
      break;
  }
}

void TCipher::DecodeModes(const uint8_t* s, uint8_t* d, int64_t Size) {
  const int b = block_size_;
  uint8_t* F = feedback_;
  uint8_t* W = work_;
  switch (mode_) {
    case cmCTS:
    case cmCBC: {
      if (s != d) std::memmove(d, s, static_cast<size_t>(Size));
      int64_t done;
      if (b == 8)
        done = ChainDecode<8>(d, Size);
      else if (b == 16)
        done = ChainDecode<16>(d, Size);
      else
        done = ChainDecode<0>(d, Size);
      if (Size > done) ShortPiece(d + done, d + done, Size - done, true);
      break;
    }
    case cmECB:
      if (s != d) std::memmove(d, s, static_cast<size_t>(Size));
      for (; Size >= b; Size -= b, d += b) DecryptBlock(d);
      if (Size > 0) ShortPiece(d, d, Size, true);
      break;
    case cmCFB:
      for (int64_t i = 0; i < Size; ++i) {
        std::memcpy(W, F, static_cast<size_t>(b));
        EncryptBlock(W);
        const uint8_t c = s[i];
        ShiftIn(F, b, c);
        d[i] = c ^ W[0];
      }
      break;
    case cmOFB:
      EncodeModes(s, d, Size);
      break;
    case cmCTSMAC:
    case cmCBCMAC:
    case cmCFBMAC:
      EncodeModes(s, d, Size);
      break;
  }
}
