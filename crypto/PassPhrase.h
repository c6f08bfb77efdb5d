// The bytes a pass phrase is hashed as: Windows-1252 when every character of
// the (UTF-8) phrase has a Windows-1252 byte, so that files keyed by 8-bit
// pass phrases keep opening; otherwise the phrase's own bytes (UTF-8, or
// whatever bytes it holds when it is not valid UTF-8).
#pragma once

#include <string>

std::string PassPhraseBytes(const std::string& PassPhrase);
