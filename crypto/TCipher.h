// TCipher: the base of every block and stream cipher, its eight modes and the
// cipher registry.
//
// How a concrete cipher plugs in
// ------------------------------
// A cipher supplies its sizes, its key schedule and one-block coding; modes,
// IV, feedback, pass-phrase keys, wiping and the protection chain live here.
//
//   // crypto/cipher/TCipher_Blowfish.h
//   #include "crypto/TCipher.h"
//   class TCipher_Blowfish : public TCipher {
//     CIPHER_CLASS(TCipher_Blowfish, TCipher)
//    public:
//     void Init(const void* Key, int Size, const void* IVector) override;
//     void EncryptBlock(void* Data) override;   // BlockSize bytes in place
//     void DecryptBlock(void* Data) override;
//   };
//
//   // crypto/cipher/TCipher_Blowfish.cpp
//   //                  class,            parent,  block, key, state [, min key]
//   CIPHER_DEFINE_CLASS(TCipher_Blowfish, TCipher, 8, 56, 4168)
//   void TCipher_Blowfish::Init(const void* Key, int Size, const void* IVector) {
//     PrepareInit(Size);          // wipes, clamps Size to 0..KeySize, raises if
//                                 // Size < the class's minimum key size
//     uint32_t* s = KeyScheduleAs<uint32_t>();   // StateSize bytes, zeroed
//     ... build the schedule from the first Size bytes of Key ...
//     CompleteInit(IVector);      // IV := E(0xFF..) or IVector; sets initialized
//   }
//
// - The sizes are class-level facts held by the class descriptor
//   (TCipherClassInfo, what "class of TCipher" is): Blowfish::StaticClass()->
//   BlockSize, ->GetSizes(b, k, s), ->Create(password). An instance reads them
//   with BlockSize(), KeySize(), StateSize().
// - The optional sixth argument is the shortest key Init accepts (default 1,
//   so that an empty key raises instead of dividing by zero); give 0 for a
//   cipher that defines a schedule for an empty key.
// - Key material belongs in KeySchedule() (wiped by WipeState). A cipher with
//   state of its own overrides WipeState (call TCipher::WipeState first) and,
//   when coding changes its schedule (stream ciphers), ResetFeedback (call
//   TCipher::ResetFeedback first, then restore the saved schedule).
// - Extra fields get default member initialisers; CIPHER_CLASS supplies the
//   constructors (Self(TProtection* = nullptr), and a protected one that
//   subclasses chain through). A subclass of a concrete cipher uses
//   CIPHER_CLASS(Sub, Parent) and CIPHER_DEFINE_CLASS(Sub, Parent, ...) the same way.
// - Words, tables and helpers shared by several algorithms: CodingRoutines.h.
// - Registration in the cipher registry is done by the library's start-up
//   table (CipherClasses.cpp), in the order the program's lists rely on.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "crypto/TProtection.h"

class TCipher;
class THash;
struct THashClassInfo;
using THashClass = const THashClassInfo*;

enum TCipherMode : uint8_t {
  cmCTS,     // block chaining with a double XOR: F := C xor F
  cmCBC,     // cipher block chaining
  cmCFB,     // 8-bit cipher feedback
  cmOFB,     // 8-bit output feedback
  cmECB,     // electronic code book
  cmCTSMAC,  // cmCTS chaining, data unchanged
  cmCBCMAC,  // cmCBC chaining, data unchanged
  cmCFBMAC   // cmCFB chaining, data unchanged
};

// Failure codes of ECipherException.
constexpr int errInvalidKeySize = 2;
constexpr int errNotInitialized = 3;

class ECipherException : public Exception {
 public:
  ECipherException(int Code, std::string Message)
      : Exception(std::move(Message)), failure_code_(Code) {}
  int FailureCode() const { return failure_code_; }

 private:
  int failure_code_;
};
[[noreturn]] void RaiseCipherError(int Code, const std::string& Message);

// The class descriptor of a cipher: "class of TCipher".
struct TCipherClassInfo : TClassInfo {
  int BlockSize = 0;
  int KeySize = 0;
  int StateSize = 0;
  // Makes a new object without a key; null for an abstract class.
  TCipher* (*NewInstance)(TProtection* AProtection) = nullptr;
  // The shortest key the class's Init accepts.
  int MinKeySize = 1;

  void GetSizes(int& ABlockSize, int& AKeySize, int& AStateSize) const {
    ABlockSize = BlockSize;
    AKeySize = KeySize;
    AStateSize = StateSize;
  }
  int GetMaxKeySize() const { return KeySize; }
  // A new object chained to AProtection; a non-empty Password installs a key
  // through InitKey.
  TProtectionRef<TCipher> Create(const std::string& Password = {},
                                 TProtection* AProtection = nullptr) const;
};
using TCipherClass = const TCipherClassInfo*;

class TCipher : public TProtection {
 public:
  using inherited = TProtection;
  static TCipherClass StaticClass();
  TClass ClassType() const override { return StaticClass(); }
  TCipherClass CipherClassType() const { return static_cast<TCipherClass>(ClassType()); }

  explicit TCipher(TProtection* AProtection = nullptr) : TCipher(StaticClass(), AProtection) {}
  ~TCipher() override;

  TCipherMode Mode() const { return mode_; }
  void SetMode(TCipherMode Value) { mode_ = Value; }
  int BlockSize() const { return block_size_; }
  int KeySize() const { return key_size_; }
  int StateSize() const { return state_size_; }
  int GetMaxKeySize() const { return key_size_; }

  THashClass HashClass() const { return hash_class_; }
  // The hash used by InitKey, created on first use.
  THash* GetHashObject();
  void UseHashClass(THashClass Class);

  bool GetStateFlag(int Index) const { return (state_flags_ >> Index) & 1; }
  virtual void SetStateFlag(int Index, bool Value);
  bool Initialized() const { return GetStateFlag(1); }

  // The initialization vector, the feedback register and the scratch block,
  // BlockSize bytes each.
  const uint8_t* IV() const { return iv_; }
  const uint8_t* Feedback() const { return feedback_; }
  const uint8_t* WorkBlock() const { return work_; }

  // Key from a pass phrase: the hash digest of the phrase (as Windows-1252
  // bytes when every character has one, else as UTF-8) cut to KeySize.
  void InitKey(const std::string& Key, const void* IVector = nullptr);
  // Key schedule from Size bytes of Key; IVector (BlockSize bytes) or null
  // for the IV derived from the key.
  virtual void Init(const void* Key, int Size, const void* IVector);
  // One block in place.
  virtual void EncryptBlock(void* Data);
  virtual void DecryptBlock(void* Data);
  virtual void ResetFeedback();
  virtual void WipeState();

  // Codes Size bytes in the current mode, continuing from the feedback;
  // Source and Dest may be one buffer. Raise error 3 without a key.
  void EncryptData(const void* Source, void* Dest, int64_t Size);
  void DecryptData(const void* Source, void* Dest, int64_t Size);

  void BeginAction(TCodeAction Action) override;
  void EndAction(TCodeAction Action) override;
  void ProcessChunk(void* Buffer, int64_t Size, TCodeAction Action) override;

  // The library's common 32-byte test input.
  static const uint8_t* KnownAnswer();

 protected:
  TCipher(TCipherClass AClass, TProtection* AProtection);

  // First step of every Init: clears the key, clamps Size to 0..KeySize and
  // raises ECipherException (errInvalidKeySize) below the class's minimum.
  void PrepareInit(int& Size);
  // Last step of every Init: the IV, the feedback, the initialized flag.
  virtual void CompleteInit(const void* IVector);

  uint8_t* KeySchedule() { return key_schedule_; }
  template <typename T>
  T* KeyScheduleAs() { return reinterpret_cast<T*>(key_schedule_); }
  uint8_t* MutableIV() { return iv_; }
  uint8_t* MutableFeedback() { return feedback_; }
  uint8_t* MutableWorkBlock() { return work_; }

 private:
  void CheckInitialized() const;
  void FeedbackStep(TCodeAction Action);
  void EncodeModes(const uint8_t* Source, uint8_t* Dest, int64_t Size);
  void DecodeModes(const uint8_t* Source, uint8_t* Dest, int64_t Size);
  template <int kB>
  int64_t ChainEncode(const uint8_t* Source, uint8_t* Dest, int64_t Size);
  template <int kB>
  int64_t ChainDecode(uint8_t* Data, int64_t Size);
  void ShortPiece(const uint8_t* Source, uint8_t* Dest, int64_t Size, bool Decode);

  TCipherMode mode_ = cmCTS;
  THash* hash_object_ = nullptr;  // holds one reference
  THashClass hash_class_ = nullptr;
  int key_size_ = 0;
  int block_size_ = 0;
  int state_size_ = 0;
  uint8_t* work_ = nullptr;
  uint8_t* iv_ = nullptr;
  uint8_t* feedback_ = nullptr;
  uint8_t* key_schedule_ = nullptr;
  uint32_t state_flags_ = 0;
  void* storage_ = nullptr;  // one aligned block for the four buffers
};

namespace crypto_detail {
template <typename T>
TCipher* (*CipherFactory())(TProtection*) {
  if constexpr (std::is_abstract_v<T>)
    return nullptr;
  else
    return [](TProtection* p) -> TCipher* { return new T(p); };
}
}  // namespace crypto_detail

#define CIPHER_CLASS(Self, Base)                                                          \
 public:                                                                                  \
  using inherited = Base;                                                                 \
  static TCipherClass StaticClass();                                                      \
  TClass ClassType() const override { return StaticClass(); }                             \
  explicit Self(TProtection* AProtection = nullptr) : Self(StaticClass(), AProtection) {} \
                                                                                          \
 protected:                                                                               \
  Self(TCipherClass AClass, TProtection* AProtection) : Base(AClass, AProtection) {}      \
                                                                                          \
 public:

#define CIPHER_DEFINE_CLASS(Self, Base, ABlockSize, AKeySize, AStateSize, ...)             \
  TCipherClass Self::StaticClass() {                                                    \
    static const TCipherClassInfo info{{#Self, Base::StaticClass(), nullptr, nullptr},  \
                                       ABlockSize,                                      \
                                       AKeySize,                                        \
                                       AStateSize,                                      \
                                       ::crypto_detail::CipherFactory<Self>()           \
                                           __VA_OPT__(, __VA_ARGS__)};                  \
    return &info;                                                                       \
  }

// Cipher registry. Entries keep their registration order.
struct TCipherClassEntry {
  std::string DisplayName;
  std::string Note;
  TCipherClass Class;
};
// Registers Class under DisplayName (blank: derived from the class name);
// a class registered again keeps its place. False for no class.
bool RegisterCipherClass(TCipherClass Class, const std::string& DisplayName = {},
                         const std::string& Note = {});
// By class name (prefix up to the first "_" dropped), then by display name,
// ignoring case; null when none matches.
TCipherClass FindCipherClass(const std::string& Name);
std::string CipherClassDisplayName(TCipherClass Class);
// The registry entry of Class as "display name=note"; empty when none.
std::string CipherClassEntryText(TCipherClass Class);
std::vector<TCipherClassEntry> CipherClassList();
TCipherClass DefaultCipherClass();
