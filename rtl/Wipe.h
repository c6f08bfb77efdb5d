#pragma once
// Clearing secrets (pass phrases, keys, decrypted data) from memory before
// it is given back, so that no copy stays behind in freed blocks, and a text
// holder that does so on every change and at its end.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Zeroes Size bytes at Block; the stores are kept even when the block is
// freed right after.
void WipeMemory(void* Block, size_t Size);
// Zeroes the whole buffer of S (its capacity, not only its length: a text
// that was longer before leaves its tail there) and empties it.
void WipeString(std::string& S);

// A text that is wiped when it changes and when it goes. Its buffer starts
// large enough for an ordinary pass phrase, so typing one does not leave
// shorter copies behind in blocks the string grew out of.
class TSecretString {
 public:
  TSecretString() = default;
  explicit TSecretString(std::string_view Text) { Assign(Text); }
  TSecretString(const TSecretString& Other) { Assign(Other.Str()); }
  TSecretString& operator=(const TSecretString& Other) {
    if (this != &Other) Assign(Other.Str());
    return *this;
  }
  TSecretString& operator=(std::string_view Text) {
    Assign(Text);
    return *this;
  }
  ~TSecretString() { WipeString(value_); }

  void Assign(std::string_view Text);
  void Clear() { WipeString(value_); }
  const std::string& Str() const { return value_; }
  bool empty() const { return value_.empty(); }
  size_t size() const { return value_.size(); }

 private:
  std::string value_;
};

// An allocator that wipes every block before it is given back: a container
// of plain data that grows or goes leaves no copy in freed memory.
template <typename T>
struct TWipingAllocator {
  using value_type = T;
  TWipingAllocator() = default;
  template <typename U>
  TWipingAllocator(const TWipingAllocator<U>&) noexcept {}
  T* allocate(size_t N) { return std::allocator<T>().allocate(N); }
  void deallocate(T* P, size_t N) noexcept {
    WipeMemory(P, N * sizeof(T));
    std::allocator<T>().deallocate(P, N);
  }
  template <typename U>
  bool operator==(const TWipingAllocator<U>&) const noexcept { return true; }
};
using TWipedBytes = std::vector<uint8_t, TWipingAllocator<uint8_t>>;

// Puts Text into Target (a text that may hold a secret): Target's old
// buffer is wiped, and Text lands in a buffer of its own.
void ReplaceSecretText(std::string& Target, std::string_view Text);
