// A set of 32-bit keys in 2^HashBits buckets; used to count distinct colours.
#pragma once

#include <cstdint>
#include <vector>

#include "rtl/TObject.h"

class THash1 : public TObject {
 public:
  explicit THash1(int32_t HashBits);
  // True when Key was not in the set yet.
  bool Add(uint32_t Key);
  int32_t Count() const { return count_; }
  int32_t HashBits() const { return hash_bits_; }

 private:
  int32_t hash_bits_;
  // Each bucket holds its keys in order of arrival; a colour count rarely
  // puts more than a few keys in one bucket.
  std::vector<std::vector<uint32_t>> buckets_;
  int32_t count_ = 0;
};
