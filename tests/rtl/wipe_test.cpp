// Wiping secrets: a whole string buffer, a secret text through its changes,
// and a container that wipes what it gives back.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "rtl/Wipe.h"

namespace {
bool AllZero(const char* P, size_t N) {
  return std::all_of(P, P + N, [](char c) { return c == 0; });
}
}  // namespace

TEST(Wipe, WipeStringClearsTheWholeBufferNotOnlyTheText) {
  std::string s(40, 'p');
  s.resize(3);  // the tail stays in the buffer
  const char* buffer = s.data();
  const size_t room = s.capacity();
  WipeString(s);
  EXPECT_TRUE(s.empty());
  ASSERT_EQ(s.data(), buffer) << "the buffer is kept, so it can be looked at";
  EXPECT_TRUE(AllZero(buffer, room + 1));
}

TEST(Wipe, ASecretTextTakesRoomForAPhraseAtOnce) {
  // Typing a phrase character by character reallocates nothing, so no
  // shorter copies are left in blocks the text grew out of.
  std::string text;
  ReplaceSecretText(text, "a");
  for (char c : std::string("n ordinary pass phrase typed on")) ReplaceSecretText(text, text + c);
  EXPECT_EQ(text, "an ordinary pass phrase typed on");
  EXPECT_GE(text.capacity(), 64u);
}

TEST(Wipe, ASecretTextKeepsItsValueThroughCopiesAndViewsOfItself) {
  TSecretString secret("first secret phrase, long enough for the heap");
  secret = "second";
  EXPECT_EQ(secret.Str(), "second");
  TSecretString copy(secret);
  EXPECT_EQ(copy.Str(), "second");
  const TSecretString& same = copy;
  copy = same;
  EXPECT_EQ(copy.Str(), "second");
  secret.Assign(std::string_view(secret.Str()).substr(1, 3));  // a view of itself
  EXPECT_EQ(secret.Str(), "eco");
  secret.Clear();
  EXPECT_TRUE(secret.empty());
  EXPECT_EQ(secret.size(), 0u);
}

TEST(Wipe, AWipingVectorIsAnOrdinaryVector) {
  TWipedBytes bytes(10, 7);
  bytes.resize(1000, 9);  // grows out of its first block, which is wiped
  EXPECT_EQ(bytes[0], 7);
  EXPECT_EQ(bytes[9], 7);
  EXPECT_EQ(bytes[999], 9);
  TWipedBytes moved = std::move(bytes);
  EXPECT_EQ(moved.size(), 1000u);
}
