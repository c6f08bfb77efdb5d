#include "l10n/TlxFormStorage.h"

#include "l10n/TlxPlatformRegistry.h"

RTL_DEFINE_CLASS(TlxFormStorage, TComponent,
                 Published("Active", &TlxFormStorage::Active, &TlxFormStorage::SetActive),
                 Published("RegRootKey", &TlxFormStorage::RegRootKey,
                           &TlxFormStorage::SetRegRootKey),
                 Published("SubKey", &TlxFormStorage::SubKey, &TlxFormStorage::SetSubKey))

namespace {
TlxRegistryStore* g_store = nullptr;
const char* const kGeometry[4] = {"Top", "Left", "Height", "Width"};

bool IsWindow(TComponent* C) {
  if (!C) return false;
  for (const char* n : kGeometry) {
    const TPropInfo* p = GetPropInfo(C, n);
    if (!p || p->Kind() != tkInteger || !p->Readable() || !p->Writable()) return false;
  }
  const TPropInfo* s = GetPropInfo(C, "WindowState");
  return s && s->Kind() == tkEnumeration && s->Readable() && s->Writable();
}
}  // namespace

void SetFormStorageRegistry(TlxRegistryStore* Store) {
  g_store = Store;
}
TlxRegistryStore* FormStorageRegistry() {
  static TlxPlatformRegistry platform_store;
  return g_store ? g_store : &platform_store;
}

namespace {
TComponent* CheckWindow(TComponent* AOwner) {
  if (!IsWindow(AOwner)) throw EInvalidCast("Invalid class typecast");
  return AOwner;
}
}  // namespace

TlxFormStorage::TlxFormStorage(TComponent* AOwner)
    : TComponent(CheckWindow(AOwner)), form_(AOwner) {}

void TlxFormStorage::Loaded() {
  TComponent::Loaded();
  if (active_ && !ComponentState().Contains(csDesigning)) RestorePosition();
}

void TlxFormStorage::RestorePosition() {
  if (!g_store || !form_) return;
  int64_t old[4];
  for (int i = 0; i < 4; ++i) old[i] = GetOrdProp(form_, GetPropInfo(form_, kGeometry[i]));
  const TPropInfo* state_prop = GetPropInfo(form_, "WindowState");
  const std::string old_state = GetEnumProp(form_, state_prop);
  g_store->CreateKey(root_, sub_key_);
  std::optional<std::string> state = g_store->ReadString(root_, sub_key_, "State");
  if (!state || state->empty()) return;
  try {
    for (const char* n : kGeometry) {
      std::optional<int32_t> v = g_store->ReadInteger(root_, sub_key_, n);
      if (!v) throw Exception(std::string("Invalid value ") + n);
      SetOrdProp(form_, GetPropInfo(form_, n), *v);
    }
    if (state->size() < 3) throw Exception("Invalid state");
    switch ((*state)[2]) {
      case 'n':
        SetEnumProp(form_, state_prop, "wsMinimized");
        break;
      case 'r':
        SetEnumProp(form_, state_prop, "wsNormal");
        break;
      case 'x':
        SetEnumProp(form_, state_prop, "wsMaximized");
        break;
      default:
        break;
    }
  } catch (const Exception&) {
    for (int i = 0; i < 4; ++i) SetOrdProp(form_, GetPropInfo(form_, kGeometry[i]), old[i]);
    SetEnumProp(form_, state_prop, old_state);
  }
}

void TlxFormStorage::SavePosition() {
  if (!g_store || !form_) return;
  g_store->CreateKey(root_, sub_key_);
  const std::string state = GetEnumProp(form_, GetPropInfo(form_, "WindowState"));
  const std::string text = state == "wsMinimized"   ? "Minimized"
                           : state == "wsMaximized" ? "Maximized"
                                                    : "Normal";
  g_store->WriteString(root_, sub_key_, "State", text);
  if (text != "Normal") return;
  for (const char* n : kGeometry)
    g_store->WriteInteger(root_, sub_key_, n,
                          static_cast<int32_t>(GetOrdProp(form_, GetPropInfo(form_, n))));
}

void TlxFormStorage::BeforeDestruction() {
  if (!saved_ && active_ && !ComponentState().Contains(csDesigning)) {
    saved_ = true;
    SavePosition();
  }
  TComponent::BeforeDestruction();
}
