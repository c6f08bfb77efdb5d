#include <gtest/gtest.h>

#include "crypto/cipher/TCipher_Mars.h"
#include "crypto/cipher/TCipher_Skipjack.h"
#include "tests/crypto/cipher/CipherTestKit.h"

TEST(Skipjack, PublishedVector) {
  EXPECT_EQ(Encrypted(TCipher_Skipjack::StaticClass(), "00998877665544332211", "33221100ddccbbaa"),
            "2587cae27a12d300");
  EXPECT_EQ(Decrypted(TCipher_Skipjack::StaticClass(), "00998877665544332211", "2587cae27a12d300"),
            "33221100ddccbbaa");
}

TEST(Skipjack, ShortKeysArePaddedWithZeroBytes) {
  EXPECT_EQ(Encrypted(TCipher_Skipjack::StaticClass(), "009988", "33221100ddccbbaa"),
            Encrypted(TCipher_Skipjack::StaticClass(), "00998800000000000000", "33221100ddccbbaa"));
}

namespace {
struct MarsProbe : TCipher_Mars {
  using TCipher_Mars::TCipher_Mars;
  std::string Words() {
    std::string s;
    char buf[10];
    for (int i = 0; i < 40; ++i) {
      snprintf(buf, sizeof buf, "%s%08X", i ? " " : "", KeyScheduleAs<uint32_t>()[i]);
      s += buf;
    }
    return s;
  }
};

std::string SubkeysOf(const Bytes& key) {
  TProtectionRef<MarsProbe> m(new MarsProbe());
  m->Init(key.data(), static_cast<int>(key.size()), nullptr);
  return m->Words();
}

Bytes Counting(int from, int n) {
  Bytes b(n);
  for (int i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(from + i);
  return b;
}
}  // namespace

// Subkeys of the first published key expansion, from a separate model of it.
// The rounds are checked against an independent library (interop tests).
TEST(Mars, FirstPublishedKeyExpansion) {
  EXPECT_EQ(SubkeysOf(Counting(0, 32)),
            "AFDFA702 34360A1B D032E433 A250E291 0AB121C2 0BAB1753 E13F9EDF 8473BE5B 62720B4B "
            "5F7BD51B B4E739C3 5035B3EF AC45FA26 389EC727 EB096922 7C793F47 B3A0BEA1 C22984AB "
            "F8F9A341 60FD1343 D79A0981 61484C9F 9A85BFCC E4964D1F 7731FB2A 72507AB3 09AE3D6E "
            "0CA5448F 5DAE59A9 B4DB7A9B 492A4287 CEEF80AF 1077395A F4CCE2DB 72507DEA DB5FE9E7 "
            "B81EA844 BED042A7 C71817D3 3894DD61");
  // 19 bytes: four words, the last three bytes ignored.
  const std::string nineteen = SubkeysOf(Counting(1, 19));
  EXPECT_EQ(nineteen,
            "AF63314C 6110F538 7E81B7D3 FD988588 30495B08 37E63447 5895011E 649CF6B7 DF3CAC29 "
            "BA6F75FF 34E967CE 691C2E57 EEE2E918 368B8AAB 07CFFB1F 8257B2D3 68DE9C23 19759F47 "
            "AFF57CD4 13017F03 227A91A9 198326CF A5C4B24A E28AA727 D1EF763D C9AC522F AE61EAB7 "
            "DF97D8E3 F99CCFE8 7DBCFC13 48EA71A4 CFAFB747 3682F986 1B4C4AE7 284D8085 2438C65F "
            "A85A2356 7EAC09CA 89B39446 0777EC7B");
  EXPECT_EQ(SubkeysOf(Counting(1, 16)), nineteen);
}

// The fix-up mask counts the bit above bit 31 as 0, so bit 31 of a
// multiplication key can change inside a long run of zeros (the mask as
// published never sets it): here K[9] is 882709AB, not 082709AB.
TEST(Mars, FixupMaskReachesTheTopBit) {
  EXPECT_EQ(SubkeysOf(Hex("c272ee2bfb7fabdec86d5db3a47366fb")),
            "92CD2D6E 2C95ADA0 2445C711 CCB58653 E8115E43 DF4405FF 9DECADCD 1D158C4B B14AE186 "
            "882709AB C8ACE639 98380E3B 21A45064 8BB4694B D5948866 222BE2BB FEA33E7B 6F9651D3 "
            "E13B476B 06A7EEAF 17A635DF 4C76B1F7 3BE51516 55CB58AB 9645FB27 5F5A2B9F 659ABF09 "
            "DE85DDAB 7039003A 2EB1978B C5C5A765 F5F96CE7 470958F9 EC08D977 6A0A1186 EDF59AAF "
            "47674142 1779A672 2DECC53D F8A8FEB3");
}

// The expansion cycles through the key words; fewer than four bytes hold none.
TEST(Mars, KeysWithoutAWholeWordAreRefused) {
  for (int size : {0, 1, 3}) {
    TProtectionRef<TCipher> c = TCipher_Mars::StaticClass()->Create();
    EXPECT_THROW(c->Init("abc", size, nullptr), ECipherException) << size;
    EXPECT_FALSE(c->Initialized());
  }
  Bytes block = Counting(0, 16);
  for (int size : {4, 7, 156, 200}) {
    auto c = Keyed(TCipher_Mars::StaticClass(), Counting(3, size));
    EXPECT_EQ(DecryptOne(*c, EncryptOne(*c, block)), block) << size;
  }
}
