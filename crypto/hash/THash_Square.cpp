#include "crypto/hash/THash_Square.h"

#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/cipher/TCipher_Square.h"

HASH_DEFINE_CLASS(THash_Square, THash, 16)

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "digest words are their little-endian bytes");

void THash_Square::Reset() {
  std::memset(Buffer, 0, sizeof Buffer);
  Digest[0] = 0x67452301;
  Digest[1] = 0xEFCDAB89;
  Digest[2] = 0x98BADCFE;
  Digest[3] = 0x10325476;
  Count = 0;
  THash::Reset();
}

void THash_Square::Compress(const uint8_t* Block) {
  if (!cipher_) cipher_ = TCipher_Square::StaticClass()->Create();
  // The block may be the digest itself (a keystream of chained digests).
  uint8_t m[16];
  std::memcpy(m, Block, 16);
  // A given IV spares the cipher the encryption that derives one.
  static const uint8_t kNoIV[16] = {};
  cipher_->Init(Digest, 16, kNoIV);
  uint8_t out[16];
  std::memcpy(out, m, 16);
  cipher_->EncryptBlock(out);
  std::memcpy(Digest, out, 16);
  // The feed-forward takes the block's own first four bytes, also for full
  // blocks taken straight from the caller's data, so the digest does not
  // depend on how the data is split into Update calls.
  for (int i = 0; i < 4; ++i) Digest[i] ^= m[i];
}

void THash_Square::Update(const void* Data, int64_t Size) {
  if (Size <= 0) return;
  const uint8_t* p = static_cast<const uint8_t*>(Data);
  const int64_t r = static_cast<int64_t>(Count % 16);
  Count += static_cast<uint64_t>(Size);
  if (r > 0) {
    if (Size < 16 - r) {
      std::memcpy(Buffer + r, p, static_cast<size_t>(Size));
      return;
    }
    std::memcpy(Buffer + r, p, static_cast<size_t>(16 - r));
    Compress(Buffer);
    p += 16 - r;
    Size -= 16 - r;
  }
  for (; Size >= 16; Size -= 16, p += 16) Compress(p);
  if (Size > 0) std::memcpy(Buffer, p, static_cast<size_t>(Size));
}

void THash_Square::Finish() {
  const int r = static_cast<int>(Count % 16);
  Buffer[r] = 0x80;
  std::memset(Buffer + r + 1, 0, static_cast<size_t>(15 - r));
  if (r >= 8) {
    Compress(Buffer);
    std::memset(Buffer, 0, sizeof Buffer);
  }
  StoreLE64(Buffer + 8, Count * 8);
  Compress(Buffer);
  std::memset(Buffer, 0, sizeof Buffer);
  THash::Finish();
}

uint8_t* THash_Square::GetDigest() {
  return reinterpret_cast<uint8_t*>(Digest);
}
