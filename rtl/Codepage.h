// Text encodings: UTF-8 (the strings of this program) and Windows-1252, the
// code page in which the old program kept its strings. Pass phrases are
// hashed as 1252 bytes when every character has a 1252 byte, so that files
// encrypted by the old program keep opening.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Decodes the UTF-8 sequence at s[i] and advances i past it. A malformed
// sequence (overlong, surrogate, truncated, above U+10FFFF) yields -1 and
// advances i by one byte, so that a caller can pass stray bytes through.
int32_t Utf8DecodeAt(std::string_view s, std::size_t& i);
// Appends the UTF-8 form of a code point (0..0x10FFFF, no surrogates).
void Utf8Append(std::string& out, char32_t cp);
// Whether s is well-formed UTF-8.
bool IsValidUtf8(std::string_view s);
// Number of code points; each malformed byte counts as one.
std::size_t Utf8Length(std::string_view s);

// The code point of a 1252 byte. The five bytes the code page leaves
// undefined (0x81 0x8D 0x8F 0x90 0x9D) map to U+0081 ... as the platform's
// converter did, so every byte has a code point and the mapping round-trips.
char32_t Cp1252ToUnicode(uint8_t b);
// The 1252 byte of a code point, or -1 when the code page has none.
int UnicodeToCp1252(char32_t cp);

std::string Cp1252ToUtf8(std::string_view bytes);
// Characters without a 1252 byte, and malformed UTF-8 bytes, become '?'.
std::string Utf8ToCp1252(std::string_view text);
// Whether text is well-formed UTF-8 whose every character has a 1252 byte.
bool IsCp1252Representable(std::string_view text);
// Converts when representable; otherwise returns false and leaves out alone.
bool TryUtf8ToCp1252(std::string_view text, std::string& out);
