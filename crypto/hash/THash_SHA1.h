// SHA-1 (FIPS 180-1): SHA with the rotation in the message expansion.
#pragma once

#include "crypto/hash/THash_SHA.h"

class THash_SHA1 : public THash_SHA {
  HASH_CLASS(THash_SHA1, THash_SHA)
 public:
  void Reset() override;
};
