#include "imaging/model/THash1.h"

#include <algorithm>

THash1::THash1(int32_t HashBits) : hash_bits_(std::clamp(HashBits, 0, 24)) {
  buckets_.resize(size_t{1} << hash_bits_);
}

bool THash1::Add(uint32_t Key) {
  auto& bucket = buckets_[Key & (buckets_.size() - 1)];
  if (std::find(bucket.begin(), bucket.end(), Key) != bucket.end()) return false;
  bucket.push_back(Key);
  ++count_;
  return true;
}
