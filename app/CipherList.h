#pragma once
// The cipher list offered by the program's windows: the display names handed
// to the cipher manager. "Diamond " is registered under no name, so the
// manager falls back to its default cipher, Blowfish, for it.

#include <array>

constexpr int32_t kCipherCount = 38;
constexpr int32_t kDefaultCipher = 21;  // "RC4"

inline constexpr std::array<const char*, kCipherCount> kCipherNames = {
    "3Way",          "Blowfish",          "Cast 128",          "Cast 256",
    "DES Double 16byte", "DES Double 8byte", "DES Single 8byte", "DES Triple 16byte",
    "DES Triple 24byte", "DES Triple 8byte", "DESX",             "Diamond ",
    "Diamond II Lite", "FROG",              "Gost",              "IDEA",
    "Mars",          "Misty 1",           "NewDES",            "Q128",
    "RC2",           "RC4",               "RC5",               "RC6",
    "Rijndael",      "SAFER-K128",        "SAFER-K40",         "SAFER-K64",
    "SAFER-SK128",   "SAFER-SK40",        "SAFER-SK64",        "SCOP",
    "Sapphire II",   "Shark",             "Square",            "TEA",
    "TEA extended",  "Twofish"};
