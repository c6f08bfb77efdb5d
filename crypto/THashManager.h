// THashManager: the component that selects the hash class with which a
// cipher manager turns a pass phrase into a key.
#pragma once

#include <string>

#include "crypto/THash.h"
#include "rtl/TComponent.h"

class THashManager : public TComponent {
  RTL_CLASS(THashManager, TComponent)
 public:
  explicit THashManager(TComponent* AOwner = nullptr) : TComponent(AOwner) {}

  // The selected class; selects THash_RipeMD256 when none is.
  THashClass GetHashClass();
  // Null selects the default class.
  void SetHashClass(THashClass Class);
  int GetDigestSize();

  // The display name of the selected class; a name that is not registered
  // selects the default class.
  std::string Algorithm();
  void SetAlgorithm(const std::string& Value);
  // The class's note, ", " and its digest size in bits, e.g.
  // "Hash, 256bit Digestsize".
  std::string Description();

  const TProgressEvent& OnProgress() const { return on_progress_; }
  void SetOnProgress(TProgressEvent Value) { on_progress_ = std::move(Value); }

  // The stored form of the selection: the class name ("THash_RipeMD256"),
  // empty while nothing is selected. Reading selects the registered class of
  // exactly that name and ignores any other text.
  std::string StoredHashClassName() const;
  void ReadStoredHashClassName(const std::string& Name);

 private:
  THashClass hash_class_ = nullptr;
  TProgressEvent on_progress_;
};

// "note, " (when there is a note) followed by Bits and Unit.
std::string ManagerDescription(const std::string& EntryText, int Bits, const std::string& Unit);
