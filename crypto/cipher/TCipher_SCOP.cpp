#include "crypto/cipher/TCipher_SCOP.h"

#include <cstring>

#include "crypto/CodingRoutines.h"

namespace {

// KeySchedule: the working table U (388 words) and its copy saved after Init.
// U[0], U[1]: the start of the two byte indexes; U[3]: the start of e;
// W = U[4..259] and V = U[132..387] are two overlapping windows.
constexpr int kTableWords = 388;
struct ScopState {
  uint32_t U[kTableWords];
  uint32_t Saved[kTableWords];
};
static_assert(sizeof(ScopState) == 3104);

// The key generator: 48 bytes, of which b[0..31] are coefficients and
// b[32..47] the state words x0..x3 (read as coefficients too).
class Generator {
 public:
  Generator(const uint8_t* key, int length) {
    std::memcpy(b_, key, length);
    for (int i = length; i < 48; ++i) b_[i] = uint8_t(b_[i - length] + b_[i - length + 1]);
    uint8_t next = 1;
    for (int i = 0; i < 32; ++i)
      if (b_[i] == 0) b_[i] = next++;
  }
  ~Generator() { std::memset(b_, 0, sizeof(b_)); }

  void Step(uint32_t* o) {
    uint32_t t[4];
    for (int h = 0; h < 4; ++h) {
      const int i = 2 * h;
      const uint32_t x = LoadLE32(b_ + 32 + 4 * h);
      const uint32_t y = x >> 16, z = x & 0xFFFF;
      const uint32_t y2 = y * y, y3 = y2 * y, y4 = y3 * y;
      const uint32_t z2 = z * z, z3 = z2 * z, z4 = z3 * z;
      const uint32_t a = b_[4 * i] * y4 + b_[4 * i + 1] * y3 + b_[4 * i + 2] * y2 + b_[4 * i + 3] * y + 1;
      const uint32_t bb =
          b_[4 * i + 4] * z4 + b_[4 * i + 9] * z3 + b_[4 * i + 14] * z2 + b_[4 * i + 19] * z + 1;
      o[h] = (a << 16) | (bb & 0xFFFF);
      t[h] = (a & 0xFFFF0000) | (bb >> 16);
    }
    StoreLE32(b_ + 32, (t[0] >> 16) | (t[3] << 16));
    StoreLE32(b_ + 36, (t[0] << 16) | (t[1] >> 16));
    StoreLE32(b_ + 40, (t[1] << 16) | (t[2] >> 16));
    StoreLE32(b_ + 44, (t[2] << 16) | (t[3] >> 16));
  }

 private:
  uint8_t b_[48] = {};
};

// One block of 32 words: w[n] := w[n] + (t1 + t2) coding, - decoding.
template <bool Decode>
void Crypt(uint32_t* u, uint8_t* d) {
  uint32_t* w = u + 4;
  uint32_t* v = u + 132;
  uint8_t i = uint8_t(u[0]), j = uint8_t(u[1]);
  uint32_t e = u[3];
  for (int n = 0; n < 32; ++n) {
    const uint32_t t1 = v[j];
    j = uint8_t(j + e);
    const uint32_t t2 = v[j];
    v[j] = w[i] + t2;
    e = v[j];
    ++i;
    j = uint8_t(j + t2);
    const uint32_t x = LoadLE32(d + 4 * n);
    StoreLE32(d + 4 * n, Decode ? x - (t1 + t2) : x + (t1 + t2));
  }
}

}  // namespace

CIPHER_DEFINE_CLASS(TCipher_SCOP, TCipher, 128, 48, sizeof(ScopState))

void TCipher_SCOP::EncryptBlock(void* Data) {
  Crypt<false>(KeyScheduleAs<ScopState>()->U, static_cast<uint8_t*>(Data));
}

void TCipher_SCOP::DecryptBlock(void* Data) {
  Crypt<true>(KeyScheduleAs<ScopState>()->U, static_cast<uint8_t*>(Data));
}

void TCipher_SCOP::Init(const void* Key, int Size, const void* IVector) {
  // The expansion adds key bytes Size apart: an empty key has none to add.
  PrepareInit(Size);
  auto& s = *KeyScheduleAs<ScopState>();
  Generator g(static_cast<const uint8_t*>(Key), Size);
  uint32_t o[4];
  for (int n = 0; n < 8; ++n) g.Step(o);
  uint32_t* table = s.U + 3;
  for (int block = 0; block < 12; ++block) {
    for (int n = 0; n < 8; ++n) {
      g.Step(table);
      table += 4;
    }
    g.Step(o);
  }
  g.Step(o);
  s.U[3 + (o[3] & 127)] |= 1;
  s.U[0] = o[3] >> 24;
  s.U[1] = o[3] >> 16;
  s.U[2] = o[3] >> 8;
  std::memset(o, 0, sizeof(o));
  CompleteInit(IVector);
  std::memcpy(s.Saved, s.U, sizeof(s.U));
}

void TCipher_SCOP::ResetFeedback() {
  TCipher::ResetFeedback();
  auto& s = *KeyScheduleAs<ScopState>();
  std::memcpy(s.U, s.Saved, sizeof(s.U));
}

const uint8_t* TCipher_SCOP::KnownAnswer() {
  static const uint8_t answer[32] = {
      0x70, 0x41, 0x9A, 0xCD, 0x04, 0xCC, 0x5C, 0x6E, 0x7F, 0x3E, 0xC2, 0xCE, 0xC7, 0x94, 0xE6, 0xD6,
      0x90, 0x67, 0xCD, 0x2F, 0xB8, 0x47, 0xD4, 0x7F, 0x52, 0xC1, 0x71, 0x7D, 0xA4, 0x75, 0xBA, 0x3E};
  return answer;
}
