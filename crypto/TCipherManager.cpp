#include "crypto/TCipherManager.h"

#include "crypto/THashManager.h"

RTL_DEFINE_CLASS(TCipherManager, TComponent)

TCipherManager::~TCipherManager() { cipher_.reset(); }

TCipherClass TCipherManager::GetCipherClass() {
  if (!cipher_class_) cipher_class_ = DefaultCipherClass();
  return cipher_class_;
}

void TCipherManager::SetCipherClass(TCipherClass Class) {
  if (Class == GetCipherClass()) return;
  cipher_.reset();
  cipher_class_ = Class;
}

std::string TCipherManager::Algorithm() { return CipherClassDisplayName(GetCipherClass()); }

void TCipherManager::SetAlgorithm(const std::string& Name) {
  SetCipherClass(FindCipherClass(Name));
}

std::string TCipherManager::Description() {
  TCipherClass c = GetCipherClass();
  return ManagerDescription(CipherClassEntryText(c), c ? c->GetMaxKeySize() * 8 : 0, "bit Key");
}

void TCipherManager::SetMode(TCipherMode Value) {
  mode_ = Value;
  if (cipher_) cipher_->SetMode(Value);
}

void TCipherManager::SetHashManager(THashManager* Value) {
  if (Value == hash_manager_) return;
  hash_manager_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TCipherManager::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == hash_manager_) hash_manager_ = nullptr;
}

TCipher* TCipherManager::GetCipher() {
  if (!cipher_) {
    TCipherClass c = GetCipherClass();
    if (!c) throw EProtection("No cipher class is available");
    cipher_ = c->Create();
    cipher_->SetMode(mode_);
  }
  return cipher_.get();
}

void TCipherManager::InitKey(const std::string& Key, const void* IVector) {
  TCipher* c = GetCipher();
  if (hash_manager_) c->UseHashClass(hash_manager_->GetHashClass());
  c->InitKey(Key, IVector);
}

void TCipherManager::EncodeFile(const std::string& Source, const std::string& Dest) {
  GetCipher()->ProcessFile(Source, Dest, caEncode, on_progress_);
}

void TCipherManager::DecodeFile(const std::string& Source, const std::string& Dest) {
  GetCipher()->ProcessFile(Source, Dest, caDecode, on_progress_);
}

void TCipherManager::Burn() {
  if (cipher_) cipher_->WipeState();
}

std::string TCipherManager::StoredCipherClassName() const {
  return cipher_class_ ? std::string(cipher_class_->Name) : std::string();
}

void TCipherManager::ReadStoredCipherClassName(const std::string& Name) {
  for (const TCipherClassEntry& e : CipherClassList())
    if (e.Class->Name == Name) {
      SetCipherClass(e.Class);
      return;
    }
}
