// TCipherManager: the component through which the program encrypts and
// decrypts whole files. It selects a cipher class by display name, owns one
// cipher object of that class, derives its key from a pass phrase through
// the hash class of an attached hash manager and codes files.
#pragma once

#include <string>

#include "crypto/TCipher.h"
#include "rtl/TComponent.h"

class THashManager;

class TCipherManager : public TComponent {
  RTL_CLASS(TCipherManager, TComponent)
 public:
  explicit TCipherManager(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
  ~TCipherManager() override;

  // The display name of the selected class (Blowfish when none is selected).
  std::string Algorithm();
  // Selects the class found by FindCipherClass; a name that is not
  // registered selects none, so the default class applies.
  void SetAlgorithm(const std::string& Name);
  // The class's note, ", " and its longest key in bits, e.g. "448bit Key".
  std::string Description();

  TCipherMode Mode() const { return mode_; }
  void SetMode(TCipherMode Value);

  THashManager* HashManager() const { return hash_manager_; }
  void SetHashManager(THashManager* Value);

  const TProgressEvent& OnProgress() const { return on_progress_; }
  void SetOnProgress(TProgressEvent Value) { on_progress_ = std::move(Value); }

  // The selected class; selects TCipher_Blowfish when none is.
  TCipherClass GetCipherClass();
  // The same class keeps the cipher object and its key; another one frees it.
  void SetCipherClass(TCipherClass Class);
  // The cipher object, made without a key on first use.
  TCipher* GetCipher();

  // Takes the hash manager's hash class (when one is attached), then the key
  // from the pass phrase; IVector null derives the IV from the key.
  void InitKey(const std::string& Key, const void* IVector = nullptr);
  // Codes the file Source into Dest with the current key and mode. The output
  // has the length of the input; equal names (or two names of one file) code
  // in place. OnProgress, when set, hears of this call only.
  void EncodeFile(const std::string& Source, const std::string& Dest);
  void DecodeFile(const std::string& Source, const std::string& Dest);
  // Wipes the cipher object's key schedule, IV and feedback once a coding is
  // done, so that the key does not outlive its use; the next coding needs
  // InitKey again. Nothing when there is no cipher object.
  void Burn();

  // The stored form of the selection (see THashManager).
  std::string StoredCipherClassName() const;
  void ReadStoredCipherClassName(const std::string& Name);

  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  THashManager* hash_manager_ = nullptr;
  TCipherClass cipher_class_ = nullptr;
  TProtectionRef<TCipher> cipher_;
  TCipherMode mode_ = cmCTS;
  TProgressEvent on_progress_;
};
