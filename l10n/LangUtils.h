// Text helpers of the translation components. A translation line is a key
// followed by one column per language, each opened by the language
// delimiter D (byte 1 by default): K D t1 D t2 D ... D tN D.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TComponent;
class TObject;
struct TPropInfo;

// Field n of a line: n = 0 is the text up to the first D after the first
// character (the first character is never a delimiter); n >= 1 the text
// after the n-th such D up to the next D or the end; empty when missing.
std::string ExtractField(std::string_view Text, char D, int N);
// Words separated by single delimiters (empty words between two delimiters
// count, a leading delimiter is skipped). 1-based position of word N; the
// text's length when there is none. ExtractWord gives "" for position 0 or
// the text's length.
int WordPosition(int N, std::string_view Text, char D);
std::string ExtractWord(int N, std::string_view Text, char D);
// The number of delimiter characters.
int WordCount(std::string_view Text, char D);
// Exact, case-sensitive substring search; 1-based, 0 when absent, 1 for an
// empty pattern.
int FastPos(std::string_view Pattern, std::string_view Text);
// Replaces the first (or every) exact occurrence of Old.
std::string ReplaceText(std::string_view Text, std::string_view Old, std::string_view New,
                        bool All);
// Column 1 of the line in upper case.
std::string TestModeText(std::string_view Line, char D);
// The key of a line: the text before its first D (the whole line without D).
std::string LineKey(std::string_view Line, char D);
// Whether Line starts with Prefix, letter case ignored.
bool StartsText(std::string_view Prefix, std::string_view Line);

// Line breaks inside a text are stored as bytes 25 (CR) and 26 (LF).
std::string EncodeLineBreaks(std::string_view Text);
std::string DecodeLineBreaks(std::string_view Text);

// Stored texts of old files are single-byte Windows-1252 text; a text that
// is not well-formed UTF-8 is taken as such and converted.
std::string StoredTextToUtf8(std::string_view Bytes);

// Font character sets by name ("GREEK_CHARSET" = 161), in the order they are
// tried. CharsetName gives "" for an unknown value.
struct TCharsetIdent {
  const char* Name;
  int32_t Value;
};
extern const TCharsetIdent CharsetIdents[19];
std::string CharsetName(int32_t Value);
// Case-sensitive or not; false when unknown.
bool CharsetFromName(std::string_view Name, bool IgnoreCase, int32_t& Value);

// The component has a published property of that name whose type kind is
// a string kind (tkString, tkLString, tkWString).
bool HasStringProperty(TObject* Instance, std::string_view Name);
// ... a class property whose type is named ClassName (case ignored).
bool HasClassProperty(TObject* Instance, std::string_view Name, std::string_view ClassName);
// The property, when published with read and write access.
const TPropInfo* ReadWriteProp(TObject* Instance, std::string_view Name);
