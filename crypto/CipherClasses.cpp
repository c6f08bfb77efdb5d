// The cipher registry and the library's start-up table of cipher classes, in
// the order the program's lists rely on.
#include <mutex>

#include "crypto/ClassRegistry.h"
#include "crypto/TCipher.h"
#include "crypto/cipher/TCipher_3Way.h"
#include "crypto/cipher/TCipher_Blowfish.h"
#include "crypto/cipher/TCipher_Cast128.h"
#include "crypto/cipher/TCipher_Cast256.h"
#include "crypto/cipher/TCipher_DES.h"
#include "crypto/cipher/TCipher_DESX.h"
#include "crypto/cipher/TCipher_Diamond2.h"
#include "crypto/cipher/TCipher_FROG.h"
#include "crypto/cipher/TCipher_Gost.h"
#include "crypto/cipher/TCipher_IDEA.h"
#include "crypto/cipher/TCipher_Mars.h"
#include "crypto/cipher/TCipher_Misty.h"
#include "crypto/cipher/TCipher_NewDES.h"
#include "crypto/cipher/TCipher_Q128.h"
#include "crypto/cipher/TCipher_RC2.h"
#include "crypto/cipher/TCipher_RC4.h"
#include "crypto/cipher/TCipher_RC5.h"
#include "crypto/cipher/TCipher_RC6.h"
#include "crypto/cipher/TCipher_Rijndael.h"
#include "crypto/cipher/TCipher_SAFER.h"
#include "crypto/cipher/TCipher_SCOP.h"
#include "crypto/cipher/TCipher_Sapphire.h"
#include "crypto/cipher/TCipher_Shark.h"
#include "crypto/cipher/TCipher_Skipjack.h"
#include "crypto/cipher/TCipher_Square.h"
#include "crypto/cipher/TCipher_TEA.h"
#include "crypto/cipher/TCipher_Twofish.h"

namespace {

struct TStandardCipher {
  TCipherClass (*Class)();
  const char* DisplayName;
  const char* Note;
};

// An empty display name is derived from the class name ("TCipher_Twofish"
// gives "Twofish").
const TStandardCipher kStandardCiphers[] = {
    {TCipher_3Way::StaticClass, "", ""},
    {TCipher_Blowfish::StaticClass, "", ""},
    {TCipher_Gost::StaticClass, "", ""},
    {TCipher_IDEA::StaticClass, "", "free for non-commercial"},
    {TCipher_Q128::StaticClass, "", ""},
    {TCipher_SAFER_K40::StaticClass, "SAFER-K40", ""},
    {TCipher_SAFER_SK40::StaticClass, "SAFER-SK40", "Keyscheduling"},
    {TCipher_SAFER_K64::StaticClass, "SAFER-K64", ""},
    {TCipher_SAFER_SK64::StaticClass, "SAFER-SK64", "Keyscheduling"},
    {TCipher_SAFER_K128::StaticClass, "SAFER-K128", ""},
    {TCipher_SAFER_SK128::StaticClass, "SAFER-SK128", "Keyscheduling"},
    {TCipher_SCOP::StaticClass, "", ""},
    {TCipher_Shark::StaticClass, "", ""},
    {TCipher_Square::StaticClass, "", ""},
    {TCipher_TEA::StaticClass, "TEA", ""},
    {TCipher_TEAN::StaticClass, "TEA extended", ""},
    {TCipher_Twofish::StaticClass, "", ""},
    {TCipher_Cast128::StaticClass, "Cast 128", ""},
    {TCipher_Cast256::StaticClass, "Cast 256", "Patented"},
    {TCipher_1DES::StaticClass, "DES Single 8byte", ""},
    {TCipher_2DES::StaticClass, "DES Double 8byte", ""},
    {TCipher_2DDES::StaticClass, "DES Double 16byte", ""},
    {TCipher_3DES::StaticClass, "DES Triple 8byte", ""},
    {TCipher_3DDES::StaticClass, "DES Triple 16byte", ""},
    {TCipher_3TDES::StaticClass, "DES Triple 24byte", ""},
    {TCipher_DESX::StaticClass, "DESX", "Copyright by RSA"},
    {TCipher_Diamond2::StaticClass, "Diamond II", ""},
    {TCipher_Diamond2Lite::StaticClass, "Diamond II Lite", ""},
    {TCipher_FROG::StaticClass, "", ""},
    {TCipher_Mars::StaticClass, "", "Patented"},
    {TCipher_Misty::StaticClass, "Misty 1", "free for non-commercial"},
    {TCipher_NewDES::StaticClass, "", ""},
    {TCipher_RC2::StaticClass, "", ""},
    {TCipher_RC4::StaticClass, "", "Patented by RSA"},
    {TCipher_RC5::StaticClass, "", "Patented by RSA"},
    {TCipher_RC6::StaticClass, "", "Patented by RSA"},
    {TCipher_Rijndael::StaticClass, "", ""},
    {TCipher_Sapphire::StaticClass, "Sapphire II", ""},
    {TCipher_Skipjack::StaticClass, "", ""},
};

TClassRegistry<TCipherClass>& Registry() {
  static TClassRegistry<TCipherClass> registry;
  static std::once_flag filled;
  std::call_once(filled, [] {
    for (const TStandardCipher& c : kStandardCiphers)
      if (c.Class) registry.Register(c.Class(), c.DisplayName, c.Note);
  });
  return registry;
}

}  // namespace

bool RegisterCipherClass(TCipherClass Class, const std::string& DisplayName,
                         const std::string& Note) {
  return Registry().Register(Class, DisplayName, Note);
}

TCipherClass FindCipherClass(const std::string& Name) { return Registry().Find(Name); }

std::string CipherClassDisplayName(TCipherClass Class) { return Registry().DisplayName(Class); }

std::string CipherClassEntryText(TCipherClass Class) { return Registry().EntryText(Class); }

std::vector<TCipherClassEntry> CipherClassList() {
  std::vector<TCipherClassEntry> out;
  for (const auto& e : Registry().Entries()) out.push_back({e.DisplayName, e.Note, e.Class});
  return out;
}

TCipherClass DefaultCipherClass() { return TCipher_Blowfish::StaticClass(); }
