// Fuzz target: the same bytes as a translation text file (loaded, merged,
// saved and loaded again), as ini text (rendering is stable), as a window's
// translation data, and as a binary translation file and component stream.
#include <cstddef>
#include <cstdint>
#include <string>

#include "l10n/LangComponentStream.h"
#include "l10n/TLNBFileManager.h"
#include "l10n/TMemIniFile.h"
#include "l10n/TlxCustomLang.h"
#include "rtl/TStream.h"

namespace {
// A window with two named parts, so that lines find components.
TComponent* MakeWindow() {
  auto* window = new TComponent(nullptr);
  window->SetName("Window");
  (new TComponent(window))->SetName("btnOK");
  (new TComponent(window))->SetName("lblText");
  return window;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string bytes(reinterpret_cast<const char*>(Data), Size);

  {
    TMemIniFile ini;
    ini.SetText(bytes);
    // Each reading puts a repeated key before the earlier ones, so the
    // rendering comes back after two round trips.
    const std::string once = ini.GetText();
    ini.SetText(once);
    ini.SetText(ini.GetText());
    if (ini.GetText() != once) __builtin_trap();
    (void)ini.ReadInteger("OPTIONS", "Language_Fixed1", 0);
  }

  TOwned<TComponent> window(MakeWindow());
  auto* lang = new TlxLang(window.get());
  try {
    TStringStream text(bytes);
    lang->LoadFromLngStream(&text, true);
    lang->SetActiveLanguage(lang->NumOfLanguages());
    (void)lang->LookupStringOrDefault("IDS_4");
    TStringStream merged(bytes);
    lang->MergeLngStreamAndApply(&merged);
    TStringStream saved;
    lang->SaveToLngStream(&saved, "~!@#");
    TStringStream again(saved.DataString());
    lang->LoadFromLngStream(&again, true);
  } catch (const Exception&) {
  }
  if (lang->BulkLoading()) __builtin_trap();

  try {
    lang->ReadTranslationDataText(bytes);
    lang->ApplyLanguage();
  } catch (const Exception&) {
  }

  try {
    TLNBFileManager reader;
    TStringStream file(bytes);
    reader.ReadSibStream(lang, "TComponent", &file);
  } catch (const Exception&) {
  }
  if (lang->Suppressed()) __builtin_trap();

  try {
    TStringStream stream(bytes);
    TOwned<TComponent> holder(new TComponent(nullptr));
    ReadLangComponent(&stream, holder.get(), stream.Size());
  } catch (const Exception&) {
  }
  return 0;
}
