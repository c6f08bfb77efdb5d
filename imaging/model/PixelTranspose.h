// Transposes of pixel tiles, the inner step of quarter turns: 8 x 8 blocks of
// 3- or 4-byte pixels turned in vector registers where the processor has
// AVX2, pixel by pixel otherwise.
#pragma once

#include <cstdint>

// Out[j] gets the pixels In[0][j], In[1][j], ... In[Rows - 1][j] for every j
// below Columns: In holds Rows pointers to the tile's first pixel in each
// source line, Out holds Columns pointers to the first pixel in each target
// line. Rows and Columns are multiples of 8; Bytes is 3 or 4. Exactly the
// tile's pixels are read and written.
void TransposePixels(const uint8_t* const* In, int32_t Rows, uint8_t* const* Out, int32_t Columns, int Bytes);

// The same, pixel by pixel (the path taken without AVX2).
void TransposePixelsPlain(const uint8_t* const* In, int32_t Rows, uint8_t* const* Out, int32_t Columns,
                          int Bytes);
