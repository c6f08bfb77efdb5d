// The tables of the Data Encryption Standard; bit 1 is the most significant bit.
#pragma once

#include <cstdint>

// Initial permutation: output bit i (1 = most significant) takes input bit DES_IP[i-1].
extern const uint8_t DES_IP[64];
// Final permutation, the inverse of DES_IP.
extern const uint8_t DES_FP[64];
// Expansion of the right half: 48 bit numbers 1..32.
extern const uint8_t DES_E[48];
// Permutation of the S-box outputs: bit numbers 1..32.
extern const uint8_t DES_P[32];
// Permuted choice 1: 28 key bits for C, then 28 for D (bit numbers 1..64).
extern const uint8_t DES_PC1[56];
// Permuted choice 2: 48 bit numbers 1..56 of C||D.
extern const uint8_t DES_PC2[48];
// Left rotations of C and D before rounds 1..16.
extern const uint8_t DES_Shifts[16];
// S1..S8, each four rows of 16; row = input bits 1 and 6, column = bits 2..5.
extern const uint8_t DES_SBox[8][64];
