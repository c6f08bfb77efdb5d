#include "rtl/Wipe.h"

#include <algorithm>
#include <cstring>

namespace {
// Room for a typical pass phrase, so that it is typed into one buffer.
constexpr size_t kSecretRoom = 128;
}  // namespace

void WipeMemory(void* Block, size_t Size) {
  if (!Block || Size == 0) return;
  std::memset(Block, 0, Size);
  // Keeps the compiler from dropping the stores to memory about to be freed.
  asm volatile("" : : "r"(Block) : "memory");
}

void WipeString(std::string& S) {
  // The terminator's place is part of the buffer too.
  WipeMemory(S.data(), S.capacity() + 1);
  S.clear();
}

void ReplaceSecretText(std::string& Target, std::string_view Text) {
  // Built apart first: Text may be a view of Target itself.
  std::string next;
  next.reserve(std::max(Text.size(), kSecretRoom));
  next.assign(Text.data(), Text.size());
  WipeString(Target);
  Target.swap(next);
  // After the swap, next holds Target's old buffer, already wiped; a short
  // text kept inside the string object itself was wiped in place.
  WipeString(next);
}

void TSecretString::Assign(std::string_view Text) { ReplaceSecretText(value_, Text); }
