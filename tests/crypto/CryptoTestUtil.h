// Helpers of the crypto tests: random bytes, scratch folders, whole files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>

namespace crypto_test {

inline std::string RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

// A fresh folder removed with everything in it at the end of the test.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  const std::filesystem::path& Dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
};

std::string ReadFile(const std::string& name);
void WriteFile(const std::string& name, const std::string& data);

}  // namespace crypto_test
