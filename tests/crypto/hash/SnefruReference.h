// The published Snefru-256 built from our compression: big-endian words, the
// data zero-padded to whole blocks, then a block holding the bit length.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "crypto/CodingRoutines.h"
#include "crypto/hash/THash_Snefru.h"
#include "tests/crypto/hash/HashTestKit.h"

namespace hash_test {

inline Bytes PublishedSnefru(const Bytes& data) {
  uint32_t chain[8] = {};
  uint32_t block[8];
  for (size_t done = 0; done < data.size(); done += 32) {
    uint8_t buf[32] = {};
    std::memcpy(buf, data.data() + done, std::min<size_t>(32, data.size() - done));
    for (int i = 0; i < 8; ++i) block[i] = LoadBE32(buf + 4 * i);
    snefru::Compress(chain, block);
  }
  const uint64_t bits = uint64_t{data.size()} * 8;
  uint32_t length[8] = {
      0, 0, 0, 0, 0, 0, static_cast<uint32_t>(bits >> 32), static_cast<uint32_t>(bits)};
  snefru::Compress(chain, length);
  Bytes out(32);
  for (int i = 0; i < 8; ++i) StoreBE32(&out[4 * i], chain[i]);
  return out;
}

}  // namespace hash_test
