#include "imaging/io/raw/RawContainers.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/io/raw/RawHuffmanLoaders.h"

float RawRatio(double A, double B) { return B == 0 ? 0.0f : static_cast<float>(A / B); }

namespace {

bool StartsWith(const std::string& S, const char* Prefix) {
  return S.compare(0, std::strlen(Prefix), Prefix) == 0;
}

// Whether Count bytes at Position lie inside the stream.
bool Inside(const TIERawContext& Ctx, int64_t Position, int64_t Count) {
  return Position >= 0 && Count >= 0 && Position <= Ctx.StreamSize - Count;
}

struct TiffEntry {
  uint16_t Tag, Type;
  uint32_t Count, Value;
};

// Reads a directory entry; a short value of one or two 16-bit words gives
// its first word.
TiffEntry ReadEntry(TIERawContext& Ctx) {
  TiffEntry e;
  e.Tag = GetWord(Ctx);
  e.Type = GetWord(Ctx);
  e.Count = GetLong(Ctx);
  if (e.Type == 3 && e.Count < 3) {
    e.Value = GetWord(Ctx);
    GetWord(Ctx);
  } else {
    e.Value = GetLong(Ctx);
  }
  return e;
}

// Entries a directory at the position can really hold, and no more than
// the walk has left: directories that name each other many times over end.
uint32_t EntryCount(TIERawContext& Ctx) {
  uint32_t n = GetWord(Ctx);
  const int64_t left = Ctx.StreamSize - RawTell(Ctx);
  if (left < 0) return 0;
  if (int64_t{n} * 12 > left) n = static_cast<uint32_t>(left / 12);
  if (n > Ctx.EntryBudget) n = static_cast<uint32_t>(std::max<int64_t>(Ctx.EntryBudget, 0));
  Ctx.EntryBudget -= n;
  return n;
}

}  // namespace

void ParseTiff(TIERawContext& Ctx, int64_t Base) {
  Ctx.EntryBudget = kTiffMaxEntries;
  RawSeek(Ctx, Base);
  Ctx.ByteOrder = GetWord(Ctx);
  GetWord(Ctx);
  int32_t width = 0, height = 0;
  int64_t stripOffset = 0, firstStripOffset = 0;
  for (int32_t dir = 0; dir < kTiffMaxDirectories; ++dir) {
    const uint32_t doff = GetLong(Ctx);
    if (doff == 0 || Base + doff >= Ctx.StreamSize) break;
    RawSeek(Ctx, Base + doff);
    const uint32_t entries = EntryCount(Ctx);
    for (uint32_t i = 0; i < entries; ++i) {
      TiffEntry e = ReadEntry(Ctx);
      const int64_t save = RawTell(Ctx);
      const int64_t at = Base + e.Value;
      RawSeek(Ctx, at);
      switch (e.Tag) {
        case 17: Ctx.CameraRed = e.Value / 256.0f; break;
        case 18: Ctx.CameraBlue = e.Value / 256.0f; break;
        case 256: width = static_cast<int32_t>(e.Value); break;
        case 257: height = static_cast<int32_t>(e.Value); break;
        case 271: Ctx.Make = RawReadString(Ctx, 64); break;
        case 272: Ctx.Model = RawReadString(Ctx, 64); break;
        case 33405: Ctx.Model2 = RawReadString(Ctx, 64); break;
        case 273:
          stripOffset = e.Value;
          // A single strip keeps its offset in the entry itself; only a list
          // of strips is read, and only from inside the file.
          if (e.Count < 2)
            firstStripOffset = e.Value;
          else
            firstStripOffset = Inside(Ctx, at, 4) ? GetLong(Ctx) : 0;
          break;
        case 291:
          Ctx.CurveOffset = e.Value;
          Ctx.CurveLength = static_cast<int32_t>(e.Count);
          break;
        case 305:
          if (StartsWith(RawReadString(Ctx, 64), "Adobe")) Ctx.Make.clear();
          break;
        case 324:
          Ctx.Make = "Leaf";
          Ctx.RawWidth = width;
          Ctx.RawHeight = height;
          Ctx.DataOffset = e.Count < 2 ? int64_t{e.Value} : int64_t{GetLong(Ctx)};
          break;
        case 330: {
          uint32_t count = e.Count;
          if (count > 2 && Ctx.Make == "Kodak") count = 2;
          if (count < 2) {
            ParseTiffSubIfd(Ctx, Base);
          } else {
            // No more offsets than the stream holds.
            const int64_t room = Ctx.StreamSize - at;
            if (room < 4) break;
            if (int64_t{count} * 4 > room) count = static_cast<uint32_t>(room / 4);
            for (uint32_t k = 0; k < count; ++k) {
              RawSeek(Ctx, at + 4 * int64_t{k});
              const uint32_t off = GetLong(Ctx);
              RawSeek(Ctx, Base + off);
              ParseTiffSubIfd(Ctx, Base);
            }
          }
          break;
        }
        case 34665: ParseExifIfd(Ctx, Base); break;
        default: break;
      }
      RawSeek(Ctx, save);
    }
  }
  if (StartsWith(Ctx.Make, "OLYMPUS")) {
    Ctx.Make.resize(7);
    Ctx.RawWidth = width;
    Ctx.RawHeight = height + (height & 1);
    Ctx.DataOffset = firstStripOffset;
  }
  if (Ctx.Make == "Canon" && Ctx.Model != "EOS D2000C") Ctx.DataOffset = stripOffset;
  if (Ctx.Make.empty() && width == 680 && height == 680) {
    Ctx.Make = "Imacon";
    Ctx.Model = "Ixpress";
  }
}

void ParseTiffSubIfd(TIERawContext& Ctx, int64_t Base) {
  const uint32_t entries = EntryCount(Ctx);
  for (uint32_t i = 0; i < entries; ++i) {
    TiffEntry e = ReadEntry(Ctx);
    switch (e.Tag) {
      case 256: Ctx.RawWidth = static_cast<int32_t>(e.Value); break;
      case 257: Ctx.RawHeight = static_cast<int32_t>(e.Value); break;
      case 259: Ctx.Compression = static_cast<int32_t>(e.Value); break;
      case 262: Ctx.Photometric = static_cast<int32_t>(e.Value); break;
      case 273:
        if (e.Count == 1) {
          Ctx.DataOffset = e.Value;
        } else {
          const int64_t save = RawTell(Ctx);
          const int64_t at = Base + e.Value;
          RawSeek(Ctx, at);
          Ctx.DataOffset = Inside(Ctx, at, 4) ? int64_t{GetLong(Ctx)} : 0;
          RawSeek(Ctx, save);
        }
        break;
      case 291:
        Ctx.CurveOffset = e.Value;
        Ctx.CurveLength = static_cast<int32_t>(e.Count);
        break;
      default: break;
    }
  }
}

void ParseExifIfd(TIERawContext& Ctx, int64_t Base) {
  const uint32_t entries = EntryCount(Ctx);
  for (uint32_t i = 0; i < entries; ++i) {
    const uint16_t tag = GetWord(Ctx);
    GetWord(Ctx);
    GetLong(Ctx);
    const uint32_t value = GetLong(Ctx);
    const int64_t save = RawTell(Ctx);
    RawSeek(Ctx, Base + value);
    if (tag == 37500 && (StartsWith(Ctx.Make, "NIKON") || StartsWith(Ctx.Make, "OLYMPUS")))
      ParseMakerNote(Ctx);
    RawSeek(Ctx, save);
  }
}

void ParseMakerNote(TIERawContext& Ctx) {
  const uint16_t order = Ctx.ByteOrder;
  char buf[11] = {};
  RawRead(Ctx, buf, 10);
  int64_t base = 0;
  if (std::strcmp(buf, "Nikon") == 0) {
    base = RawTell(Ctx);
    Ctx.ByteOrder = GetWord(Ctx);
    GetWord(Ctx);
    const uint32_t off = GetLong(Ctx);
    RawSeek(Ctx, base + off);
  } else {
    RawSkip(Ctx, std::strcmp(buf, "OLYMP") == 0 ? -2 : -10);
  }
  const uint32_t entries = EntryCount(Ctx);
  for (uint32_t i = 0; i < entries; ++i) {
    const uint16_t tag = GetWord(Ctx);
    const uint16_t type = GetWord(Ctx);
    GetLong(Ctx);
    uint32_t value;
    if (type == 3) {
      value = GetWord(Ctx);
      GetWord(Ctx);
    } else {
      value = GetLong(Ctx);
    }
    const int64_t save = RawTell(Ctx);
    const int64_t at = value + base;
    if (tag == 12) {
      RawSeek(Ctx, at);
      const double a = GetLong(Ctx), b = GetLong(Ctx), c = GetLong(Ctx), d = GetLong(Ctx);
      Ctx.CameraRed = RawRatio(a, b);
      Ctx.CameraBlue = RawRatio(c, d);
    } else if (tag == 140) {
      Ctx.CurveOffset = at + 2112;
    } else if (tag == 150) {
      Ctx.CurveOffset = at + 2;
    } else if (tag == 151) {
      if (Ctx.Model == "NIKON D100 ") {
        RawSeek(Ctx, at + 72);
        Ctx.CameraRed = GetWord(Ctx) / 256.0f;
        Ctx.CameraBlue = GetWord(Ctx) / 256.0f;
      } else if (Ctx.Model == "NIKON D2H") {
        RawSeek(Ctx, at + 10);
        const double a = GetWord(Ctx), b = GetWord(Ctx), c = GetWord(Ctx), d = GetWord(Ctx);
        Ctx.CameraRed = RawRatio(a, b);
        Ctx.CameraBlue = RawRatio(d, c);
      } else if (Ctx.Model == "NIKON D70") {
        RawSeek(Ctx, at + 20);
        const double a = GetWord(Ctx), b = GetWord(Ctx), c = GetWord(Ctx), d = GetWord(Ctx);
        Ctx.CameraRed = RawRatio(a, b);
        Ctx.CameraBlue = RawRatio(c, d);
      }
    } else if (tag == 4119) {
      Ctx.CameraRed = value / 256.0f;
    } else if (tag == 4120) {
      Ctx.CameraBlue = value / 256.0f;
    }
    RawSeek(Ctx, save);
  }
  Ctx.ByteOrder = order;
}

namespace {

// The multipliers as a CIFF record stores them at the position.
void ReadCiffMultipliers(TIERawContext& Ctx, int64_t At) {
  RawSeek(Ctx, At);
  const uint16_t a = GetWord(Ctx), b = GetWord(Ctx), c = GetWord(Ctx), d = GetWord(Ctx);
  Ctx.CameraRed = a;
  if (a != 0) Ctx.CameraRed = static_cast<float>(static_cast<double>(b) / a);
  Ctx.CameraBlue = c;
  if (d != 0) Ctx.CameraBlue = static_cast<float>(static_cast<double>(c) / d);
}

void ParseCiffBlock(TIERawContext& Ctx, int64_t Offset, int64_t Length, int32_t Depth,
                    int32_t& WhiteIndex, int32_t& Budget) {
  // A block must lie in the file and hold at least its table offset.
  if (Depth > kCiffMaxDepth || Length < 4 || !Inside(Ctx, Offset, Length)) return;
  RawSeek(Ctx, Offset + Length - 4);
  const int64_t table = Offset + GetLong(Ctx);
  if (!Inside(Ctx, table, 2)) return;
  RawSeek(Ctx, table);
  uint32_t records = GetWord(Ctx);
  const int64_t room = Ctx.StreamSize - RawTell(Ctx);
  if (int64_t{records} * 10 > room) records = static_cast<uint32_t>(room / 10);
  for (uint32_t r = 0; r < records && Budget > 0; ++r, --Budget) {
    const uint16_t type = GetWord(Ctx);
    const uint32_t len = GetLong(Ctx);
    const uint32_t roff = GetLong(Ctx);
    const int64_t a = Offset + roff;
    const int64_t save = RawTell(Ctx);
    switch (type) {
      case 0x080A:
        RawSeek(Ctx, a);
        Ctx.Make = RawReadString(Ctx, 64);
        RawSeek(Ctx, a + static_cast<int64_t>(Ctx.Make.size()) + 1);
        Ctx.Model = RawReadString(Ctx, 64);
        break;
      case 0x102A:
        RawSeek(Ctx, a + 14);
        WhiteIndex = GetWord(Ctx);
        if (WhiteIndex == 6 &&
            (Ctx.Model == "Canon EOS DIGITAL REBEL" || Ctx.Model == "Canon EOS 300D DIGITAL"))
          WhiteIndex = 7;
        break;
      case 0x102C:
        if (Ctx.Model != "Canon PowerShot G1" && Ctx.Model != "Canon PowerShot Pro90 IS") {
          RawSeek(Ctx, a + 100);
          if (WhiteIndex != 6 || GetLong(Ctx) != 0)
            ReadCiffMultipliers(Ctx, a + 100);
          else
            WhiteIndex = 15;
        } else {
          RawSeek(Ctx, a + 120);
          Ctx.White[0][1] = static_cast<uint16_t>(GetWord(Ctx) << 4);
          Ctx.White[0][0] = static_cast<uint16_t>(GetWord(Ctx) << 4);
          Ctx.White[1][0] = static_cast<uint16_t>(GetWord(Ctx) << 4);
          Ctx.White[1][1] = static_cast<uint16_t>(GetWord(Ctx) << 4);
        }
        break;
      case 0x0032:
        if (Ctx.Model == "Canon EOS D30") {
          ReadCiffMultipliers(Ctx, a + 72);
        } else if (Ctx.CameraRed == 0) {
          static const int32_t kR[6] = {1, 2, 3, 4, 5, 1};
          const int64_t extra = WhiteIndex >= 0 && WhiteIndex <= 5 ? 8 * kR[WhiteIndex] : 0;
          ReadCiffMultipliers(Ctx, a + 80 + extra);
        }
        break;
      case 0x10A9: {
        if (Ctx.Model == "Canon EOS 10D") {
          // Indexes past the table keep their value.
          static const int32_t kD[10] = {0, 1, 3, 4, 5, 6, 0, 0, 2, 8};
          if (WhiteIndex >= 0 && WhiteIndex < 10) WhiteIndex = kD[WhiteIndex];
        }
        RawSeek(Ctx, a + 8 * int64_t{WhiteIndex} + 2);
        const double va = GetWord(Ctx), vb = GetWord(Ctx), vc = GetWord(Ctx), vd = GetWord(Ctx);
        Ctx.CameraRed = RawRatio(va, vb);
        Ctx.CameraBlue = RawRatio(vd, vc);
        break;
      }
      case 0x1030:
        if (WhiteIndex > 14) {
          RawSeek(Ctx, a);
          ReadCiffWhiteSample(Ctx);
        }
        break;
      case 0x1031:
        RawSeek(Ctx, a + 2);
        Ctx.RawWidth = GetWord(Ctx);
        Ctx.RawHeight = GetWord(Ctx);
        break;
      case 0x1835:
        RawSeek(Ctx, a);
        InitCrwTables(Ctx, GetLong(Ctx));
        break;
      default:
        if ((type >> 8) == 0x28 || (type >> 8) == 0x30) ParseCiffBlock(Ctx, a, len, Depth + 1, WhiteIndex, Budget);
        break;
    }
    RawSeek(Ctx, save);
  }
}

}  // namespace

void ParseCiff(TIERawContext& Ctx, int64_t Offset, int64_t Length) {
  int32_t whiteIndex = -1;
  int32_t budget = kCiffMaxRecords;
  ParseCiffBlock(Ctx, Offset, Length, 0, whiteIndex, budget);
  if (whiteIndex == 0 && Ctx.Model != "Canon EOS D30") Ctx.CameraRed = -1;
}

void ReadCiffWhiteSample(TIERawContext& Ctx) {
  static const uint16_t kKey[2] = {0x7C39, 0x2E86};
  RawSkip(Ctx, 2);
  const uint32_t v1 = GetLong(Ctx);
  if (v1 != 0x80008) return;
  if (GetLong(Ctx) == 0) return;
  const int32_t bits = GetWord(Ctx);
  if (bits != 10 && bits != 12) return;
  uint32_t held = 0;
  int32_t heldCount = 0;
  int32_t key = 0;
  for (int32_t r = 0; r < 8; ++r)
    for (int32_t c = 0; c < 8; ++c) {
      if (heldCount < bits) {
        held = (held << 16) | (GetWord(Ctx) ^ kKey[key]);
        key ^= 1;
        heldCount += 16;
      }
      const uint32_t v = (held >> (heldCount - bits)) & ((1u << bits) - 1);
      heldCount -= bits;
      Ctx.White[r][c] = static_cast<uint16_t>(v << (14 - bits));
    }
}

namespace {

// A decimal number of the header; 0 when the text is not one.
int32_t RolleiNumber(const char* Text) {
  const long v = std::strtol(Text, nullptr, 10);
  return static_cast<int32_t>(std::clamp<long>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

void ParseRollei(TIERawContext& Ctx) {
  RawSeek(Ctx, 0);
  int32_t thumbW = 0, thumbH = 0;
  char rec[129];
  // The header ends at "EOHD"; a file without it ends at its last record.
  while (true) {
    rec[128] = 0;
    const int64_t got = RawRead(Ctx, rec, 128);
    if (got == 0 || std::strncmp(rec, "EOHD", 4) == 0) break;
    const char* eq = std::strchr(rec, '=');
    std::string key = eq ? std::string(rec, static_cast<size_t>(eq - rec)) : std::string(rec);
    const int32_t value = eq ? RolleiNumber(eq + 1) : 0;
    if (key == "HDR") Ctx.DataOffset = value;
    else if (key == "X  ") Ctx.RawWidth = value;
    else if (key == "Y  ") Ctx.RawHeight = value;
    else if (key == "TX ") thumbW = value;
    else if (key == "TY ") thumbH = value;
    if (got < 128) break;
  }
  Ctx.DataOffset += int64_t{thumbW} * thumbH * 2;
  Ctx.Make = "Rollei";
  Ctx.Model = "d530flex";
}

void parse_foveon(TIERawContext& Ctx) {
  Ctx.ByteOrder = kRawIntel;
  RawSeek(Ctx, Ctx.StreamSize - 4);
  const int64_t dir = GetLong(Ctx);
  if (dir >= Ctx.StreamSize) return;
  RawSeek(Ctx, dir);
  bool found = false;
  while (RawTell(Ctx) + 4 <= Ctx.StreamSize) {
    char w[4];
    RawRead(Ctx, w, 4);
    if (std::memcmp(w, "CAMF", 4) == 0) {
      found = true;
      break;
    }
  }
  if (!found) return;
  const int64_t p = GetLong(Ctx);
  if (!Inside(Ctx, p + 8, 4)) return;
  RawSeek(Ctx, p + 8);
  const int64_t n = GetLong(Ctx);
  const int64_t s = p + 24 + 8 * n;
  // A section that would run backwards or past its directory is not read.
  if (s < 0 || s >= dir) return;
  const int64_t chars = (dir - s) / 2;
  std::vector<char> text(static_cast<size_t>(chars) + 1, 0);
  RawSeek(Ctx, s);
  for (int64_t i = 0; i < chars; ++i) text[static_cast<size_t>(i)] = static_cast<char>(GetWord(Ctx) & 0xFF);
  const char* t = text.data();
  const char* end = text.data() + chars;
  while (t < end) {
    const size_t len = std::strlen(t);
    const char* next = t + len + 1;
    if (next < end) {
      if (std::strcmp(t, "CAMMANUF") == 0) Ctx.Make = std::string(next, std::min<size_t>(std::strlen(next), 63));
      if (std::strcmp(t, "CAMMODEL") == 0) Ctx.Model = std::string(next, std::min<size_t>(std::strlen(next), 63));
    }
    t = next;
  }
  RawSeek(Ctx, 248);
  Ctx.RawWidth = static_cast<int32_t>(GetLong(Ctx));
  Ctx.RawHeight = static_cast<int32_t>(GetLong(Ctx));
}
