#include "crypto/hash/THash_SHA1.h"

HASH_DEFINE_CLASS(THash_SHA1, THash_SHA, 20)

void THash_SHA1::Reset() {
  Rotate = true;
  THash_SHA::Reset();
}
