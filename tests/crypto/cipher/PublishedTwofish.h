// Twofish with the published odd subkeys ROL(A + 2B, 9), where the library
// keeps its own; the published test vectors and peers hold for this one.
#pragma once

#include "crypto/cipher/TCipher_Twofish.h"

class PublishedTwofish : public TCipher_Twofish {
 public:
  void Init(const void* Key, int Size, const void* IVector) override {
    PrepareInit(Size);
    ExpandKey(Key, Size, true);
    CompleteInit(IVector);
  }
};
