#include <gtest/gtest.h>

#include "tests/crypto/TestAlgorithms.h"

TEST(CipherPlugIn, ToyRoundTrip) {
  TProtectionRef<TCipher> c = TCipher_Toy::StaticClass()->Create();
  c->UseHashClass(THash_Toy::StaticClass());
  c->InitKey("secret");
  std::string data = "The quick brown fox jumps over the lazy dog";
  std::string orig = data;
  c->ProcessBuffer(data.data(), static_cast<int64_t>(data.size()), caEncode);
  EXPECT_NE(data, orig);
  c->ProcessBuffer(data.data(), static_cast<int64_t>(data.size()), caDecode);
  EXPECT_EQ(data, orig);
}
