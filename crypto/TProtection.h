// The root of every coding object of the cipher and hash library. A
// protection object codes data under one of five actions and can hand each
// step on to a chained protection object, so that several codings run over
// the same data in one pass.
//
// Lifetime: protection objects are reference counted. A new object has a
// count of 0 and belongs to whoever created it (Free() it, or hold it in a
// TProtectionRef). Chaining takes a reference; releasing the last reference
// frees the object. TProtectionRef<T> is the owning handle for C++ code.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "rtl/Exception.h"
#include "rtl/TObject.h"
#include "rtl/TSet.h"

class TStream;

enum TCodeAction : uint8_t { caEncode, caDecode, caScramble, caCalculate, caWipe };
using TCodeActions = TSet<TCodeAction, 8>;

// Progress of a coding: Current of Maximal bytes done; (0, 0) when it ends.
using TProgressEvent = std::function<void(TObject* Sender, int64_t Current, int64_t Maximal)>;

RTL_EXCEPTION(EProtection, Exception);

class TProtection : public TObject {
  RTL_CLASS(TProtection, TObject)
 public:
  explicit TProtection(TProtection* AProtection = nullptr);
  ~TProtection() override;
  // Refuses to free an object that others still reference.
  void BeforeDestruction() override;

  // Reference counting. Release frees the object when the count reaches 0.
  void AddRef();
  void Release();
  int RefCount() const { return ref_count_; }

  TProtection* GetChained() const { return chained_; }
  // Raises EProtection for a chain that would come back to this object.
  void SetChained(TProtection* Value);

  TCodeActions Actions() const { return actions_; }
  void SetActions(TCodeActions Value) { actions_ = Value; }

  virtual void BeginAction(TCodeAction Action);
  virtual void EndAction(TCodeAction Action);
  // Codes Size bytes of Buffer in place.
  virtual void ProcessChunk(void* Buffer, int64_t Size, TCodeAction Action);

  // Codes Size bytes from Source's position into Dest at its position in
  // pieces of 4096 bytes; Size below 0 codes all of Source from its start; a
  // null Dest codes Source in place. Raises EReadError when Source ends early.
  // Progress, when given, is told of each piece.
  virtual void ProcessStream(TStream* Source, TStream* Dest, int64_t Size, TCodeAction Action,
                             const TProgressEvent& Progress = {});
  // Codes the file SourceName into DestName. Equal names, or two names of one
  // file, code in place. A separate destination is written to a temporary
  // file in its folder and renamed over DestName only when coding succeeded.
  // A blank DestName raises EProtection (except for caCalculate, which has
  // no destination). An existing destination keeps its permissions; a new
  // one gets those of any new file (the umask applies), so a caller that
  // wants plain data private creates the destination first (mode 0600).
  virtual void ProcessFile(const std::string& SourceName, const std::string& DestName,
                           TCodeAction Action, const TProgressEvent& Progress = {});
  // Codes a string; Format is a string format id (TStringFormat.h), -1 the
  // default (MIME base 64). caDecode reads Value in Format and returns bytes;
  // the other actions return their result in Format.
  virtual std::string ProcessString(const std::string& Value, TCodeAction Action,
                                    int Format = -1);
  // BeginAction, ProcessChunk, EndAction; returns Size.
  virtual int64_t ProcessBuffer(void* Buffer, int64_t Size, TCodeAction Action);

 protected:
  void ReportProgress(const TProgressEvent& Progress, int64_t Current, int64_t Maximal);

 private:
  friend struct THashClassInfo;
  // Gives back a reference without freeing the object at count 0.
  void ReleaseKeep() { --ref_count_; }

  TProtection* chained_ = nullptr;
  TCodeActions actions_{caEncode, caDecode, caScramble, caCalculate, caWipe};
  int ref_count_ = 0;
};

// Owning handle: holds one reference on a protection object.
template <typename T>
class TProtectionRef {
 public:
  TProtectionRef() = default;
  TProtectionRef(T* p) : p_(p) {  // NOLINT: implicit by design
    if (p_) p_->AddRef();
  }
  TProtectionRef(const TProtectionRef& o) : TProtectionRef(o.p_) {}
  TProtectionRef(TProtectionRef&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  template <typename U>
  TProtectionRef(const TProtectionRef<U>& o) : TProtectionRef(o.get()) {}
  ~TProtectionRef() { reset(); }
  TProtectionRef& operator=(TProtectionRef o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  void reset() {
    T* p = p_;
    p_ = nullptr;
    if (p) p->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// True when Reference is an object of Class or a descendant; false for null.
bool IsObjectOfClass(const TObject* Reference, TClass Class);
// The class name less everything up to and including its first "_"
// ("TCipher_SAFER_K40" gives "SAFER_K40"); empty for null.
std::string ShortClassName(TClass Class);
