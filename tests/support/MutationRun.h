// The mutation run of the fuzz smoke tests: a fuzz target fed its seeds,
// then deterministic mutations of them.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace fuzz_smoke {

// A mutation of a seed particular to one input format.
using Mutation = std::function<void(std::vector<uint8_t>& File, std::mt19937& Rng)>;

// Edits for text-like formats: one to MaxEdits times, a byte at random set
// to any value or to one of Symbols, one to MaxErase bytes left out, or one
// to three copies put in of a byte from Padding (any byte when it is empty).
inline Mutation TextEdits(std::string Symbols, std::string Padding, int MaxEdits, size_t MaxErase) {
  return [Symbols = std::move(Symbols), Padding = std::move(Padding), MaxEdits, MaxErase](
             std::vector<uint8_t>& m, std::mt19937& rng) {
    for (int e = 0, edits = 1 + static_cast<int>(rng() % MaxEdits); e < edits && !m.empty(); ++e) {
      const size_t at = rng() % m.size();
      switch (rng() % 4) {
        case 0:
          m[at] = static_cast<uint8_t>(rng());
          break;
        case 1:
          m[at] = static_cast<uint8_t>(Symbols[rng() % Symbols.size()]);
          break;
        case 2:
          m.erase(m.begin() + static_cast<std::ptrdiff_t>(at),
                  m.begin() + static_cast<std::ptrdiff_t>(std::min(m.size(), at + 1 + rng() % MaxErase)));
          break;
        default: {
          const size_t count = 1 + rng() % 3;
          const uint8_t byte =
              static_cast<uint8_t>(Padding.empty() ? rng() : static_cast<uint8_t>(Padding[rng() % Padding.size()]));
          m.insert(m.begin() + static_cast<std::ptrdiff_t>(at), count, byte);
          break;
        }
      }
    }
  };
}

// Feeds the seeds to a fuzz target, then Rounds deterministic mutations of
// each: a few flipped bytes, a cut file, or one of the format's own
// mutations, chosen at random (an empty seed runs empty whatever the
// choice). Returns the number of mutated runs.
inline int RunMutations(int (*Target)(const uint8_t*, size_t), const std::vector<std::vector<uint8_t>>& Seeds,
                        const std::vector<Mutation>& Own, int Rounds) {
  for (const auto& s : Seeds) Target(s.data(), s.size());
  std::mt19937 rng(20261210);
  int runs = 0;
  for (int round = 0; round < Rounds; ++round) {
    for (const auto& seed : Seeds) {
      std::vector<uint8_t> m = seed;
      const size_t kind = rng() % (2 + Own.size());
      if (m.empty()) {
        // nothing to flip or cut
      } else if (kind == 0) {  // flip a few bytes anywhere
        for (int k = 0, n = 1 + rng() % 4; k < n; ++k) m[rng() % m.size()] ^= static_cast<uint8_t>(1 + rng() % 255);
      } else if (kind == 1) {  // cut the file
        m.resize(rng() % m.size());
      } else {
        Own[kind - 2](m, rng);
      }
      Target(m.data(), m.size());
      ++runs;
    }
  }
  return runs;
}

}  // namespace fuzz_smoke
