// A short run of the translation-file fuzz target: well-formed text and
// binary translation files, then deterministic mutations of them (flipped
// bytes, cut files, delimiters, bytes left out or put in). The target traps
// on a broken invariant and the sanitizers catch any bad access.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "LangFixtures.h"
#include "l10n/TLNBFileManager.h"
#include "rtl/TStream.h"
#include "tests/support/MutationRun.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

namespace {
std::vector<std::string> Seeds() {
  std::vector<std::string> seeds;
  TOwned<TComponent> window(new TComponent(nullptr));
  (new TComponent(window.get()))->SetName("btnOK");
  auto* lang = new TlxLang(window.get());
  lang->SetNumOfLanguages(3);
  lang->Captions()->Add(Line("btnOK", {"OK", "Bien", "Vale"}));
  lang->Strings()->Add(Line("IDS_4", {"About...", "", "Acerca de..."}));
  lang->Collections()->Add(Line("btnOK.Items[0].Caption", {"a", "b", "c"}));
  auto* item = lang->ExtendedTranslations()->Add();
  item->SetIdentifier("btnOK.Tag");
  item->SetValues(Line("", {"1", "2", "3"}).substr(1));
  TStringStream text;
  lang->SaveToLngStream(&text, "~!@#");
  seeds.push_back(text.DataString());
  seeds.push_back(lang->TranslationDataText());
  TStringStream lnb;
  TStringList fixed;
  fixed.Add("Spanish");
  TLNBFileManager::WriteSibStream(&lnb, {{"TOther", lang}, {"TComponent", lang}}, &fixed);
  seeds.push_back(lnb.DataString());
  TStringStream plain;
  TLNBFileManager::WriteSibStream(&plain, {{"TComponent", lang}});
  seeds.push_back(plain.DataString());
  return seeds;
}

void Fuzz(const std::string& s) {
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

TEST(LngFuzzSmoke, SeedsAndMutations) {
  const std::vector<std::string> seeds = Seeds();
  // NOBRIVO_L10N_SEEDS=folder writes the seeds there, as a corpus for the
  // fuzz target.
  if (const char* dump = std::getenv("NOBRIVO_L10N_SEEDS")) {
    for (size_t n = 0; n < seeds.size(); ++n) {
      TFileStream f(std::string(dump) + "/seed" + std::to_string(n), fmCreate);
      f.WriteBuffer(seeds[n].data(), static_cast<int64_t>(seeds[n].size()));
    }
  }
  // Each file cut at a few places along it.
  for (const std::string& seed : seeds)
    for (size_t cut = 0; cut < seed.size(); cut += 1 + seed.size() / 40) Fuzz(seed.substr(0, cut));
  // One to four edits of the bytes the formats care about: any byte, one of
  // their delimiters, a few left out, a few put in.
  const std::vector<fuzz_smoke::Mutation> own = {
      fuzz_smoke::TextEdits(std::string("\x00\x01\x19\x1A\xFF=[]-+\r\n~", 14), "", 4, 8)};
  std::vector<std::vector<uint8_t>> files;
  for (const std::string& seed : seeds) files.emplace_back(seed.begin(), seed.end());
  const int runs = fuzz_smoke::RunMutations(LLVMFuzzerTestOneInput, files, own, 600);
  EXPECT_EQ(runs, 600 * static_cast<int>(files.size()));
}
}  // namespace
