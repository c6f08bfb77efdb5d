#include "crypto/THashManager.h"

#include "rtl/StrUtils.h"

RTL_DEFINE_CLASS(THashManager, TComponent)

std::string ManagerDescription(const std::string& EntryText, int Bits, const std::string& Unit) {
  std::string note = Trim(EntryText);
  const auto eq = note.find('=');
  note = eq == std::string::npos ? std::string() : note.substr(eq + 1);
  std::string out = note;
  if (!note.empty()) out += ", ";
  return out + std::to_string(Bits) + Unit;
}

THashClass THashManager::GetHashClass() {
  if (!hash_class_) hash_class_ = DefaultHashClass();
  return hash_class_;
}

void THashManager::SetHashClass(THashClass Class) {
  if (Class == hash_class_) return;
  hash_class_ = Class ? Class : DefaultHashClass();
}

int THashManager::GetDigestSize() {
  THashClass c = GetHashClass();
  return c ? c->DigestSize : 0;
}

std::string THashManager::Algorithm() { return HashClassDisplayName(GetHashClass()); }

void THashManager::SetAlgorithm(const std::string& Value) { SetHashClass(FindHashClass(Value)); }

std::string THashManager::Description() {
  return ManagerDescription(HashClassEntryText(GetHashClass()), GetDigestSize() * 8,
                            "bit Digestsize");
}

std::string THashManager::StoredHashClassName() const {
  return hash_class_ ? std::string(hash_class_->Name) : std::string();
}

void THashManager::ReadStoredHashClassName(const std::string& Name) {
  for (const THashClassEntry& e : HashClassList())
    if (e.Class->Name == Name) {
      SetHashClass(e.Class);
      return;
    }
}
