#include "crypto/cipher/TCipher_Diamond2.h"

#include <cstring>

#include "crypto/CodingRoutines.h"

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the block is read as a little-endian number");

CIPHER_DEFINE_CLASS(TCipher_Diamond2, TCipher, 16, 256, 0)
CIPHER_DEFINE_CLASS(TCipher_Diamond2Lite, TCipher_Diamond2, 8, 256, 0)

void TCipher_Diamond2::SetRoundCount(int32_t Count) {
  rounds_ = Count >= 5 && Count <= 15 ? Count : 10;
}

void TCipher_Diamond2Lite::SetRoundCount(int32_t Count) {
  rounds_ = Count >= 4 && Count <= 30 ? Count : 10;
}

TCipher_Diamond2::~TCipher_Diamond2() {
  WipeState();
}

void TCipher_Diamond2::WipeState() {
  TCipher::WipeState();
  for (std::vector<uint8_t>* t : {&encrypt_boxes_, &decrypt_boxes_}) {
    if (!t->empty()) {
      std::memset(t->data(), 0, t->size());
      asm volatile("" : : "r"(t->data()) : "memory");
    }
    std::vector<uint8_t>().swap(*t);
  }
  box_rounds_ = 0;
}

namespace {

// The generator of the box contents. The accumulator, the key position and
// the previous box carry over from one call and one box to the next.
struct TKeyRand {
  const uint8_t* Key;
  int Size;
  uint32_t Acc = 0xFFFFFFFF;
  int KeyPos = 0;
  const uint8_t* PreviousBox = nullptr;

  static uint32_t Crc(uint32_t crc, uint8_t b) { return UpdateCRC32(crc, &b, 1); }

  int Next(int max) {
    if (max == 0) return 0;
    int mask = 1;
    while (mask < max) mask = mask << 1 | 1;
    int v;
    int tries = 0;
    do {
      uint8_t b = Key[KeyPos];
      if (PreviousBox) b = PreviousBox[b];
      Acc = Crc(Acc, b);
      if (++KeyPos == Size) {
        KeyPos = 0;
        Acc = Crc(Acc, static_cast<uint8_t>(Size));
        Acc = Crc(Acc, static_cast<uint8_t>(Size >> 8));
      }
      v = static_cast<int>(Acc & static_cast<uint32_t>(mask));
      if (++tries >= 98 && v > max) v -= max;
    } while (v > max);
    return v;
  }
};

// Fills one box: the value n (255 down to 0) goes to the k-th unfilled place
// after the first unfilled one, k drawn from the generator.
void MakeBox(uint8_t* box, TKeyRand& rand) {
  bool filled[256] = {};
  for (int n = 255; n >= 0; --n) {
    int k = rand.Next(n);
    int p = 0;
    while (filled[p]) ++p;
    for (; k > 0; --k) {
      ++p;
      while (filled[p]) ++p;
    }
    box[p] = static_cast<uint8_t>(n);
    filled[p] = true;
  }
}

// The bit transposition on the block as one little-endian number W (byte i
// of the block is byte i of W): output byte i takes bit k from input byte
// (i + k) mod B, that is bit plane k of W rotated right by k bytes.
template <typename W>
W Rotate(W x, int bytes, bool right) {
  constexpr int bits = 8 * sizeof(W);
  const int n = 8 * bytes;
  if (n == 0) return x;
  return right ? (x >> n) | (x << (bits - n)) : (x << n) | (x >> (bits - n));
}

template <typename W>
void Transpose(uint8_t* block, bool inverse) {
  W x;
  std::memcpy(&x, block, sizeof x);
  W y = 0;
  W plane = 0;
  for (size_t i = 0; i < sizeof(W); ++i) plane = plane << 8 | 1;  // 0x0101...
  for (int k = 0; k < 8; ++k) y |= Rotate(x, k, !inverse) & (plane << k);
  std::memcpy(block, &y, sizeof y);
}

}  // namespace

void diamond2::Permute(uint8_t* x, int b) {
  if (b == 16)
    Transpose<unsigned __int128>(x, false);
  else
    Transpose<uint64_t>(x, false);
}

// Output byte (i + k) mod B takes bit k from input byte i.
void diamond2::InversePermute(uint8_t* x, int b) {
  if (b == 16)
    Transpose<unsigned __int128>(x, true);
  else
    Transpose<uint64_t>(x, true);
}

void TCipher_Diamond2::Init(const void* Key, int Size, const void* IVector) {
  PrepareInit(Size);  // an empty key raises: the generator reads a key byte first
  SetRoundCount(rounds_);
  const int b = BlockSize();
  box_rounds_ = rounds_;
  const size_t boxes = static_cast<size_t>(rounds_) * static_cast<size_t>(b);
  encrypt_boxes_.assign(boxes * 256, 0);
  decrypt_boxes_.assign(boxes * 256, 0);
  TKeyRand rand{static_cast<const uint8_t*>(Key), Size};
  for (size_t n = 0; n < boxes; ++n) {
    uint8_t* box = &encrypt_boxes_[n * 256];
    MakeBox(box, rand);
    rand.PreviousBox = box;
    uint8_t* inverse = &decrypt_boxes_[n * 256];
    for (int v = 0; v < 256; ++v) inverse[box[v]] = static_cast<uint8_t>(v);
  }
  CompleteInit(IVector);
}

void TCipher_Diamond2::EncryptBlock(void* Data) {
  if (encrypt_boxes_.empty()) return;  // no key
  uint8_t* x = static_cast<uint8_t*>(Data);
  const int b = BlockSize();
  const uint8_t* box = encrypt_boxes_.data();
  for (int i = 0; i < b; ++i) x[i] = box[i * 256 + x[i]];
  for (int r = 1; r < box_rounds_; ++r) {
    diamond2::Permute(x, b);
    box += b * 256;
    for (int i = 0; i < b; ++i) x[i] = box[i * 256 + x[i]];
  }
}

void TCipher_Diamond2::DecryptBlock(void* Data) {
  if (decrypt_boxes_.empty()) return;  // no key
  uint8_t* x = static_cast<uint8_t*>(Data);
  const int b = BlockSize();
  for (int r = box_rounds_ - 1; r >= 1; --r) {
    const uint8_t* box = &decrypt_boxes_[static_cast<size_t>(r) * b * 256];
    for (int i = 0; i < b; ++i) x[i] = box[i * 256 + x[i]];
    diamond2::InversePermute(x, b);
  }
  const uint8_t* box = decrypt_boxes_.data();
  for (int i = 0; i < b; ++i) x[i] = box[i * 256 + x[i]];
}
