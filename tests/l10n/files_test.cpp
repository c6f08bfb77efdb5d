// The dispatcher, the translation text and binary files, the string cache,
// the linked component and the form storage.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "LangFixtures.h"
#include "l10n/LangComponentStream.h"
#include "l10n/LangUtils.h"
#include "l10n/TLNBFileManager.h"
#include "l10n/TlxFormStorage.h"
#include "l10n/TlxLangLinked.h"
#include "rtl/FileUtils.h"
#include "rtl/TStream.h"

namespace {
std::string MainPayload() {
  return Payload({"stCaptions", Line("TfrmMain", {"Main", "", "", "", "", "Principal"}),
                  Line("btnOK", {"OK", "D'accord", "", "", "", "Aceptar"}), "stStrings",
                  Line("IDS_4", {"About...", "", "", "", "", "Acerca de..."}), "stCollections",
                  Line("sbMain.Panels[1].Caption", {"Width", "", "", "", "", "Ancho"})});
}
std::string OptionsPayload() {
  return Payload({"stCaptions", Line("TfrmOptions", {"Options", "", "", "", "", "Opciones"}),
                  Line("btnOK", {"OK", "", "", "", "", "Vale"})});
}

void AddControls(TComponent* Form, std::initializer_list<const char*> Names) {
  for (const char* n : Names) (new TFixControl(Form))->SetName(n);
}

TFixControl* Ok(TComponent* f) {
  return static_cast<TFixControl*>(f->FindComponent("btnOK"));
}

std::string TempName(const std::string& leaf) {
  return ::testing::TempDir() + "/nobrivo_l10n_" + std::to_string(getpid()) + "_" + leaf;
}

std::string ReadFile(const std::string& name) {
  TFileStream f(name, fmOpenRead);
  std::string s(static_cast<size_t>(f.Size()), '\0');
  f.ReadBuffer(s.data(), f.Size());
  return s;
}
void WriteFile(const std::string& name, const std::string& data) {
  TFileStream f(name, fmCreate);
  f.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
}

struct Dispatcher {
  Dispatcher() {
    d.SetNumOfLanguages(6);
    TStringList names;
    for (const char* n : {"English", "French", "German", "Italian", "Portuguese", "Spanish"})
      names.Add(n);
    d.SetLangNames(&names);
  }
  TlxLangDispatcher d{nullptr};
};

TEST(Dispatcher, SwitchesEveryLinkedWindow) {
  Dispatcher dd;
  TOwned<TfrmMain> main(MakeWindow<TfrmMain>({MainPayload(), 6, &dd.d}));
  TOwned<TfrmOptions> options(MakeWindow<TfrmOptions>({OptionsPayload(), 6, &dd.d}));
  ASSERT_EQ(dd.d.LinkedCount(), 2);
  dd.d.SetActiveLanguage(6);
  EXPECT_EQ(main->Caption(), "Principal");
  EXPECT_EQ(Ok(main.get())->Caption(), "Aceptar");
  EXPECT_EQ(options->Caption(), "Opciones");
  EXPECT_EQ(Ok(options.get())->Caption(), "Vale");
  EXPECT_EQ(dd.d.Language(), "Spanish");
  dd.d.SetLanguage("English");
  EXPECT_EQ(options->Caption(), "Options");
  EXPECT_EQ(LangOf(options.get())->ActiveLanguage(), 1);
  // Linking again moves a component to the end.
  dd.d.Link(LangOf(main.get()));
  EXPECT_EQ(dd.d.LinkedCount(), 2);
  EXPECT_EQ(dd.d.Linked(1), LangOf(main.get()));
  // Freeing a window unlinks its component.
  options.reset();
  EXPECT_EQ(dd.d.LinkedCount(), 1);
}

TEST(Dispatcher, ARangeErrorStopsTheLoop) {
  Dispatcher dd;
  TOwned<TfrmMain> a(MakeWindow<TfrmMain>({MainPayload(), 6, &dd.d}));
  TOwned<TfrmOptions> b(MakeWindow<TfrmOptions>({OptionsPayload(), 6, &dd.d}));
  LangOf(b.get())->SetNumOfLanguages(3);
  EXPECT_THROW(dd.d.SetActiveLanguage(4), ELanguageError);
  EXPECT_EQ(LangOf(a.get())->ActiveLanguage(), 4);
  EXPECT_EQ(LangOf(b.get())->ActiveLanguage(), 1);
  EXPECT_EQ(dd.d.ActiveLanguage(), 4);
}

TEST(Dispatcher, NamesAndCounts) {
  TlxLangDispatcher d(nullptr);
  d.SetNumOfLanguages(3);
  EXPECT_EQ(d.LangNames()->CommaText(), "\"Language N1\",\"Language N2\",\"Language N3\"");
  d.SetActiveLanguage(3);
  TStringList one;
  one.Add("Only");
  d.SetLangNames(&one);  // fewer names than the active language: no index error
  EXPECT_EQ(d.NumOfLanguages(), 1);
  EXPECT_THROW(d.SetLanguage("Other"), ELanguageError);
}

TEST(Dispatcher, UserLanguageFromLocale) {
  EXPECT_EQ(LanguageColumnOfLocale("es_ES.UTF-8"), 6);
  EXPECT_EQ(LanguageColumnOfLocale("de"), 3);
  EXPECT_EQ(LanguageColumnOfLocale("pt_BR"), 5);
  EXPECT_EQ(LanguageColumnOfLocale("en_US"), 1);
  EXPECT_EQ(LanguageColumnOfLocale("esperanto"), 1);
  EXPECT_EQ(UserDefaultLanguage(), 1);
  SetUserLanguageFunc([] { return 6; });
  EXPECT_EQ(UserDefaultLanguage(), 6);
  SetUserLanguageFunc(nullptr);
}

// The whole road: the main window's dispatcher names a text file; windows
// that link at run time take their texts from it when it exists.
TEST(Dispatcher, TranslationFileReplacesWindowData) {
  const std::string file = TempName("languages.lng");
  Dispatcher dd;
  dd.d.SetFileName(file);
  dd.d.SetActiveLanguage(6);
  {
    TOwned<TfrmOptions> w(MakeWindow<TfrmOptions>({OptionsPayload(), 6, &dd.d}));
    // No file: the active language is set without applying.
    EXPECT_EQ(LangOf(w.get())->ActiveLanguage(), 6);
    EXPECT_EQ(w->Caption(), "Designed");
    LangOf(w.get())->Captions()->SetStrings(1, Line("btnOK", {"OK", "", "", "", "", "De acuerdo"}));
    LangOf(w.get())->SaveToLngFile(file, "~!@#");
  }
  TOwned<TfrmOptions> w(MakeWindow<TfrmOptions>({OptionsPayload(), 6, &dd.d}));
  EXPECT_EQ(w->Caption(), "Opciones");
  EXPECT_EQ(Ok(w.get())->Caption(), "De acuerdo");
  std::remove(file.c_str());
}

TEST(TextFile, SavedReloadedAndMergedGiveTheSameTexts) {
  const std::string file = TempName("roundtrip.sil");
  TOwned<TfrmMain> a(MakeWindow<TfrmMain>({MainPayload()}));
  TlxLang* la = LangOf(a.get());
  la->Hints()->Add(Line("btnOK", {"Two\r\nlines", "", "", "", "", "Dos"}));
  auto* item = la->ExtendedTranslations()->Add();
  item->SetIdentifier("TfrmMain.Font.Size");
  item->SetPropertyType(tkInteger);
  item->SetValues(Line("", {"8", "", "", "", "", "10"}).substr(1));
  la->SaveToLngFile(file, "~!@#");
  TOwned<TfrmOptions> o(MakeWindow<TfrmOptions>({OptionsPayload()}));
  LangOf(o.get())->SaveToLngFile(file, "~!@#");  // both windows side by side

  const std::string text = ReadFile(file);
  EXPECT_NE(text.find("[Captions]\r\n"), std::string::npos);
  EXPECT_NE(text.find("TfrmMain.btnOK=OK~!@#D'accord~!@#~!@#~!@#~!@#Aceptar~!@#\r\n"),
            std::string::npos);
  EXPECT_NE(text.find("TfrmMain.TfrmMain=Main~!@#"), std::string::npos);
  EXPECT_NE(text.find("TfrmMain.sbMain.Panels-1+.Caption=Width"), std::string::npos);
  EXPECT_NE(text.find("TfrmMain.btnOK=Two\x19\x1Alines"), std::string::npos);
  EXPECT_NE(text.find("TfrmMain.Font.Size_TypeKind=tkInteger"), std::string::npos);
  EXPECT_NE(text.find("Language_6=Spanish"), std::string::npos);
  EXPECT_NE(text.find("TfrmOptions.TfrmOptions=Options"), std::string::npos);

  TOwned<TfrmMain> b(MakeWindow<TfrmMain>({Payload({})}));
  TlxLang* lb = LangOf(b.get());
  lb->LoadFromLngFile(file, true);
  for (TStringsType k : {stCaptions, stHints, stStrings, stCollections})
    EXPECT_EQ(LinesText(lb->GetKindList(k)), LinesText(la->GetKindList(k))) << KindName(k);
  EXPECT_EQ(lb->ExtendedTranslations()->Count(), 1);
  EXPECT_EQ(lb->ExtendedTranslations()->Items(0)->Values(), item->Values());
  EXPECT_EQ(lb->ExtendedTranslations()->Items(0)->PropertyType(), tkInteger);
  lb->SetActiveLanguage(6);
  EXPECT_EQ(b->Caption(), "Principal");
  EXPECT_EQ(b->Font()->Size(), 10);

  // Merging keeps the lines the file lacks and takes the file's texts.
  TOwned<TfrmMain> c(MakeWindow<TfrmMain>(
      {Payload({"stCaptions", Line("btnOK", {"Old"}), Line("btnExtra", {"Extra"}), "stStrings",
                Line("IDS_9", {"Nine"})})}));
  AddControls(c.get(), {"btnExtra"});
  TlxLang* lc = LangOf(c.get());
  EXPECT_TRUE(lc->MergeAllFromFile(file));
  EXPECT_EQ(lc->GetEntryText(lc->Captions(), "btnOK", 6), "Aceptar");
  EXPECT_EQ(lc->GetEntryText(lc->Captions(), "btnExtra", 1), "Extra");
  EXPECT_EQ(lc->Captions()->Strings(0).substr(0, 8), "TfrmMain");
  lc->SetActiveLanguage(6);
  // The merged strings reach the cache.
  EXPECT_EQ(lc->LookupStringOrDefault("IDS_4"), "Acerca de...");
  EXPECT_EQ(lc->LookupStringOrDefault("IDS_9"), "Nine");
  EXPECT_FALSE(lc->BulkLoading());
  std::remove(file.c_str());
}

TEST(TextFile, ReadingRules) {
  const std::string ini =
      "[OPTIONS]\r\nDELIMITER=~!@#\r\nLanguage_Fixed2=1\r\n"
      "[Language names - for internal use only!]\r\nLanguage_1=English\r\nLanguage_2=Spanish\r\n"
      "[Captions]\r\nTfrmOptions.TfrmOptions=Options~!@#Opciones~!@#\r\n"
      "TfrmOptions.btnOK=OK~!@#~!@#\r\n"
      "TFRMOPTIONS.btnCancel=Cancel\r\n"
      "frmOptions.btnHelp=Help~!@#Ayuda~!@#\r\n"
      "FRMOPTIONS.btnApply=Apply~!@#Aplicar~!@#\r\n"
      "TfrmMain.btnOK=Other window\r\n"
      "[Collections]\r\nTfrmOptions.sbMain.Panels-0+.Caption=P~!@#Q~!@#\r\n";
  TOwned<TfrmOptions> w(MakeWindow<TfrmOptions>({OptionsPayload(), 6}));
  AddControls(w.get(), {"btnCancel", "btnHelp", "btnApply"});
  TlxLang* lang = LangOf(w.get());
  TStringStream s(ini);
  lang->LoadFromLngStream(&s, true);
  TStrings* c = lang->Captions();
  EXPECT_EQ(c->Strings(0), Line("TfrmOptions", {"Options", "Opciones"}));
  EXPECT_NE(c->IndexOf(Line("btnOK", {"OK", ""})), -1);
  EXPECT_NE(c->IndexOf(Line("btnCancel", {"Cancel"})), -1);
  EXPECT_NE(c->IndexOf(Line("btnHelp", {"Help", "Ayuda"})), -1);
  // Matched by the owner's name in another case: that prefix is what goes
  // (the class name's length used to be cut off instead).
  EXPECT_NE(c->IndexOf(Line("btnApply", {"Apply", "Aplicar"})), -1);
  EXPECT_EQ(lang->NumOfLanguages(), 2);
  EXPECT_EQ(lang->LangNames()->CommaText(), "English,Spanish");
  EXPECT_EQ(lang->FixedLanguages()->CommaText(), "Spanish");
  EXPECT_EQ(lang->Collections()->Strings(0), Line("sbMain.Panels[0].Caption", {"P", "Q"}));
  lang->SetActiveLanguage(2);
  EXPECT_EQ(w->Caption(), "Opciones");
  // Saving drops the keys written under the owner's instance name.
  TStringStream out(ini);
  lang->SaveKindToLng(stCaptions, &out, "~!@#");
  EXPECT_EQ(out.DataString().find("\nfrmOptions.btnHelp"), std::string::npos);
  EXPECT_NE(out.DataString().find("TfrmOptions.btnHelp=Help~!@#Ayuda~!@#"), std::string::npos);
  EXPECT_NE(out.DataString().find("TfrmMain.btnOK=Other window"), std::string::npos);
}

TEST(TextFile, LanguageBeyondTheFilesCountReadsEmpty) {
  TOwned<TfrmOptions> w(MakeWindow<TfrmOptions>({OptionsPayload(), 6, nullptr, ttGetDefault}));
  TlxLang* lang = LangOf(w.get());
  lang->SetActiveLanguage(6);
  TStringStream s(
      "[Language names - for internal use only!]\r\nLanguage_1=English\r\nLanguage_2=French\r\n"
      "[Captions]\r\nTfrmOptions.btnOK=OK~!@#Bien~!@#\r\n");
  lang->LoadFromLngStream(&s, true);
  EXPECT_EQ(lang->NumOfLanguages(), 2);
  EXPECT_EQ(Ok(w.get())->Caption(), "OK");  // column 6 is empty: English
}

TEST(TextFile, ImportOneLanguageByName) {
  const std::string file = TempName("import.sil");
  WriteFile(
      file,
      "[Language names - for internal use only!]\r\nLanguage_1=English\r\nLanguage_2=Klingon\r\n"
      "[Captions]\r\nTfrmOptions.btnOK=OK~!@#Qapla~!@#\r\nTfrmOptions.btnNew=New~!@#Chu~!@#\r\n");
  TOwned<TfrmOptions> w(MakeWindow<TfrmOptions>({OptionsPayload(), 6}));
  AddControls(w.get(), {"btnNew"});
  TlxLang* lang = LangOf(w.get());
  lang->ImportLanguage(file, "Klingon");
  EXPECT_EQ(lang->NumOfLanguages(), 7);
  EXPECT_EQ(lang->LangNames()->Strings(6), "Klingon");
  EXPECT_EQ(lang->GetEntryText(lang->Captions(), "btnOK", 7), "Qapla");
  EXPECT_EQ(lang->GetEntryText(lang->Captions(), "btnOK", 6), "Vale");
  EXPECT_EQ(lang->GetEntryText(lang->Captions(), "btnNew", 7), "Chu");
  lang->SetDoRaiseExceptions(true);
  EXPECT_THROW(lang->ImportLanguage(file, "Vulcan"), Exception);
  EXPECT_FALSE(lang->BulkLoading());  // cleared although the import failed
  std::remove(file.c_str());
}

TEST(TextFile, SaveReplacesTheFileWhole) {
  const std::string file = TempName("atomic.sil");
  WriteFile(file, "[Keep]\r\nk=v\r\n");
  struct stat before {};
  ASSERT_EQ(stat(file.c_str(), &before), 0);
  TOwned<TfrmOptions> w(MakeWindow<TfrmOptions>({OptionsPayload()}));
  EXPECT_EQ(LangOf(w.get())->SaveKindToLngFile(stCaptions, file, "~!@#"), 2);
  struct stat after {};
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  EXPECT_NE(before.st_ino, after.st_ino);  // a new file renamed over the old one
  const std::string text = ReadFile(file);
  EXPECT_NE(text.find("[Keep]\r\nk=v\r\n"), std::string::npos);
  EXPECT_NE(text.find("TfrmOptions.btnOK=OK"), std::string::npos);
  std::remove(file.c_str());
}

TEST(TextFile, BulkFlagClearedWhenApplyFails) {
  TOwned<TfrmOptions> w(MakeWindow<TfrmOptions>({OptionsPayload()}));
  TlxLang* lang = LangOf(w.get());
  lang->OnChangeLanguage = [](TObject*) { throw Exception("handler failed"); };
  TStringStream s("[Captions]\r\nTfrmOptions.btnOK=x\r\n");
  EXPECT_THROW(lang->LoadFromLngStream(&s, true), Exception);
  EXPECT_FALSE(lang->BulkLoading());
  // Without a names section the component keeps its own names.
  EXPECT_EQ(lang->NumOfLanguages(), 6);
  EXPECT_EQ(lang->LangNames()->Strings(5), "Spanish");
}

TEST(StringCache, BinarySearchStaysInside) {
  TOwned<TfrmMain> f(new TfrmMain);
  TlxLang* lang = BuildWindow(f.get(), {Payload({"stStrings", Line("M", {"m1", "", "m3"}),
                                                 Line("C", {"c"}), Line("X", {"A", "", "C"})}),
                                        3});
  TlxStringsCollection* cache = lang->StringsCache();
  ASSERT_EQ(cache->Count(), 3);
  EXPECT_EQ(cache->Items(0).Identifier, "C");
  EXPECT_EQ(cache->GetValue("X", 3), "C");
  EXPECT_EQ(cache->GetValue("x", 2), "");
  for (const char* id : {"A", "ZZZ", "D", ""}) EXPECT_EQ(cache->GetValue(id, 1), "") << id;
  lang->SetActiveLanguage(2);
  EXPECT_EQ(lang->LookupStringOrDefault("X"), "A");
  EXPECT_EQ(cache->IndexOf("m"), 1);
}

TEST(StringCache, ResourceStringHook) {
  TOwned<TfrmMain> f(new TfrmMain);
  auto* lang = new TlxLang(f.get());
  f->BeginLoading();
  lang->SetNumOfLanguages(2);
  lang->SetHandleResourceStrings(true);
  lang->ReadTranslationDataText(
      Payload({"stStrings", Line("S1", {"Open", "Abrir"}), Line("S2", {"Close", ""})}));
  f->EndLoading();
  ASSERT_EQ(ResourceStringHookOwner(), lang);
  EXPECT_EQ(TranslateResourceString("Open"), "Open");  // active language = resource language
  lang->SetActiveLanguage(2);
  EXPECT_EQ(TranslateResourceString("Open"), "Abrir");
  EXPECT_EQ(TranslateResourceString("Close"), "Close");  // empty translation
  EXPECT_EQ(TranslateResourceString("Unknown"), "Unknown");
  f.reset();
  EXPECT_EQ(ResourceStringHookOwner(), nullptr);
  EXPECT_EQ(TranslateResourceString("Open"), "Open");
}

TEST(BinaryFile, WrittenAndRead) {
  TOwned<TfrmMain> main(MakeWindow<TfrmMain>({MainPayload()}));
  TOwned<TfrmOptions> options(MakeWindow<TfrmOptions>({OptionsPayload()}));
  TlxLang* lo = LangOf(options.get());
  // The owner's line third: reading puts it first.
  lo->Captions()->Move(0, 1);
  lo->Captions()->Add(Line("btnX", {"X"}));
  lo->Captions()->Move(0, 2);
  auto* item = lo->ExtendedTranslations()->Add();
  item->SetIdentifier("TfrmOptions.Font.Size");
  item->SetPropertyType(tkInteger);
  item->SetValues(Line("", {"8", "", "", "", "", "11"}).substr(1));
  TStringStream s;
  TStringList fixed;
  TLNBFileManager::WriteSibStream(&s, {{"TfrmMain", LangOf(main.get())}, {"TfrmOptions", lo}});
  EXPECT_EQ(s.DataString().substr(0, 42),
            std::string("LNB file: TlxLang binary translation data\0", 42));

  TOwned<TfrmOptions> fresh(MakeWindow<TfrmOptions>({Payload({}), 2}));
  TlxLang* lf = LangOf(fresh.get());
  TLNBFileManager reader;
  s.SetPosition(0);
  reader.ReadSibStream(lf, "TfrmOptions", &s);
  EXPECT_EQ(lf->Captions()->Strings(0).substr(0, 12), "TfrmOptions" + std::string(1, D));
  EXPECT_EQ(lf->Captions()->Count(), 3);
  EXPECT_EQ(lf->NumOfLanguages(), 6);
  EXPECT_EQ(lf->LangNames()->Strings(5), "Spanish");
  ASSERT_EQ(lf->ExtendedTranslations()->Count(), 1);
  EXPECT_EQ(lf->ExtendedTranslations()->Items(0)->Values(), item->Values());
  EXPECT_FALSE(lf->Suppressed());
  lf->SetActiveLanguage(6);
  EXPECT_EQ(fresh->Caption(), "Opciones");
  EXPECT_EQ(fresh->Font()->Size(), 11);

  // Class names are compared exactly; another class changes nothing.
  TOwned<TfrmOptions> other(MakeWindow<TfrmOptions>({Payload({}), 2}));
  for (const char* cls : {"tfrmoptions", "TfrmAbout"}) {
    s.SetPosition(0);
    reader.ReadSibStream(LangOf(other.get()), cls, &s);
    EXPECT_EQ(LangOf(other.get())->Captions()->Count(), 0) << cls;
  }
}

TEST(BinaryFile, DispatcherLoadsLnbFiles) {
  const std::string file = TempName("languages.LNB");
  TOwned<TfrmOptions> src(MakeWindow<TfrmOptions>({OptionsPayload()}));
  TLNBFileManager::SaveToFile(file, {{"TfrmOptions", LangOf(src.get())}});
  Dispatcher dd;
  dd.d.SetFileName(file);
  dd.d.SetActiveLanguage(6);
  TOwned<TfrmOptions> w(MakeWindow<TfrmOptions>({Payload({}), 6, &dd.d}));
  EXPECT_EQ(w->Caption(), "Opciones");
  EXPECT_NE(dd.d.SibReaderIfAny(), nullptr);
  // One kind merged from the binary file.
  TOwned<TfrmOptions> m(
      MakeWindow<TfrmOptions>({Payload({"stCaptions", Line("btnKeep", {"Keep"})})}));
  AddControls(m.get(), {"btnKeep"});
  EXPECT_TRUE(LangOf(m.get())->MergeKindFromFile(stCaptions, file));
  EXPECT_EQ(LangOf(m.get())->Captions()->Count(), 3);
  std::remove(file.c_str());
}

namespace {
// A stream that counts the reads it is asked for.
class TCountingStream : public TStringStream {
 public:
  using TStringStream::TStringStream;
  int64_t Read(void* Buffer, int64_t Count) override {
    ++Reads;
    return TStringStream::Read(Buffer, Count);
  }
  int64_t Reads = 0;
};
}  // namespace

TEST(BinaryFile, FixedLanguageNamesAreReadInBlocks) {
  TOwned<TfrmOptions> src(MakeWindow<TfrmOptions>({OptionsPayload()}));
  TStringList fixed;
  fixed.Add("German");
  fixed.Add("French");
  TStringStream good;
  TLNBFileManager::WriteSibStream(&good, {{"TfrmOptions", LangOf(src.get())}}, &fixed);
  // A long text without its zero byte, and the written file itself (its
  // entry follows the names and must still be found).
  std::string hostile = good.DataString().substr(0, 46);
  hostile[42] = hostile[43] = '\0';  // no entries
  while (hostile.size() < (1u << 20)) hostile += "Language\n";
  for (const std::string& bytes : {hostile, good.DataString()}) {
    TOwned<TfrmOptions> w(MakeWindow<TfrmOptions>({Payload({}), 2}));
    TLNBFileManager reader;
    TCountingStream s(bytes);
    reader.ReadSibStream(LangOf(w.get()), "TfrmOptions", &s);
    EXPECT_LT(s.Reads, 2000) << bytes.size();
    if (bytes == hostile) {
      EXPECT_EQ(reader.FixedLanguages()->CommaText(), "Language");
      EXPECT_EQ(LangOf(w.get())->Captions()->Count(), 0);
    } else {
      EXPECT_EQ(reader.FixedLanguages()->CommaText(), "French,German");
      EXPECT_EQ(LangOf(w.get())->Captions()->Count(), 2);
    }
  }
}

TEST(BinaryFile, HostileFilesAreRefused) {
  TOwned<TfrmOptions> src(MakeWindow<TfrmOptions>({OptionsPayload()}));
  TStringStream good;
  TLNBFileManager::WriteSibStream(&good, {{"TfrmOptions", LangOf(src.get())}});
  const std::string bytes = good.DataString();
  TOwned<TfrmOptions> w(MakeWindow<TfrmOptions>({Payload({}), 2}));
  TLNBFileManager reader;
  auto read = [&](std::string data) {
    TStringStream s(std::move(data));
    reader.ReadSibStream(LangOf(w.get()), "TfrmOptions", &s);
  };
  try {
    read("Something else entirely, not a translation file");
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Unrecognized stream format!");
  }
  // The offset of the only entry points past the end.
  std::string far = bytes;
  const size_t offset_at = 42 + 4 + 2 + 11;
  far[offset_at + 3] = '\x7F';
  EXPECT_THROW(read(far), EReadError);
  // Every truncation fails cleanly.
  for (size_t n = 0; n < bytes.size(); n += 7)
    EXPECT_THROW(read(bytes.substr(0, n)), Exception) << n;
  // A component of any other class is never created.
  const size_t cls = bytes.find("TPF0") + 5;
  std::string evil = bytes;
  evil.replace(cls, 7, "TObject");
  EXPECT_THROW(read(evil), EClassNotFound);
  EXPECT_FALSE(LangOf(w.get())->Suppressed());
  EXPECT_EQ(LangOf(w.get())->Captions()->Count(), 0);
}

TEST(Linked, SharesDialogsAndLocalesOfItsContainer) {
  TOwned<TfrmMain> main(MakeWindow<TfrmMain>({MainPayload(), 2}));
  TlxLang* container = LangOf(main.get());
  container->SetLangDelim(9);
  TOwned<TfrmOptions> about(new TfrmOptions);
  auto* linked = new TlxLangLinked(about.get());
  about->BeginLoading();
  linked->SetCommonContainer(container);
  about->EndLoading();
  EXPECT_EQ(linked->GetKindList(stDlgsCaptions), nullptr);
  EXPECT_EQ(linked->GetKindList(stLocales), nullptr);
  ASSERT_EQ(linked->DlgsCaptions()->Count(), 15);
  EXPECT_EQ(linked->DlgsCaptions()->Strings(0), Line("Warning", {"Warning"}));  // tabs became D
  linked->SetCommonContainer(linked);                                           // ignored
  EXPECT_EQ(linked->CommonContainer(), container);
  EXPECT_EQ(linked->TranslationDataText().find("stDlgsCaptions"), std::string::npos);
  main.reset();
  EXPECT_EQ(linked->CommonContainer(), nullptr);
  EXPECT_EQ(linked->DlgsCaptions()->Count(), 15);
  EXPECT_EQ(GetClass("TlxLangLinked"), TlxLangLinked::StaticClass());
}

struct FakeRegistry : TlxRegistryStore {
  std::map<std::string, std::string> strings;
  std::map<std::string, int32_t> ints;
  int keys_created = 0;
  static std::string K(TMyHKeyType r, const std::string& k, const std::string& n) {
    return std::to_string(r) + "\\" + k + "\\" + n;
  }
  void CreateKey(TMyHKeyType, const std::string&) override { ++keys_created; }
  std::optional<std::string> ReadString(TMyHKeyType r, const std::string& k,
                                        const std::string& n) override {
    auto it = strings.find(K(r, k, n));
    return it == strings.end() ? std::nullopt : std::optional(it->second);
  }
  std::optional<int32_t> ReadInteger(TMyHKeyType r, const std::string& k,
                                     const std::string& n) override {
    auto it = ints.find(K(r, k, n));
    return it == ints.end() ? std::nullopt : std::optional(it->second);
  }
  void WriteString(TMyHKeyType r, const std::string& k, const std::string& n,
                   const std::string& v) override {
    strings[K(r, k, n)] = v;
  }
  void WriteInteger(TMyHKeyType r, const std::string& k, const std::string& n, int32_t v) override {
    ints[K(r, k, n)] = v;
  }
};

TFixForm* StoredWindow() {
  auto* f = new TfrmMain;
  auto* st = new TlxFormStorage(f);
  st->SetSubKey("Software\\Nobrivo\\Main");
  f->BeginLoading();
  f->EndLoading();
  return f;
}

TEST(FormStorage, RestoresAndSavesPosition) {
  FakeRegistry reg;
  SetFormStorageRegistry(&reg);
  TFixForm* f = StoredWindow();  // first run: as designed
  EXPECT_EQ(f->Left(), 10);
  f->SetLeft(111);
  f->SetWidth(640);
  f->Free();
  EXPECT_EQ(
      reg.strings.at(FakeRegistry::K(lxHKEY_CURRENT_USER, "Software\\Nobrivo\\Main", "State")),
      "Normal");
  f = StoredWindow();
  EXPECT_EQ(f->Left(), 111);
  EXPECT_EQ(f->Width(), 640);
  f->SetWindowState(wsMaximized);
  f->SetLeft(5);
  f->Free();  // maximized: only the state is saved
  f = StoredWindow();
  EXPECT_EQ(f->Left(), 111);
  EXPECT_EQ(f->WindowState(), wsMaximized);
  f->Free();
  // A state without a position puts the window back as designed.
  reg.ints.clear();
  f = StoredWindow();
  EXPECT_EQ(f->Left(), 10);
  EXPECT_EQ(f->WindowState(), wsNormal);
  f->Free();
  SetFormStorageRegistry(nullptr);
  EXPECT_THROW(new TlxFormStorage(nullptr), EInvalidCast);
}
}  // namespace

TEST(FormStorage, PlatformStoreKeepsValuesInTheSettingsFile) {
  char dir[] = "/tmp/nobrivo_l10n_regXXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  setenv("NOBRIVO_CONFIG_DIR", dir, 1);
  SetFormStorageRegistry(nullptr);
  TlxRegistryStore* store = FormStorageRegistry();
  store->WriteString(lxHKEY_CURRENT_USER, "Software\\Nobrivo\\Test", "State", "Normal");
  store->WriteInteger(lxHKEY_CURRENT_USER, "Software\\Nobrivo\\Test", "Left", -7);
  EXPECT_EQ(store->ReadString(lxHKEY_CURRENT_USER, "Software\\Nobrivo\\Test", "State"), "Normal");
  EXPECT_EQ(store->ReadInteger(lxHKEY_CURRENT_USER, "Software\\Nobrivo\\Test", "Left"), -7);
  // A value of another type, or none, reads as nothing.
  EXPECT_EQ(store->ReadInteger(lxHKEY_CURRENT_USER, "Software\\Nobrivo\\Test", "State"), std::nullopt);
  EXPECT_EQ(store->ReadString(lxHKEY_CURRENT_USER, "Software\\Nobrivo\\None", "X"), std::nullopt);
}
