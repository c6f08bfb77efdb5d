#include "crypto/TProtection.h"

#include <vector>

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
    std::vector<uint8_t> buffer(kPieceSize, 0);
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
  throw EProtection("ProcessFile: not available yet");
}

std::string TProtection::ProcessString(const std::string& Value, TCodeAction Action, int Format) {
  throw EProtection("ProcessString: not available yet");
}
