#include "crypto/PassPhrase.h"

#include "rtl/Codepage.h"
#include "rtl/Wipe.h"

std::string PassPhraseBytes(const std::string& PassPhrase) {
  std::string bytes;
  if (TryUtf8ToCp1252(PassPhrase, bytes)) return bytes;
  WipeString(bytes);
  return PassPhrase;
}
