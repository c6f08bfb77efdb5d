// RC4 presented as a 16-byte block cipher: each block is XORed with the next
// 16 keystream bytes. The keyed state (S, i, j) is saved at the end of Init,
// after the IV has taken its keystream, and every feedback reset restores it,
// so each coding action starts at the same keystream position.
#pragma once

#include <cstdint>

#include "crypto/TCipher.h"

class TCipher_RC4 : public TCipher {
  CIPHER_CLASS(TCipher_RC4, TCipher)
 public:
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  void ResetFeedback() override;

 private:
  // KeySchedule bytes 0 to 255 are S, 256 to 511 its saved copy.
  uint8_t i_ = 0, j_ = 0;
  uint8_t saved_i_ = 0, saved_j_ = 0;
};
