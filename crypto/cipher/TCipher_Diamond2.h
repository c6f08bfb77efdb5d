// Diamond II and Diamond II Lite (M. P. Johnson): per round every byte of the
// block passes through its own key-dependent permutation, and between rounds
// a bit transposition spreads each byte's bits over the block. The boxes are
// built from the key by a CRC-32 driven generator and live in owned tables
// from Init to the next wipe.
#pragma once

#include <cstdint>
#include <vector>

#include "crypto/TCipher.h"

class TCipher_Diamond2 : public TCipher {
  CIPHER_CLASS(TCipher_Diamond2, TCipher)
 public:
  ~TCipher_Diamond2() override;
  void Init(const void* Key, int Size, const void* IVector) override;
  void EncryptBlock(void* Data) override;
  void DecryptBlock(void* Data) override;
  // The base wipe, then the boxes are cleared and freed.
  void WipeState() override;

  // Keeps a round count from 5 to 15 (Lite: 4 to 30); any other gives 10.
  // It takes effect with the next Init, which builds the boxes for it.
  virtual void SetRoundCount(int32_t Count);
  int32_t Rounds() const { return rounds_; }

 protected:
  int32_t rounds_ = 0;

 private:
  // The rounds the boxes were built for, and Rounds x BlockSize boxes of
  // 256 bytes each.
  int32_t box_rounds_ = 0;
  std::vector<uint8_t> encrypt_boxes_;
  std::vector<uint8_t> decrypt_boxes_;
};

class TCipher_Diamond2Lite : public TCipher_Diamond2 {
  CIPHER_CLASS(TCipher_Diamond2Lite, TCipher_Diamond2)
 public:
  void SetRoundCount(int32_t Count) override;
};

namespace diamond2 {
// The bit transposition between rounds on a block of B (8 or 16) bytes:
// output byte i takes bit k from input byte (i + k) mod B; and its inverse.
void Permute(uint8_t* Block, int B);
void InversePermute(uint8_t* Block, int B);
}  // namespace diamond2
