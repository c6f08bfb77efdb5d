// Sapphire II (M. P. Johnson) presented as a 32-byte block cipher: each
// byte takes one step of the state the Sapphire II digests use. The keyed
// state is saved at the end of Init, after the IV has advanced it, and every
// feedback reset restores it.
#pragma once

#include "crypto/TCipher.h"

class TCipher_Sapphire : public TCipher {
  CIPHER_CLASS(TCipher_Sapphire, TCipher)
 public:
  // An empty key gives the digests' initial state.
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  void ResetFeedback() override;
};
