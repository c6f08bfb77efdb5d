#include "crypto/cipher/TCipher_RC4.h"

#include <cstring>
#include <utility>

CIPHER_DEFINE_CLASS(TCipher_RC4, TCipher, 16, 256, 512)

void TCipher_RC4::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);  // an empty key raises: the key index is taken modulo Size
  const uint8_t* k = static_cast<const uint8_t*>(Key);
  uint8_t* s = KeySchedule();
  i_ = j_ = 0;
  for (int n = 0; n < 256; ++n) s[n] = static_cast<uint8_t>(n);
  uint8_t j = 0;
  for (int n = 0; n < 256; ++n) {
    j = static_cast<uint8_t>(j + s[n] + k[n % Size]);
    std::swap(s[n], s[j]);
  }
  // Without an IVector the IV takes the first 16 keystream bytes.
  CompleteInit(IVector);
  std::memcpy(s + 256, s, 256);
  saved_i_ = i_;
  saved_j_ = j_;
}

void TCipher_RC4::EncryptBlock(void* Data) {
  uint8_t* d = static_cast<uint8_t*>(Data);
  uint8_t* s = KeySchedule();
  // Indices as full words, reduced to a byte where they are used.
  unsigned i = i_, j = j_;
  for (int n = 0; n < 16; ++n) {
    i = (i + 1) & 0xFF;
    const unsigned si = s[i];
    j = (j + si) & 0xFF;
    const unsigned sj = s[j];
    s[i] = static_cast<uint8_t>(sj);
    s[j] = static_cast<uint8_t>(si);
    d[n] ^= s[(si + sj) & 0xFF];
  }
  i_ = static_cast<uint8_t>(i);
  j_ = static_cast<uint8_t>(j);
}

void TCipher_RC4::DecryptBlock(void* Data) {
  EncryptBlock(Data);
}

void TCipher_RC4::ResetFeedback() {
  TCipher::ResetFeedback();
  uint8_t* s = KeySchedule();
  std::memcpy(s, s + 256, 256);
  i_ = saved_i_;
  j_ = saved_j_;
}
