#pragma once
// The windows' texts in the program's six languages (1 English, 2 French,
// 3 German, 4 Italian, 5 Portuguese, 6 Spanish). Each window carries its
// translation data as an embedded text resource, read while the window is
// created; the main window's dispatcher switches every linked window and,
// when the optional translation file exists, gives them its texts.

#include <string>
#include <string_view>

class TComponent;
class TlxCustomLang;
class TlxLang;
class TlxLangDispatcher;

// The translation file, looked up relative to the current folder.
inline constexpr const char* kLanguagesFile = "bin/languages.lng";

// The embedded translation data of a window ("frmMain", "frmPassword",
// "frmOptions"); empty for a window that has none.
std::string_view WindowTranslationData(std::string_view Window);

// The program's dispatcher, named lxLangDispatcher1, owned by Owner.
TlxLangDispatcher* CreateLangDispatcher(TComponent* Owner);

// Gives Window its translation component lxLang1, loaded with the window's
// embedded data and linked to Dispatcher (which may be null). A translation
// that cannot be read or applied leaves the window's own texts in place:
// the window is created all the same.
TlxLang* AttachWindowTranslation(TComponent* Window, std::string_view Data, TlxLangDispatcher* Dispatcher);

// Switches every window linked to Dispatcher; a translation that cannot be
// applied leaves the texts as they were.
void SwitchLanguage(TlxLangDispatcher* Dispatcher, int32_t Language);

// Gives the message dialogs the titles and button captions of Lang's active
// language (English where a text is missing).
void ApplyDialogCaptions(TlxCustomLang* Lang);
