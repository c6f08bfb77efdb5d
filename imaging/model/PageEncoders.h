// Small encoders and layout helpers of the PostScript and PDF page writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TStream;

// Scales Width x Height into MaxWidth x MaxHeight keeping the proportions;
// each side at least 1. Nothing when Width or Height is 0.
void FitProportional(int32_t Width, int32_t Height, int32_t MaxWidth, int32_t MaxHeight,
                     int32_t& NewWidth, int32_t& NewHeight);
// Writes Text and CR LF.
void StreamWriteLine(TStream* Stream, const std::string& Text);
// Base-85 groups of four bytes ("z" for a zero group), lines broken after 74
// characters, closed by "~>" CR LF. Returns the bytes appended to Dest.
int64_t ASCII85Encode(const uint8_t* Source, int64_t Count, std::vector<uint8_t>& Dest);
// Runs of 2..128 equal bytes and literal runs of up to 128, ended by 128.
// Returns the bytes appended to Dest.
int64_t PackBitsEncode(const uint8_t* Source, int64_t Count, std::vector<uint8_t>& Dest);
