#pragma once
// The program's settings: one text value per setting under
// Software\Nobrivo\<section> of the current user. Every routine opens the
// key anew, does one read or write and closes it.

#include <string>

constexpr const char* kSettingsKey = "Software\\Nobrivo";

// Raise when the section's key cannot be created or the value not written.
void WriteRegString(const std::string& Section, const std::string& Name, const std::string& Value);
void WriteRegInteger(const std::string& Section, const std::string& Name, int32_t Value);
void WriteRegBool(const std::string& Section, const std::string& Name, bool Value);
// A missing key or value gives the default; a value stored as another kind
// than text raises.
std::string ReadRegString(const std::string& Section, const std::string& Name, const std::string& Default);
// Text that is not a decimal integer gives the default.
int32_t ReadRegInteger(const std::string& Section, const std::string& Name, int32_t Default);
// An integer (default 1 or 0), true when not 0.
bool ReadRegBool(const std::string& Section, const std::string& Name, bool Default);

// The options dialog reads the stored options; the pass-phrase dialog's
// cipher list takes the stored default cipher.
void LoadSettings();
