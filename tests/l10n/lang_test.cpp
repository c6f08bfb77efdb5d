// The translation component: kind lists, window data, applying languages.
#include <gtest/gtest.h>

#include "LangFixtures.h"
#include "l10n/LangUtils.h"
#include "rtl/FormatSettings.h"

namespace {
// English and Spanish everywhere, French only for the OK button.
std::string MainPayload() {
  return Payload({"stCaptions", Line("TfrmMain", {"Main", "", "", "", "", "Principal"}),
                  Line("btnOK", {"OK", "D'accord", "", "", "", "Aceptar"}), "stHints",
                  Line("btnOK", {"Accept", "", "", "", "", "Aceptar cambios"}), "stMultiLines",
                  Line("cbKind.Items", {"One,Two,Three", "", "", "", "", "Uno,Dos,Tres"}),
                  "stStrings", Line("IDS_4", {"About...", "", "", "", "", "Acerca de..."}),
                  "stCollections",
                  Line("sbMain.Panels[1].Caption", {"Width", "", "", "", "", "Ancho"}),
                  Line("sbMain.Panels[0].Font.Name", {"Tahoma", "", "", "", "", "Verdana"})});
}

struct Window {
  explicit Window(TWindowSpec spec = {MainPayload()})
      : form(MakeWindow<TfrmMain>(spec)), lang(LangOf(form)) {}
  ~Window() { form->Free(); }
  template <typename T>
  T* Get(const char* name) {
    return dynamic_cast<T*>(form->FindComponent(name));
  }
  TFixControl* ok() { return Get<TFixControl>("btnOK"); }
  TFixCombo* combo() { return Get<TFixCombo>("cbKind"); }
  TFixPanel* panel(int i) {
    return static_cast<TFixPanel*>(Get<TFixStatusBar>("sbMain")->Panels()->Items(i));
  }
  TfrmMain* form;
  TlxLang* lang;
};

TEST(LangHelpers, FieldsAndWords) {
  const std::string abc = "abc" + std::string(1, D) + "d";
  EXPECT_EQ(ExtractField(abc, D, 0), "abc");
  EXPECT_EQ(ExtractField(abc, D, 1), "d");
  EXPECT_EQ(ExtractField(abc, D, 2), "");
  const std::string lead = std::string(1, D) + "x" + D + "y";
  EXPECT_EQ(ExtractField(lead, D, 0),
            std::string(1, D) + "x");                   // the first character is never a delimiter
  const std::string values = Line("", {"", "b", "c"});  // D D b D c D
  EXPECT_EQ(ExtractWord(1, values, D), "");
  EXPECT_EQ(ExtractWord(2, values, D), "b");
  // A leading delimiter is skipped: word 1 is the second column.
  const std::string v2 = std::string(1, D) + "two" + D + "three" + D;
  EXPECT_EQ(ExtractWord(1, v2, D), "two");
  EXPECT_EQ(ExtractWord(2, v2, D), "three");
  EXPECT_EQ(ExtractWord(3, v2, D), "");
  EXPECT_EQ(FastPos("ab", "xxabab"), 3);
  EXPECT_EQ(FastPos("", "x"), 1);
  EXPECT_EQ(FastPos("abc", "ab"), 0);
  EXPECT_EQ(WordCount(v2, D), 3);
}

TEST(Lang, OnlyOnePerWindow) {
  Window w;
  EXPECT_THROW(
      {
        try {
          new TlxLang(w.form);
        } catch (const Exception& e) {
          EXPECT_STREQ(e.what(), "Only one TlxCustomLang component per Form/DataModule allowed!");
          throw;
        }
      },
      Exception);
  EXPECT_EQ(LangOf(w.form), w.lang);
}

TEST(Lang, AppliesEachLanguageWithEnglishFallback) {
  Window w({MainPayload(), 6, nullptr, ttGetDefault});
  // Loading applies nothing by itself: the window keeps its designed texts.
  EXPECT_EQ(w.form->Caption(), "Designed");
  w.lang->SetActiveLanguage(6);
  EXPECT_EQ(w.form->Caption(), "Principal");
  EXPECT_EQ(w.ok()->Caption(), "Aceptar");
  EXPECT_EQ(w.ok()->Hint(), "Aceptar cambios");
  EXPECT_EQ(w.combo()->Items()->CommaText(), "Uno,Dos,Tres");
  EXPECT_EQ(w.panel(1)->Caption(), "Ancho");
  EXPECT_EQ(w.panel(0)->Font()->Name(), "Verdana");
  EXPECT_EQ(w.lang->Language(), "Spanish");
  w.lang->SetActiveLanguage(2);  // French: only the button has a text
  EXPECT_EQ(w.ok()->Caption(), "D'accord");
  EXPECT_EQ(w.form->Caption(), "Main");
  EXPECT_EQ(w.ok()->Hint(), "Accept");
  w.lang->SetActiveLanguage(1);
  EXPECT_EQ(w.combo()->Items()->CommaText(), "One,Two,Three");
  EXPECT_EQ(w.panel(0)->Font()->Name(), "Tahoma");
}

TEST(Lang, NoChangeKeepsTextsOfEmptyColumns) {
  Window w;
  w.lang->SetActiveLanguage(6);
  w.lang->SetActiveLanguage(2);
  EXPECT_EQ(w.ok()->Caption(), "D'accord");
  EXPECT_EQ(w.form->Caption(), "Principal");  // French empty: Spanish stays
  EXPECT_EQ(w.ok()->Hint(), "Aceptar cambios");
}

TEST(Lang, ChangingCursorShownWhileApplying) {
  Window w;
  int32_t cursor = 0;
  std::vector<int32_t> seen;
  SetLangScreenCursor({[&] { return cursor; }, [&](int32_t c) { seen.push_back(cursor = c); }});
  w.lang->SetChangingCursor(-11);
  w.lang->OnChangeLanguage = [&](TObject*) { seen.push_back(100 + cursor); };
  w.lang->SetActiveLanguage(6);
  EXPECT_EQ(seen, (std::vector<int32_t>{-11, 89, 0}));
  w.lang->OnChangeLanguage = [](TObject*) { throw Exception("failed"); };
  EXPECT_THROW(w.lang->SetActiveLanguage(1), Exception);
  EXPECT_EQ(cursor, 0);  // restored also when applying fails
  SetLangScreenCursor({});
}

TEST(Lang, ActiveLanguageRange) {
  Window w;
  for (int bad : {0, 7}) {
    try {
      w.lang->SetActiveLanguage(bad);
      ADD_FAILURE() << bad;
    } catch (const ELanguageError& e) {
      EXPECT_EQ(e.Message(), std::to_string(bad) +
                                 " - is not a valid property value!\rValue must be within [1..6]!");
    }
  }
  EXPECT_EQ(w.lang->ActiveLanguage(), 1);
  w.form->BeginLoading();
  w.lang->SetActiveLanguage(9);  // ignored while loading
  w.form->EndLoading();
  EXPECT_EQ(w.lang->ActiveLanguage(), 1);
}

TEST(Lang, NumOfLanguagesCutsColumnsButNotShortLines) {
  TOwned<TfrmMain> f(new TfrmMain);
  TlxLang* lang = BuildWindow(
      f.get(), {Payload({"stStrings", Line("B", {"x", "y", "z"}), Line("K", {"a"})}), 3});
  lang->SetNumOfLanguages(2);
  EXPECT_EQ(lang->Strings()->Strings(0), Line("B", {"x", "y"}));
  // A line with fewer columns keeps its closing delimiter (it used to lose it).
  EXPECT_EQ(lang->Strings()->Strings(1).substr(0, 4), Line("K", {"a"}));
  lang->SetNumOfLanguages(3);
  EXPECT_EQ(lang->LangNames()->Strings(2), "Language N3");
  try {
    lang->SetNumOfLanguages(0);
    ADD_FAILURE();
  } catch (const ELanguageError& e) {
    EXPECT_EQ(e.Message(), "0 - is not a valid property value !\rValue must be more than ZERO !");
  }
}

TEST(Lang, SetEntryValue) {
  TOwned<TfrmMain> f(new TfrmMain);
  TlxLang* lang = BuildWindow(f.get(), {Payload({"stStrings", Line("K", {"a"})}), 3});
  TStrings* s = lang->Strings();
  lang->SetEntryValue(s, "t", 3, "k");  // no delimiter opens column 3: unchanged
  EXPECT_EQ(s->Strings(0), Line("K", {"a"}));
  lang->SetEntryValue(s, "t", 2, "k");
  EXPECT_EQ(s->Strings(0), "K" + std::string(1, D) + "a" + D + "t");
  lang->SetEntryValue(s, "A2", 1, "K");
  EXPECT_EQ(s->Strings(0), "K" + std::string(1, D) + "A2" + D + "t");
  EXPECT_EQ(lang->LookupStringOrDefault("K"), "A2");  // the cache follows
}

TEST(Lang, LangNamesShorterThanActiveLanguage) {
  Window w;
  w.lang->SetActiveLanguage(6);
  TStringList two;
  two.Add("English");
  two.Add("Spanish");
  w.lang->SetLangNames(&two);  // used to fail with the list's index error
  EXPECT_EQ(w.lang->NumOfLanguages(), 2);
  EXPECT_EQ(w.lang->Language(), "Spanish");
  EXPECT_THROW(w.lang->SetLanguage("Klingon"), ELanguageError);
}

TEST(Lang, LookupStrings) {
  Window w;
  TStrings* s = w.lang->Strings();
  s->Add(Line("IDS_5", {"Five", "", "Fünf"}));
  s->Add("IDS_6" + std::string(1, D) + "Six" + D + "Sechs");  // last column without its delimiter
  s->Add(Line("IDS_7", {"Seven"}));
  w.lang->RebuildCaches();
  w.lang->SetActiveLanguage(6);
  EXPECT_EQ(w.lang->LookupStringOrDefault("ids_4"), "Acerca de...");
  EXPECT_EQ(w.lang->LookupStringOrDefault("IDS_5"), "Five");
  EXPECT_EQ(w.lang->LookupString(s, "IDS_5", false), "");
  EXPECT_EQ(w.lang->LookupStringOrDefault("nope"), "");
  w.lang->SetActiveLanguage(3);
  EXPECT_EQ(w.lang->LookupStringOrDefault("IDS_5"), "Fünf");
  EXPECT_EQ(w.lang->LookupString(s, "IDS_6", false), "");
  EXPECT_EQ(w.lang->LookupStringOrDefault("IDS_6"), "Six");
  // The text search over other lists reads one line only.
  TStrings* dlg = w.lang->DlgsCaptions();
  dlg->Add("Last" + std::string(1, D) + "L1" + D + "L2" + D + "L3");
  dlg->Add(Line("Next", {"N"}));
  EXPECT_EQ(w.lang->LookupString(dlg, "Last", false), "L3");
  w.lang->SetActiveLanguage(4);
  EXPECT_EQ(w.lang->LookupString(dlg, "Last", true), "L1");
  EXPECT_EQ(w.lang->LookupString(dlg, "warning", true), "Warning");
  w.lang->SetDoRaiseExceptions(true);
  try {
    w.lang->LookupStringOrDefault("nope");
    ADD_FAILURE();
  } catch (const ELanguageError& e) {
    EXPECT_EQ(e.Message(), "String identifier \"nope\" not found!");
  }
}

TEST(Lang, RedirectionToItselfEnds) {
  TlxLangDispatcher d(nullptr);
  d.SetNumOfLanguages(6);
  Window w({MainPayload(), 6, &d});
  TlxLangOptions o{loUseExtUDStrings, loUseExtCommonStrings};
  w.lang->SetOptions(o);
  // The first linked component with strings is this one.
  EXPECT_EQ(w.lang->LookupStringOrDefault("IDS_4"), "About...");
  // loUseExtCommonStrings empties its own lists at the end of loading: a
  // second window then reads the first one's dialog captions.
  TOwned<TfrmOptions> other(new TfrmOptions);
  TlxLang* second = BuildWindow(other.get(), {Payload({}), 6, &d});
  second->SetOptions(o);
  second->DlgsCaptions()->Clear();
  EXPECT_EQ(second->LookupString(second->DlgsCaptions(), "Warning", true), "Warning");
  EXPECT_EQ(second->LookupStringOrDefault("IDS_4"), "About...");
}

TEST(TranslationData, WritesAndReadsEveryKind) {
  Window w;
  w.lang->Captions()->Add(Line("lblNote", {"Two"
                                           "\r\n"
                                           "lines",
                                           "", "", "", "", "Dos\nlíneas"}));
  const std::string text = w.lang->TranslationDataText();
  EXPECT_EQ(text.find("\r\n" + std::string("lblNote") + D + "Two\x19\x1Alines"),
            text.find("\r\nlblNote"));
  EXPECT_NE(text.find("stCharSets\r\n"), std::string::npos);
  EXPECT_EQ(text.find("stListView_TreeView_Items"),
            std::string::npos);  // TlxLang keeps no such list
  TOwned<TfrmMain> f(new TfrmMain);
  TlxLang* copy = BuildWindow(f.get(), {text});
  EXPECT_EQ(copy->TranslationDataText(), text);
  EXPECT_EQ(copy->Captions()->Strings(2), w.lang->Captions()->Strings(2));
}

TEST(TranslationData, KindNamesStartKindsInAnyCase) {
  TOwned<TfrmMain> f(new TfrmMain);
  TlxLang* lang = BuildWindow(
      f.get(),
      {Payload({"before any kind", "STCAPTIONS", Line("btnOK", {"OK"}), "stHints", "stStrings"})});
  EXPECT_EQ(lang->Captions()->Count(), 1);
  EXPECT_EQ(lang->Hints()->Count(), 0);
  EXPECT_EQ(lang->Strings()->Count(), 0);
  EXPECT_EQ(lang->DlgsCaptions()->Count(), 15);  // not in the data: the defaults stay
  EXPECT_EQ(lang->DlgsCaptions()->Strings(12), Line("No To All", {"N&o to All"}));
  EXPECT_EQ(lang->Locales()->Count(), 15);
}

TEST(TranslationData, TabDelimitedDataTurnsIntoDelimiters) {
  TOwned<TfrmMain> f(new TfrmMain);
  auto* ok = new TFixControl(f.get());
  ok->SetName("btnOK");
  auto* lang = new TlxLang(f.get());
  f->BeginLoading();
  lang->SetNumOfLanguages(2);
  lang->SetLangDelim(9);
  lang->ReadTranslationDataText("stCaptions\r\nbtnOK\tOK\tVale\t\r\n");
  f->EndLoading();
  EXPECT_EQ(lang->LangDelim(), 1);
  EXPECT_EQ(lang->Captions()->Strings(0), Line("btnOK", {"OK", "Vale"}));
  lang->SetActiveLanguage(2);
  EXPECT_EQ(ok->Caption(), "Vale");
}

TEST(Apply, FontsAndCharacterSets) {
  std::string payload = Payload({"stFonts", Line("TfrmMain", {"Arial", "Courier"}),
                                 Line("btnOK", {"Arial", "Tahoma"}), "stCharSets",
                                 Line("TfrmMain", {"ANSI_CHARSET", "greek_charset"}),
                                 Line("btnOK", {"ANSI_CHARSET", "greek_charset"})});
  Window w({payload, 2});
  w.lang->SetActiveLanguage(2);
  EXPECT_EQ(w.ok()->Font()->Name(), "Tahoma");
  EXPECT_EQ(w.ok()->Font()->Charset(), 161);
  EXPECT_EQ(w.form->Font()->Name(), "Courier");
  EXPECT_EQ(w.form->Font()->Charset(), 1);  // the owner's needs the exact name
  w.lang->SetActiveLanguage(1);
  EXPECT_EQ(w.form->Font()->Charset(), 0);
  w.ok()->SetParentFont(true);
  w.lang->SetActiveLanguage(2);
  EXPECT_EQ(w.ok()->Font()->Name(), "Arial");
}

TEST(Apply, ComboKeepsItsIndexInsideTheList) {
  Window w;
  w.combo()->SetItemIndex(2);
  w.lang->SetActiveLanguage(6);
  EXPECT_EQ(w.combo()->ItemIndex(), 2);
  w.lang->MultiLines()->SetStrings(0, Line("cbKind.Items", {"One", "", "", "", "", "Solo"}));
  w.lang->SetActiveLanguage(1);
  w.lang->SetActiveLanguage(6);
  EXPECT_EQ(w.combo()->Items()->CommaText(), "Solo");
  EXPECT_EQ(w.combo()->ItemIndex(), -1);  // the old index pointed past the shorter list
}

TEST(Apply, SortedListIsUpdatedInPlaceAndSortedAgain) {
  Window w;
  auto* items = static_cast<TStringList*>(w.combo()->Items());
  items->SetSorted(true);
  w.lang->SetActiveLanguage(6);
  EXPECT_EQ(items->CommaText(), "Dos,Tres,Uno");
  EXPECT_TRUE(items->Sorted());
}

TEST(Apply, CollectionLines) {
  std::string payload =
      Payload({"stCollections", Line("sbMain.Panels[0].Caption", {"", "Zero"}),
               Line("sbMain.Panels[x].Caption", {"bad", "bad"}),
               Line("sbMain.Panels[-1].Caption", {"neg", "neg"}),
               EncodeLineBreaks(Line("sbMain.Panels[2].Lines", {"a\r\nb", "c\r\nd"})),
               Line("sbMain.Panels[1].Missing", {"m", "m"}),
               Line("sbMain.Panels[7].Caption", {"far", "far"})});
  Window w({payload, 2});
  w.lang->SetActiveLanguage(2);  // malformed indexes are skipped, not fatal
  EXPECT_EQ(w.panel(0)->Caption(), "Zero");
  EXPECT_EQ(w.panel(2)->Lines()->CommaText(), "c,d");
  EXPECT_EQ(w.lang->Collections()->Count(), 4);  // the missing property's line is deleted
  EXPECT_EQ(w.lang->Orphans()->Count(), 1);      // index 7 is beyond the collection
  w.lang->SetActiveLanguage(1);
  EXPECT_EQ(w.panel(0)->Caption(), "Zero");  // an empty text changes nothing
}

TEST(Apply, OrphansAndActions) {
  Window w;
  auto* action = new TFixAction(w.form);
  action->SetName("actOK");
  w.ok()->SetAction(action);
  w.ok()->SetCaption("From action");
  w.lang->Captions()->Add(Line("btnGone", {"Gone", "", "", "", "", "Ido"}));
  w.lang->SetActiveLanguage(6);
  EXPECT_EQ(w.ok()->Caption(), "From action");
  EXPECT_EQ(w.lang->Captions()->Count(), 1);  // the owner's line stays; the action's is deleted
  ASSERT_EQ(w.lang->Orphans()->Count(), 1);
  EXPECT_EQ(LineKey(w.lang->Orphans()->Strings(0), D), "btnGone");
}

TEST(Apply, OtherStringsDisplayLabelsAndLocales) {
  std::string payload = Payload({"stOtherStrings", Line("btnOK.Text", {"Text", "Texto"}),
                                 Line("TfrmMain.Hint", {"h", "pista"}), "stDisplayLabels",
                                 Line("fldName", {"Name", "Nombre"}), "stLocales",
                                 Line("Decimal Separator", {".", ","}),
                                 Line("Long Day Names", {"", "domingo,lunes"})});
  Window w({payload, 2});
  const TFormatSettings saved = FormatSettings;
  w.lang->SetChangeLocales(true);
  w.lang->SetActiveLanguage(2);
  EXPECT_EQ(w.ok()->Text(), "Texto");
  EXPECT_EQ(w.form->Hint(), "pista");
  EXPECT_EQ(w.Get<TFixField>("fldName")->DisplayLabel(), "Nombre");
  EXPECT_EQ(FormatSettings.DecimalSeparator, ',');
  EXPECT_EQ(FormatSettings.LongDayNames[1], "lunes");
  EXPECT_EQ(FormatSettings.LongDayNames[2], "Tuesday");
  FormatSettings = saved;
}

TEST(Apply, DoNotTranslateAndChangeEvent) {
  Window w;
  TStringList skip;
  skip.Add("btnOK");
  skip.Add("TfrmMain");
  w.lang->SetDoNotTranslate(&skip);
  int calls = 0;
  w.lang->OnChangeLanguage = [&](TObject* s) { calls += s == w.lang; };
  w.lang->SetActiveLanguage(6);
  EXPECT_EQ(w.ok()->Caption(), "OK");
  EXPECT_EQ(w.form->Caption(), "Designed");
  EXPECT_EQ(w.panel(1)->Caption(), "Ancho");
  EXPECT_EQ(calls, 1);
}

TEST(Extended, PathsIntoNestedObjectsAndCollections) {
  Window w({MainPayload(), 3});
  auto* items = w.lang->ExtendedTranslations();
  auto add = [&](const std::string& id, const std::string& values) {
    auto* it = items->Add();
    it->SetIdentifier(id);
    it->SetValues(values);
  };
  add("TfrmMain.Font.Size", Line("", {"8", "10"}).substr(1));
  add("sbMain.Panels[2].Font.Name", Line("", {"Arial", "Impact"}).substr(1));
  add("cbKind.ItemIndex", Line("", {"1", "x"}).substr(1));  // not a number: unchanged
  add("nobody.Caption", Line("", {"a", "b"}).substr(1));
  add("btnOK.Missing", Line("", {"a", "b"}).substr(1));
  add("cbKind.Items", Line("", {"p,q", "r,s"}).substr(1));
  w.combo()->SetItemIndex(0);
  w.lang->SetActiveLanguage(2);
  EXPECT_EQ(w.form->Font()->Size(), 10);
  EXPECT_EQ(w.panel(2)->Font()->Name(), "Impact");
  EXPECT_EQ(w.combo()->ItemIndex(), 0);
  EXPECT_EQ(w.combo()->Items()->CommaText(), "r,s");
  EXPECT_EQ(w.lang->GetPropertyText("sbMain.Panels[2].Font.Name"), "Impact");
  EXPECT_EQ(w.lang->GetPropertyText("sbMain.Panels[9].Font.Name"), "");
  EXPECT_TRUE(items->Items(0)->IsRoot());
  EXPECT_FALSE(items->Items(1)->IsRoot());
  // Values that begin with D: word 1 is the second language's text.
  items->Items(0)->SetValues(Line("", {"", "12", "14"}).substr(1));
  w.lang->SetActiveLanguage(1);
  EXPECT_EQ(w.form->Font()->Size(), 12);
}

TEST(Harvest, NewLinesOrphansAndSeparators) {
  Window w({Payload({"stCaptions", Line("TfrmMain", {"Designed", "", ""}),
                     Line("btnOld", {"Cancel", "", "Cancelar"})}),
            3});
  w.form->SetDesigning(true);
  auto* cancel = new TFixControl(w.form);
  cancel->SetName("btnCancel");
  cancel->SetCaption("Cancel");
  auto* sep = new TFixControl(w.form);
  sep->SetName("mnuSep");
  sep->SetCaption("-");
  w.lang->HarvestStrings();
  TStrings* c = w.lang->Captions();
  EXPECT_EQ(c->Strings(0), Line("TfrmMain", {"Designed", "", ""}));
  EXPECT_NE(c->IndexOf(Line("btnOK", {"OK", "", ""})), -1);
  // The removed button's translations go to the new one with the same text.
  EXPECT_NE(c->IndexOf(Line("btnCancel", {"Cancel", "", "Cancelar"})), -1);
  EXPECT_NE(c->IndexOf(Line("mnuSep", {"-", "", ""})), -1);  // only menu items are separators
}
TEST(Harvest, DesignTimeChangesFillOnlyFilledColumns) {
  Window w({Payload({"stCaptions", Line("TfrmMain", {"Designed", "", ""}),
                     Line("btnOK", {"OK", "", ""})}),
            3});
  w.form->SetDesigning(true);
  w.lang->SetActiveLanguage(2);  // harvests language 1 first, then applies 2
  w.ok()->SetCaption("Fine");
  w.lang->HarvestStrings();
  EXPECT_EQ(w.lang->GetEntryText(w.lang->Captions(), "btnOK", 2),
            "");  // an empty column stays empty
  w.lang->SetActiveLanguage(1);
  w.ok()->SetCaption("Okay");
  w.lang->HarvestStrings();
  EXPECT_EQ(w.lang->GetEntryText(w.lang->Captions(), "btnOK", 1), "Okay");
}
}  // namespace
