#include "crypto/TProtection.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "crypto/TStringFormat.h"
#include "rtl/FileUtils.h"
#include "rtl/StrUtils.h"
#include "rtl/TStream.h"

RTL_DEFINE_CLASS(TProtection, TObject)

namespace {
constexpr int64_t kPieceSize = 4096;
}

TProtection::TProtection(TProtection* AProtection) { SetChained(AProtection); }

TProtection::~TProtection() {
  TProtection* old = chained_;
  chained_ = nullptr;
  if (old) old->Release();
}

void TProtection::BeforeDestruction() {
  if (ref_count_ > 0)
    throw EProtection("Protection Object is still referenced and can not be freed.");
}

void TProtection::AddRef() { ++ref_count_; }

void TProtection::Release() {
  if (--ref_count_ <= 0) {
    ref_count_ = 0;
    Free();
  }
}

void TProtection::SetChained(TProtection* Value) {
  if (Value == chained_) return;
  for (TProtection* p = Value; p; p = p->chained_)
    if (p == this)
      throw EProtection("Circular Protection detected, Protection Object is invalid.");
  if (Value) Value->AddRef();
  TProtection* old = chained_;
  chained_ = Value;
  if (old) old->Release();
}

void TProtection::BeginAction(TCodeAction Action) {
  if (chained_) chained_->BeginAction(Action);
}

void TProtection::EndAction(TCodeAction Action) {
  if (chained_) chained_->EndAction(Action);
}

void TProtection::ProcessChunk(void* Buffer, int64_t Size, TCodeAction Action) {
  if (chained_) chained_->ProcessChunk(Buffer, Size, Action);
}

void TProtection::ReportProgress(const TProgressEvent& Progress, int64_t Current,
                                 int64_t Maximal) {
  if (Progress) Progress(this, Current, Maximal);
}

void TProtection::ProcessStream(TStream* Source, TStream* Dest, int64_t Size,
                                TCodeAction Action, const TProgressEvent& Progress) {
  if (!Source) return;
  if (!Dest) Dest = Source;
  if (Size < 0) {
    Size = Source->Size();
    Source->SetPosition(0);
  }
  BeginAction(Action);
  const int64_t maximal = Size;
  bool reported = false;
  try {
    ReportProgress(Progress, 0, maximal);
    reported = true;
    // The piece buffer holds plain data: it is cleared before it is freed.
    struct TPiece {
      std::vector<uint8_t> bytes = std::vector<uint8_t>(kPieceSize, 0);
      ~TPiece() {
        std::memset(bytes.data(), 0, bytes.size());
        asm volatile("" : : "r"(bytes.data()) : "memory");
      }
      uint8_t* data() { return bytes.data(); }
    } buffer;
    int64_t destPos = Dest->Position();
    int64_t sourcePos = Source->Position();
    while (Size > 0) {
      const int64_t want = Size < kPieceSize ? Size : kPieceSize;
      // Source and Dest may be one stream: each keeps its own position.
      if (Action != caCalculate) Source->SetPosition(sourcePos);
      int64_t n = 0;
      while (n < want) {
        const int64_t got = Source->Read(buffer.data() + n, want - n);
        if (got <= 0) break;
        n += got;
      }
      sourcePos += n;
      // A source that ends before Size bytes would leave the rest uncoded.
      if (n != want)
        throw EReadError("Stream read error: the source ended " +
                         std::to_string(Size - n) + " bytes early");
      ProcessChunk(buffer.data(), n, Action);
      if (Action != caCalculate) {
        Dest->SetPosition(destPos);
        Dest->WriteBuffer(buffer.data(), n);
        destPos += n;
      }
      ReportProgress(Progress, maximal - Size + n, maximal);
      Size -= n;
    }
  } catch (...) {
    if (reported) {
      try {
        ReportProgress(Progress, 0, 0);
      } catch (...) {
      }
      try {
        EndAction(Action);
      } catch (...) {
      }
    }
    throw;
  }
  ReportProgress(Progress, 0, 0);
  EndAction(Action);
}

int64_t TProtection::ProcessBuffer(void* Buffer, int64_t Size, TCodeAction Action) {
  BeginAction(Action);
  try {
    ProcessChunk(Buffer, Size, Action);
  } catch (...) {
    try {
      EndAction(Action);
    } catch (...) {
    }
    throw;
  }
  EndAction(Action);
  return Size;
}

bool IsObjectOfClass(const TObject* Reference, TClass Class) {
  return Reference && Class && Reference->InheritsFrom(Class);
}

std::string ShortClassName(TClass Class) {
  if (!Class) return {};
  std::string name(Class->Name);
  const auto p = name.find('_');
  return p == std::string::npos ? name : name.substr(p + 1);
}

void TProtection::ProcessFile(const std::string& SourceName, const std::string& DestName,
                              TCodeAction Action, const TProgressEvent& Progress) {
  if (Action == caCalculate) {
    // Only read: there is no destination, whatever DestName says.
    TFileStream source(SourceName, fmOpenRead | fmShareDenyNone);
    ProcessStream(&source, &source, source.Size(), Action, Progress);
    return;
  }
  if (Trim(DestName).empty())
    throw EProtection("No destination file given; to code \"" + SourceName +
                      "\" in place, give its own name as the destination.");
  if (SourceName == DestName || IsSameFile(SourceName, DestName)) {
    TFileStream source(SourceName, fmOpenReadWrite | fmShareDenyNone);
    ProcessStream(&source, &source, source.Size(), Action, Progress);
    return;
  }
  // The source is opened first: a missing source leaves the destination alone.
  TFileStream source(SourceName, fmOpenRead | fmShareDenyNone);
  // A destination that could not be opened for writing is not replaced either.
  if (::access(DestName.c_str(), F_OK) == 0 && ::access(DestName.c_str(), W_OK) != 0)
    throw EFCreateError("Cannot create file \"" + DestName + "\". " + std::strerror(errno));
  // Write a new file beside the destination (through a symbolic link to its
  // target) and put it in place only when coding succeeded, so that nothing
  // of an existing destination is lost on failure. An existing destination
  // keeps its permissions; a new one gets those of any newly created file.
  TAtomicFileWriter dest(DestName);
  ProcessStream(&source, dest.Stream(), source.Size(), Action, Progress);
  dest.Commit();
}

std::string TProtection::ProcessString(const std::string& Value, TCodeAction Action, int Format) {
  if (Value.empty()) return {};
  TStringStream stream(Action == caDecode ? FormatToBinary(Value, Format) : Value);
  ProcessStream(&stream, &stream, stream.Size(), Action);
  if (Action == caDecode) return stream.DataString();
  return BinaryToFormat(stream.DataString(), Format);
}
