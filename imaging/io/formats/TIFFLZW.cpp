#include "imaging/io/formats/TIFFLZW.h"

#include <cstring>
#include <vector>

#include "rtl/TStream.h"

namespace {

constexpr int32_t kClearCode = 256;
constexpr int32_t kEndCode = 257;
constexpr int32_t kFirstFree = 258;
// Codes 0 .. 4096: the table may fill up to one entry past what 12 bits can
// name, as older writers let it, before a clear must come.
constexpr int32_t kTableSize = 4097;

constexpr int32_t kHashSize = 5003;
// Doublings of the hash size up to 65,536, as the classic compress program
// counts them: the hash shift 8 - 4.
constexpr int32_t kHashShift = 4;
// The table is cleared once the next free code passes this, so that the
// width never exceeds 12 bits.
constexpr int32_t kMaxUsableCode = 4093;
// Bytes gathered before they go to the stream.
constexpr int32_t kBlockLimit = 253;

}  // namespace

struct TTIFFLZWDecodeState {
  const uint8_t* data = nullptr;
  int64_t size = 0;
  int64_t bit_pos = 0;
  int32_t width = 9;
  int32_t prev = -1;
  int32_t next = kFirstFree;
  bool ended = false;
  // Each string is its prefix code and its last byte; its first byte and
  // length are kept so that output and the "code being defined" case need no
  // walk.
  uint16_t prefix[kTableSize]{};
  uint8_t suffix[kTableSize]{};
  uint8_t first[kTableSize]{};
  uint16_t length[kTableSize]{};
  // One row plus whatever the last string of the row spilled beyond it.
  std::vector<uint8_t> buffer;
  int64_t fill = 0;
  int64_t decoded = 0;  // of the last row returned

  TTIFFLZWDecodeState() {
    for (int32_t i = 0; i < 256; ++i) {
      suffix[i] = first[i] = static_cast<uint8_t>(i);
      length[i] = 1;
    }
  }

  // The next code, or the end code when the data cannot hold one more.
  int32_t ReadCode() {
    if (bit_pos + width > size * 8) return kEndCode;
    const int64_t at = bit_pos >> 3;
    uint32_t word = 0;
    for (int64_t k = 0; k < 3; ++k) word = word << 8 | (at + k < size ? data[at + k] : 0);
    const int32_t shift = static_cast<int32_t>(bit_pos & 7);
    bit_pos += width;
    return static_cast<int32_t>((word << shift >> (24 - width)) & ((1u << width) - 1));
  }

  bool AddEntry(int32_t prefix_code, uint8_t last) {
    if (prefix_code < 0 || prefix_code >= next || (prefix_code >= kClearCode && prefix_code < kFirstFree) ||
        next >= kTableSize)
      return false;
    prefix[next] = static_cast<uint16_t>(prefix_code);
    suffix[next] = last;
    first[next] = first[prefix_code];
    length[next] = static_cast<uint16_t>(length[prefix_code] + 1);
    ++next;
    if (next == 511) width = 10;
    else if (next == 1023) width = 11;
    else if (next == 2047) width = 12;
    return true;
  }

  bool Output(int32_t code) {
    if (code >= next || (code >= kClearCode && code < kFirstFree)) return false;
    const int32_t n = length[code];
    if (static_cast<int64_t>(buffer.size()) < fill + n) buffer.resize(static_cast<size_t>(fill + n));
    uint8_t* out = buffer.data() + fill;
    for (int32_t k = n - 1; k >= 0; --k) {
      out[k] = suffix[code];
      code = prefix[code];
    }
    fill += n;
    return true;
  }
};

void TTIFFLZWDecodeStateDeleter::operator()(TTIFFLZWDecodeState* State) const { delete State; }

const uint8_t* TIFFLZWDecode(const uint8_t* Data, int64_t Size, int32_t L,
                             TTIFFLZWDecodeHandle& State) {
  if (!Data) {
    State.reset();
    return nullptr;
  }
  if (L < 0) return nullptr;
  if (!State) {
    State.reset(new TTIFFLZWDecodeState);
    State->data = Data;
    State->size = Size < 0 ? 0 : Size;
  }
  TTIFFLZWDecodeState& s = *State;
  if (static_cast<int64_t>(s.buffer.size()) < L) s.buffer.resize(static_cast<size_t>(L));
  // What the last string of the previous row put beyond it starts this row.
  if (s.fill > L) {
    std::memmove(s.buffer.data(), s.buffer.data() + L, static_cast<size_t>(s.fill - L));
    s.fill -= L;
  } else {
    s.fill = 0;
  }
  while (s.fill < L && !s.ended) {
    int32_t code = s.ReadCode();
    if (code == kClearCode) {
      while (code == kClearCode) {
        s.next = kFirstFree;
        s.width = 9;
        code = s.ReadCode();
      }
      if (code == kEndCode) {
        s.ended = true;
        break;
      }
      if (!s.Output(code)) return nullptr;
      s.prev = code;
      continue;
    }
    if (code == kEndCode) {
      s.ended = true;
      break;
    }
    if (s.prev < 0) {
      // Data that does not begin with the clear code: its first code starts
      // the table as if a clear had come before it.
      if (!s.Output(code)) return nullptr;
      s.prev = code;
      continue;
    }
    if (code < s.next) {
      if (!s.Output(code) || !s.AddEntry(s.prev, s.first[code])) return nullptr;
    } else {
      // The code being defined: the previous string and its own first byte.
      if (!s.AddEntry(s.prev, s.first[s.prev]) || !s.Output(code)) return nullptr;
    }
    s.prev = code;
  }
  s.decoded = std::min<int64_t>(s.fill, L);
  return s.buffer.data();
}

int64_t TIFFLZWDecodedBytes(const TTIFFLZWDecodeHandle& State) { return State ? State->decoded : 0; }

struct TTIFFLZWEncodeState {
  TStream* stream = nullptr;
  bool ok = true;
  uint32_t acc = 0;
  int32_t bits = 0;
  int32_t width = 9;
  int32_t max_code = 511;
  int32_t next = kFirstFree;
  bool clear_pending = false;
  uint8_t block[kBlockLimit + 8]{};
  int32_t block_len = 0;
  int32_t hash_keys[kHashSize];
  uint16_t hash_codes[kHashSize]{};
  int32_t prefix = -1;

  TTIFFLZWEncodeState() { ClearHash(); }
  void ClearHash() {
    for (int32_t& k : hash_keys) k = -1;
  }

  void FlushBlock() {
    if (block_len == 0) return;
    int64_t done = 0;
    while (done < block_len) {
      const int64_t n = stream->Write(block + done, block_len - done);
      if (n <= 0) break;
      done += n;
    }
    if (done < block_len) ok = false;
    block_len = 0;
  }

  void WriteCode(int32_t code) {
    acc |= static_cast<uint32_t>(code) << (32 - bits - width);
    bits += width;
    while (bits >= 8) {
      block[block_len++] = static_cast<uint8_t>(acc >> 24);
      acc <<= 8;
      bits -= 8;
      if (block_len > kBlockLimit) FlushBlock();
    }
    if (clear_pending) {
      width = 9;
      max_code = 511;
      clear_pending = false;
    } else if (next >= max_code && width < 12) {
      // One code early, as the decoder expects.
      ++width;
      max_code = (1 << width) - 1;
    }
  }

  void Finish() {
    if (prefix >= 0) WriteCode(prefix);
    WriteCode(kEndCode);
    if (bits > 0) {
      block[block_len++] = static_cast<uint8_t>(acc >> 24);
      acc = 0;
      bits = 0;
    }
    FlushBlock();
  }

  void Encode(const uint8_t* data, int64_t count) {
    int64_t i = 0;
    if (prefix < 0 && count > 0) prefix = data[i++];
    for (; i < count; ++i) {
      const int32_t c = data[i];
      const int32_t key = (c << 12) + prefix;
      int32_t h = (c << kHashShift) ^ prefix;
      bool found = false;
      if (hash_keys[h] == key) {
        found = true;
      } else if (hash_keys[h] >= 0) {
        const int32_t step = h == 0 ? 1 : kHashSize - h;
        do {
          h -= step;
          if (h < 0) h += kHashSize;
          if (hash_keys[h] == key) {
            found = true;
            break;
          }
        } while (hash_keys[h] >= 0);
      }
      if (found) {
        prefix = hash_codes[h];
        continue;
      }
      WriteCode(prefix);
      prefix = c;
      if (next > kMaxUsableCode) {
        ClearHash();
        next = kFirstFree;
        clear_pending = true;
        WriteCode(kClearCode);
      } else {
        hash_codes[h] = static_cast<uint16_t>(next++);
        hash_keys[h] = key;
      }
    }
  }
};

void TTIFFLZWEncodeStateDeleter::operator()(TTIFFLZWEncodeState* State) const { delete State; }

bool TIFFLZWEncode(const uint8_t* Data, int64_t Count, TStream* Stream,
                   TTIFFLZWEncodeHandle& State) {
  if (!Data) {
    if (!State) return true;
    State->Finish();
    const bool ok = State->ok;
    State.reset();
    return ok;
  }
  if (!State) {
    State.reset(new TTIFFLZWEncodeState);
    State->stream = Stream;
    State->WriteCode(kClearCode);
  }
  State->Encode(Data, Count);
  return State->ok;
}

TTIFFLZWDecompressProc DefaultTIFFLZWDecompress = TIFFLZWDecode;
TTIFFLZWCompressProc DefaultTIFFLZWCompress = TIFFLZWEncode;
