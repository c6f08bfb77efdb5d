#include "imaging/io/formats/GIF.h"

#include "imaging/io/formats/FormatFields.h"
#include "imaging/io/formats/FormatWriter.h"
#include "imaging/io/IEReadLimits.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/GIFLZW.h"
#include "imaging/io/formats/StreamPositionGuard.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "imaging/model/TIEQuantizer.h"
#include "platform/ZeroedMemory.h"
#include "rtl/ByteOrder.h"
#include "rtl/Exception.h"
#include "rtl/FileUtils.h"
#include "rtl/Numeric.h"
#include "rtl/TStream.h"

namespace {

using formats::ReadUpTo;
using formats::TFormatWriter;

// Block introducers and extension labels (GIF89a).
constexpr uint8_t kExtensionIntroducer = 0x21;  // "!"
constexpr uint8_t kImageSeparator = 0x2C;       // ","
constexpr uint8_t kTrailer = 0x3B;              // ";"
constexpr uint8_t kGraphicControlLabel = 0xF9;
constexpr uint8_t kCommentLabel = 0xFE;

constexpr int64_t kHeaderSize = 13;
constexpr int64_t kDescriptorSize = 9;
constexpr int32_t kMaxSubBlock = 255;

// A frame is allocated only when its code stream could describe it: a
// 12-bit code stands for at most 4096 indexes, so a byte for at most
// kMaxExpansion (shorter codes stand for shorter strings).
constexpr int64_t kMaxExpansion = 4096 * 8 / 12 + 1;

bool ReadByte(TStream* s, uint8_t& b) { return s->Read(&b, 1) == 1; }

// Skips sub-blocks up to the zero length or the end of the stream; false
// when the stream ended inside them.
bool SkipSubBlocks(TStream* s) {
  uint8_t n = 0;
  while (ReadByte(s, n)) {
    if (n == 0) return true;
    const int64_t pos = s->Position();
    if (pos + n > s->Size()) {
      s->SetPosition(s->Size());
      return false;
    }
    s->SetPosition(pos + n);
  }
  return false;
}

// A colour table of Entries red, green, blue triples, held blue first.
std::vector<TRGB> ReadColorTable(TStream* s, int32_t entries) {
  std::vector<uint8_t> raw(static_cast<size_t>(entries) * 3, 0);
  ReadUpTo(s, raw.data(), static_cast<int64_t>(raw.size()));
  std::vector<TRGB> table(static_cast<size_t>(entries));
  for (int32_t i = 0; i < entries; ++i)
    table[static_cast<size_t>(i)] = MakeRGBTriple(raw[i * 3], raw[i * 3 + 1], raw[i * 3 + 2]);
  return table;
}

int32_t TableEntries(uint8_t flags) { return 2 << (flags & 7); }

struct GraphicControl {
  uint8_t flags = 0;
  uint16_t delay = 0;
  uint8_t transparent = 0;
};

// The extension is read as sub-blocks: its first holds the four fields, and
// whatever follows (a longer block, more blocks) is passed over.
void ReadGraphicControl(TStream* s, GraphicControl& gc) {
  uint8_t n = 0;
  if (!ReadByte(s, n) || n == 0) return;
  uint8_t b[kMaxSubBlock] = {};
  const int64_t got = ReadUpTo(s, b, n);
  if (got >= 4) {
    gc.flags = b[0];
    gc.delay = LoadLE16(b + 1);
    gc.transparent = b[3];
  }
  if (got == n) SkipSubBlocks(s);
}

// Every non-empty line of a comment extension; a full sub-block continues
// with the next one, so that lines longer than one sub-block come back whole.
void ReadComment(TStream* s, std::vector<std::string>& lines) {
  std::string line;
  uint8_t n = 0;
  char text[kMaxSubBlock];
  while (ReadByte(s, n) && n != 0) {
    const int64_t got = ReadUpTo(s, text, n);
    line.append(text, strnlen(text, static_cast<size_t>(got)));
    if (got < n) break;
    if (n < kMaxSubBlock) {
      if (!line.empty()) lines.push_back(line);
      line.clear();
    }
  }
  if (!line.empty()) lines.push_back(line);
}

struct FrameInfo {
  int32_t left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  std::vector<TRGB> table;  // local, else global; empty: neither
  int32_t table_bits = 0;
};

// The frame's indexes into a bitmap (and the mask).
void BuildPixels(const FrameInfo& f, const TZeroedMemory& idx, const GraphicControl& gc,
                 TIEBitmap* Bitmap, bool WithoutMask, std::unique_ptr<TIEMask>& Mask,
                 TIOParamsVals& Params) {
  const std::vector<TRGB>& map = Params.ColorMap;
  const bool two_colour = Params.BitsPerSample == 1 && map.size() >= 2 &&
                          SameRGB(map[0], TRGB{0, 0, 0}) && SameRGB(map[1], TRGB{255, 255, 255});
  const TIEPixelFormat format =
      two_colour ? ieMono1 : Params.IsNativePixelFormat ? iePalette8 : ieRGB24;
  Bitmap->Allocate(f.width, f.height, format);
  // Without a transparent colour every pixel shows: the mask would be full,
  // and a full mask is no mask.
  const bool masked = !WithoutMask && (gc.flags & 1);
  if (!WithoutMask && !masked) Mask.reset();
  if (masked) {
    if (!Mask) Mask = std::make_unique<TIEMask>();
    // Every pixel of the mask is written below: the plane is not filled first.
    Mask->AllocateBits(f.width, f.height, 8);
  }
  // Indexes beyond the colour table show black.
  TRGB lookup[256] = {};
  for (size_t i = 0; i < std::min<size_t>(map.size(), 256); ++i) lookup[i] = map[i];
  if (format == iePalette8)
    for (int32_t i = 0; i < 256; ++i) Bitmap->SetPaletteEntry(i, lookup[i]);

  const bool transparent = masked;
  bool any_hidden = false;
  int32_t box_left = INT32_MAX, box_top = INT32_MAX, box_right = -1, box_bottom = -1;
  for (int32_t y = 0; y < f.height; ++y) {
    const uint8_t* src = idx.data() + static_cast<int64_t>(y) * f.width;
    uint8_t* row = Bitmap->GetScanline(y);
    switch (format) {
      case iePalette8:
        std::memcpy(row, src, static_cast<size_t>(f.width));
        break;
      case ieRGB24: {
        TRGB* px = reinterpret_cast<TRGB*>(row);
        for (int32_t x = 0; x < f.width; ++x) px[x] = lookup[src[x]];
        break;
      }
      default:
        std::memset(row, 0, static_cast<size_t>((f.width + 7) / 8));
        for (int32_t x = 0; x < f.width; ++x)
          if (src[x] == 1) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        break;
    }
    if (transparent) {
      // The shown pixels are 255, and their bounding box grows row by row.
      uint8_t* m = Mask->GetScanline(y);
      int32_t first = -1, last = -1;
      for (int32_t x = 0; x < f.width; ++x) {
        const bool shown = src[x] != gc.transparent;
        m[x] = shown ? 255 : 0;
        if (shown) {
          if (first < 0) first = x;
          last = x;
        } else {
          any_hidden = true;
        }
      }
      if (first >= 0) {
        box_left = std::min(box_left, first);
        box_right = std::max(box_right, last);
        box_top = std::min(box_top, y);
        box_bottom = std::max(box_bottom, y);
      }
    }
  }
  Bitmap->UnmapRows();
  if (masked) {
    if (!any_hidden) {
      Mask.reset();  // every pixel shows
    } else if (box_left <= box_right) {
      Mask->Left = box_left, Mask->Top = box_top, Mask->Right = box_right, Mask->Bottom = box_bottom;
    }
  }
}

// The header and the logical screen: version, screen size, aspect, the
// global colour table and the background colour. False when the data is
// not a GIF file.
bool ReadScreen(TIEBufferedReadStream& In, TIOParamsVals& Params, std::vector<TRGB>& Global,
                int32_t& GlobalBits) {
  uint8_t h[kHeaderSize];
  if (ReadUpTo(&In, h, kHeaderSize) < kHeaderSize || std::memcmp(h, "GIF", 3) != 0) return false;
  Params.GifVersion.assign(reinterpret_cast<const char*>(h), 6);
  Params.GifWinWidth = LoadLE16(h + 6);
  Params.GifWinHeight = LoadLE16(h + 8);
  Params.GifRatio = h[12];
  Params.SetDpiX(DefaultDpiX);
  Params.SetDpiY(DefaultDpiY);
  Params.SamplesPerPixel = 1;
  if (h[10] & 0x80) {
    GlobalBits = (h[10] & 7) + 1;
    Global = ReadColorTable(&In, TableEntries(h[10]));
    if (h[11] < Global.size()) Params.GifBackground = Global[h[11]];
  }
  return true;
}

// An image descriptor (after its separator) and its local colour table.
// False when the data ends inside the descriptor.
bool ReadImageDescriptor(TIEBufferedReadStream& In, FrameInfo& F) {
  uint8_t d[kDescriptorSize];
  if (ReadUpTo(&In, d, kDescriptorSize) < kDescriptorSize) return false;
  F.left = LoadLE16(d);
  F.top = LoadLE16(d + 2);
  F.width = LoadLE16(d + 4);
  F.height = LoadLE16(d + 6);
  F.interlaced = (d[8] & 0x40) != 0;
  if (d[8] & 0x80) {
    F.table = ReadColorTable(&In, TableEntries(d[8]));
    F.table_bits = (d[8] & 7) + 1;
  }
  return true;
}

// The frame's colours: its own table, else the global one, else a grey
// ramp.
void ChooseFrameTable(FrameInfo& F, const std::vector<TRGB>& Global, int32_t GlobalBits) {
  if (F.table.empty()) {
    F.table = Global;
    F.table_bits = GlobalBits;
  }
  if (F.table.empty()) {
    F.table_bits = 8;
    F.table.resize(256);
    for (int32_t i = 0; i < 256; ++i)
      F.table[static_cast<size_t>(i)] = TRGB{static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)};
  }
}

// The frame's place, size, timing, transparency and disposal.
void SetFrameParams(const FrameInfo& F, const GraphicControl& Gc, TIOParamsVals& Params) {
  Params.GifTranspColor = Gc.transparent < F.table.size() ? F.table[Gc.transparent] : TRGB{0, 0, 0};
  Params.GifXPos = F.left;
  Params.GifYPos = F.top;
  Params.Width = F.width;
  Params.Height = F.height;
  Params.GifDelayTime = Gc.delay;
  Params.GifTransparent = Gc.flags & 1;
  Params.GifInterlaced = F.interlaced;
  Params.GifAction = (Gc.flags >> 2) & 7;
}

// The frame's colour indexes from its code stream into Idx. False when the
// read stops here (the load aborted, or refused as implausible).
bool DecodeFrameIndexes(TIEBufferedReadStream& In, const FrameInfo& F, bool WithoutMask,
                        const TIOParamsVals& Params, TIOProgressRec& Progress, TZeroedMemory& Idx) {
  const int64_t pixels = int64_t{F.width} * F.height;
  const int64_t available = In.Size() - In.Position();
  if (pixels == 0) {
    Progress.Abort();
    return false;
  }
  // The indexes, the frame and its mask all come from the code stream.
  if (!IEClaimPlausible(Progress, F.width, F.height, ieRGB24, !WithoutMask,
                        IEDataCanHold(pixels, available, kMaxExpansion)))
    return false;
  Idx = TZeroedMemory(static_cast<size_t>(pixels));
  const int64_t pos = In.Position();
  // The record's own decoder, else the installed one.
  const TGIFLZWDecompressProc decode =
      Params.GifLZWDecompress ? Params.GifLZWDecompress : DefaultGIFLZWDecompress;
  if (decode) decode(&In, F.height, F.width, F.interlaced, Idx.data());
  // A code stream that gave nothing at all is no image.
  if (In.Position() == pos) {
    Progress.Abort();
    return false;
  }
  return true;
}

// Passes over a code stream (its code size, then the sub-blocks).
void SkipImageData(TIEBufferedReadStream& In) {
  uint8_t code_size = 0;
  if (ReadByte(&In, code_size)) SkipSubBlocks(&In);
}

}  // namespace

void ReadGIFStream(TStream* Stream, TIEBitmap* Bitmap, int32_t& FrameCount, bool WithoutMask,
                   std::unique_ptr<TIEMask>& Mask, bool ParamsOnly, TIOProgressRec& Progress,
                   TIOParamsVals& Params) {
  FrameCount = 0;
  if (!WithoutMask) Mask.reset();
  Progress.Per1 = 1;
  Progress.Report(0);
  if (Progress.IsAborting()) return;

  // Byte-sized reads through a read-ahead buffer; the caller's stream is put
  // after what was read.
  TIEBufferedReadStream in(Stream, std::clamp<int64_t>(Stream->Size() - Stream->Position(), 1, 1 << 16));
  const formats::TStreamPositionGuard sync(Stream, &in);

  std::vector<TRGB> global;
  int32_t global_bits = 0;
  if (!ReadScreen(in, Params, global, global_bits)) return Progress.Abort();
  if (in.Position() >= in.Size()) return Progress.Abort();

  // The blocks up to the trailer: extensions, and images counted as frames;
  // only the wanted frame is decoded, the others are passed over.
  const int32_t wanted = Params.GifImageIndex;
  GraphicControl gc;
  int32_t frame = 0;
  while (!Progress.IsAborting()) {
    uint8_t b = 0;
    if (!ReadByte(&in, b) || b == kTrailer) break;
    if (b == kExtensionIntroducer) {
      uint8_t label = 0;
      if (!ReadByte(&in, label)) break;
      if (label == kGraphicControlLabel && frame == wanted) {
        gc = GraphicControl();
        ReadGraphicControl(&in, gc);
      } else if (label == kCommentLabel) {
        ReadComment(&in, Params.GifComments);
      } else {
        SkipSubBlocks(&in);
      }
      continue;
    }
    if (b != kImageSeparator) continue;  // stray bytes between blocks

    FrameInfo f;
    if (!ReadImageDescriptor(in, f)) break;
    if (frame != wanted) {
      uint8_t code_size = 0;
      if (!ReadByte(&in, code_size)) break;
      SkipSubBlocks(&in);
      ++frame;
      continue;
    }

    Progress.Report(30);
    if (Progress.IsAborting()) break;
    ChooseFrameTable(f, global, global_bits);
    SetFrameParams(f, gc, Params);

    // Fresh zeroed memory: indexes the code stream does not reach stay 0
    // without a pass that clears 24 MB of a large frame first.
    TZeroedMemory idx;
    if (ParamsOnly)
      SkipImageData(in);
    else if (!DecodeFrameIndexes(in, f, WithoutMask, Params, Progress, idx))
      break;
    Progress.Report(70);
    if (Progress.IsAborting()) break;
    Params.BitsPerSample = f.table_bits;
    Params.ColorMap.assign(static_cast<size_t>(1) << f.table_bits, TRGB{0, 0, 0});
    std::copy_n(f.table.begin(), std::min(f.table.size(), Params.ColorMap.size()),
                Params.ColorMap.begin());
    if (!ParamsOnly) {
      const bool two_colour = f.table_bits == 1 && SameRGB(f.table[0], TRGB{0, 0, 0}) &&
                              SameRGB(f.table[1], TRGB{255, 255, 255});
      // A huge colour frame needs real data behind it.
      if (!two_colour && (f.width > 65000 || f.height > 65000) && in.Size() - in.Position() < 2000) {
        Progress.Abort();
        break;
      }
      BuildPixels(f, idx, gc, Bitmap, WithoutMask, Mask, Params);
    }
    ++frame;
  }
  Params.SetImageCount(frame);
  FrameCount = frame;
  if (!Progress.IsAborting()) Progress.Report(100);
}

// ---- writer

namespace {

// Comment lines: the lines that fit a sub-block share one extension; a longer
// line gets an extension of its own, cut into full sub-blocks, which the
// reader joins again. Empty lines are left out (a zero length ends a chain).
// Without any line no extension is written at all: an extension whose first
// sub-block is the terminator is legal, but readers built on the common
// GIF library refuse the whole file for it. Our reader takes both.
void WriteComments(TFormatWriter& w, const std::vector<std::string>& lines) {
  bool open = false;
  auto begin = [&] {
    w.Byte(kExtensionIntroducer);
    w.Byte(kCommentLabel);
    open = true;
  };
  auto end = [&] {
    w.Byte(0);
    open = false;
  };
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    if (line.size() < static_cast<size_t>(kMaxSubBlock)) {
      if (!open) begin();
      w.Byte(static_cast<uint8_t>(line.size()));
      w.Put(line.data(), static_cast<int64_t>(line.size()));
      continue;
    }
    if (open) end();
    begin();
    for (size_t at = 0; at < line.size(); at += kMaxSubBlock) {
      const size_t n = std::min<size_t>(kMaxSubBlock, line.size() - at);
      w.Byte(static_cast<uint8_t>(n));
      w.Put(line.data() + at, static_cast<int64_t>(n));
    }
    end();
  }
  if (open) end();
}

}  // namespace

void WriteGIFStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                    TIOProgressRec& Progress) {
  Progress.Per1 = 1;
  Progress.Report(0);
  if (Progress.IsAborting()) return;
  const int32_t bits = std::clamp(Params.BitsPerSample, 1, 8);
  const int32_t width = Bitmap->Width(), height = Bitmap->Height();
  if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return Progress.Abort();

  // The working image: 1 bit, or palette / 24-bit pixels.
  std::unique_ptr<TIEBitmap> owned;
  TIEBitmap* work = Bitmap;
  const TIEPixelFormat format = Bitmap->PixelFormat();
  if (format != ieMono1 && format != iePalette8 && format != ieRGB24) {
    owned = std::make_unique<TIEBitmap>();
    owned->Assign(Bitmap);
    owned->ConvertFormat(ieRGB24);
    work = owned.get();
  }
  // The two entries of a 1-bit table: black and white, or the picture's own
  // two colours, which the table holds as well as any others.
  TRGB ink0{0, 0, 0}, ink1{255, 255, 255};
  if (bits == 1 && work->PixelFormat() != ieMono1) {
    TRGB c1, c2;
    std::unique_ptr<TIEBitmap> two(BuildTwoColorBitmap(work, c1, c2));
    if (two) {
      ink0 = c1;
      ink1 = c2;
    } else {
      two = std::make_unique<TIEBitmap>();
      two->Assign(work);
      two->ConvertFormat(ieMono1);
    }
    owned = std::move(two);
    work = owned.get();
  } else if (bits > 1 && work->PixelFormat() == ieMono1) {
    owned = std::make_unique<TIEBitmap>();
    owned->Assign(work);
    owned->ConvertFormat(ieRGB24);
    work = owned.get();
  }

  const bool alpha = Bitmap->HasAlphaChannel();
  int32_t colours = 1 << bits;
  if (alpha) {
    --colours;
    Params.GifTransparent = 1;
  }
  std::vector<TRGB> palette(256, TRGB{0, 0, 0});
  // Every index is written below; fresh memory needs no clearing pass.
  TZeroedMemory idx(static_cast<size_t>(width) * height);
  std::unique_ptr<TIEQuantizer> quantizer;
  if (work->PixelFormat() == ieMono1) {
    palette[0] = ink0;
    palette[1] = ink1;
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* row = work->GetScanline(y);
      uint8_t* out = idx.data() + static_cast<int64_t>(y) * width;
      for (int32_t x = 0; x < width; ++x) out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
    work->UnmapRows();
  } else {
    quantizer = std::make_unique<TIEQuantizer>(work, colours, palette.data(), -1);
    const bool paletted = work->PixelFormat() == iePalette8;
    TIEBitmap* alpha_channel = alpha ? Bitmap->GetAlphaChannel() : nullptr;
    std::vector<uint8_t> alpha_row(alpha ? static_cast<size_t>(width) : 0);
    for (int32_t y = 0; y < height; ++y) {
      if (alpha_channel) {
        std::memcpy(alpha_row.data(), alpha_channel->GetScanline(y), static_cast<size_t>(width));
        alpha_channel->UnmapRows();
      }
      const uint8_t* row = work->GetScanline(y);
      uint8_t* out = idx.data() + static_cast<int64_t>(y) * width;
      for (int32_t x = 0; x < width; ++x) {
        if (alpha && alpha_row[static_cast<size_t>(x)] < 255) {
          out[x] = static_cast<uint8_t>(colours);
        } else if (paletted && row[x] < colours) {
          out[x] = row[x];
        } else {
          const TRGB c = paletted ? work->GetPaletteEntry(row[x]) : reinterpret_cast<const TRGB*>(row)[x];
          out[x] = static_cast<uint8_t>(quantizer->RGBToIndex(c));
        }
      }
    }
    work->UnmapRows();
  }
  Progress.Report(30);
  if (Progress.IsAborting()) return;

  auto map_colour = [&](const TRGB& c) {
    if (quantizer && work->PixelFormat() == ieRGB24) return quantizer->RGBToIndex(c);
    return NearestPaletteIndex(palette.data(), work->PixelFormat() == ieMono1 ? 2 : colours, c);
  };
  TFormatWriter w(Stream, Progress);
  // Extensions follow, so the version is always 89a.
  uint8_t head[kHeaderSize] = {'G', 'I', 'F', '8', '9', 'a'};
  StoreLE16(head + 6, static_cast<uint32_t>(width));
  StoreLE16(head + 8, static_cast<uint32_t>(height));
  head[10] = static_cast<uint8_t>(0x80 | (bits - 1) << 4 | (bits - 1));
  head[11] = static_cast<uint8_t>(map_colour(Params.GifBackground));
  head[12] = 0;
  w.Put(head, kHeaderSize);
  std::vector<uint8_t> table(static_cast<size_t>(3) << bits);
  for (int32_t i = 0; i < (1 << bits); ++i) {
    table[static_cast<size_t>(i) * 3] = palette[static_cast<size_t>(i)].r;
    table[static_cast<size_t>(i) * 3 + 1] = palette[static_cast<size_t>(i)].g;
    table[static_cast<size_t>(i) * 3 + 2] = palette[static_cast<size_t>(i)].b;
  }
  w.Put(table.data(), static_cast<int64_t>(table.size()));

  w.Byte(kExtensionIntroducer);
  w.Byte(kGraphicControlLabel);
  w.Byte(4);
  w.Byte(static_cast<uint8_t>((Params.GifAction & 7) << 2 | (Params.GifTransparent ? 1 : 0)));
  w.Word(static_cast<uint32_t>(Params.GifDelayTime));
  w.Byte(static_cast<uint8_t>(alpha ? colours : map_colour(Params.GifTranspColor)));
  w.Byte(0);

  uint8_t desc[1 + kDescriptorSize] = {kImageSeparator};
  StoreLE16(desc + 1, static_cast<uint32_t>(Params.GifXPos));
  StoreLE16(desc + 3, static_cast<uint32_t>(Params.GifYPos));
  StoreLE16(desc + 5, static_cast<uint32_t>(width));
  StoreLE16(desc + 7, static_cast<uint32_t>(height));
  desc[9] = static_cast<uint8_t>(Params.GifInterlaced ? 0x40 : 0);
  w.Put(desc, sizeof desc);
  Progress.Report(70);
  if (Progress.IsAborting()) return;

  const TGIFLZWCompressProc encode = Params.GifLZWCompress ? Params.GifLZWCompress : DefaultGIFLZWCompress;
  if (!encode) return Progress.Abort();
  try {
    encode(Stream, height, width, Params.GifInterlaced != 0, idx.data(), bits);
  } catch (const EStreamError&) {
    return Progress.Abort();
  }
  WriteComments(w, Params.GifComments);
  w.Byte(kTrailer);
  if (!Progress.IsAborting()) Progress.Report(100);
}

void WriteGIFFile(const std::string& FileName, TIEBitmap* Bitmap, TIOParamsVals& Params,
                  TIOProgressRec& Progress) {
  TFileStream file(FileName, fmCreate);
  WriteGIFStream(&file, Bitmap, Params, Progress);
}

// ---- frame removal

int32_t DeleteGIFImage(const std::string& FileName, int32_t Index, bool SaveBack) {
  TMemoryStream copy;
  int32_t kept = 0;
  // Only a copy of a file read to its end replaces it.
  bool whole = false;
  {
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    TIEBufferedReadStream in(&file, std::clamp<int64_t>(file.Size(), 1, 1 << 16));
    uint8_t h[kHeaderSize];
    if (ReadUpTo(&in, h, kHeaderSize) < kHeaderSize || std::memcmp(h, "GIF", 3) != 0) return 0;
    std::memcpy(h + 3, "89a", 3);
    copy.WriteBuffer(h, kHeaderSize);
    std::vector<uint8_t> buf(3 * 256);
    if (h[10] & 0x80) {
      const int64_t got = ReadUpTo(&in, buf.data(), TableEntries(h[10]) * 3);
      copy.WriteBuffer(buf.data(), got);
    }
    // Copies sub-blocks up to the zero length; false when the file ended
    // inside them.
    auto copy_sub_blocks = [&]() {
      uint8_t n = 0;
      while (ReadByte(&in, n)) {
        copy.WriteBuffer(&n, 1);
        if (n == 0) return true;
        const int64_t got = ReadUpTo(&in, buf.data(), n);
        copy.WriteBuffer(buf.data(), got);
        if (got < n) return false;
      }
      return false;
    };
    int32_t frame = 0;
    for (;;) {
      uint8_t b = 0;
      if (!ReadByte(&in, b) || b == kTrailer) {
        whole = true;
        break;
      }
      if (b == kExtensionIntroducer) {
        uint8_t label = 0;
        if (!ReadByte(&in, label)) break;
        if (label == kGraphicControlLabel && frame == Index) {
          if (!SkipSubBlocks(&in)) break;
        } else {
          copy.WriteBuffer(&b, 1);
          copy.WriteBuffer(&label, 1);
          if (!copy_sub_blocks()) break;
        }
        continue;
      }
      if (b != kImageSeparator) continue;
      uint8_t d[kDescriptorSize];
      if (ReadUpTo(&in, d, kDescriptorSize) < kDescriptorSize) break;
      const int64_t table = (d[8] & 0x80) ? TableEntries(d[8]) * 3 : 0;
      bool complete = true;
      if (frame == Index) {
        const int64_t after = in.Position() + table + 1;
        if (after > in.Size()) break;
        in.SetPosition(after);
        complete = SkipSubBlocks(&in);
      } else {
        ++kept;
        copy.WriteBuffer(&b, 1);
        copy.WriteBuffer(d, kDescriptorSize);
        const int64_t got = ReadUpTo(&in, buf.data(), table);
        copy.WriteBuffer(buf.data(), got);
        uint8_t code_size = 0;
        complete = got == table && ReadByte(&in, code_size);
        if (complete) {
          copy.WriteBuffer(&code_size, 1);
          complete = copy_sub_blocks();
        }
      }
      ++frame;
      if (!complete) break;
    }
    const uint8_t trailer = kTrailer;
    copy.WriteBuffer(&trailer, 1);
  }
  if (SaveBack && whole) {
    TAtomicFileWriter out(FileName);
    out.Stream()->WriteBuffer(copy.Memory(), copy.Size());
    out.Commit();
  }
  return kept;
}

// ---- the load of the input/output component

namespace {

// Draws Frame (with its alpha) onto Canvas at (X, Y) and merges the alphas.
void DrawFrame(TIEBitmap& Canvas, TIEBitmap& Frame, int32_t X, int32_t Y) {
  TIEBitmap* fa = Frame.HasAlphaChannel() ? Frame.GetAlphaChannel() : nullptr;
  TIEBitmap* ca = Canvas.GetAlphaChannel();
  const int32_t w = std::min(Frame.Width(), Canvas.Width() - X);
  const int32_t h = std::min(Frame.Height(), Canvas.Height() - Y);
  // A frame placed wholly outside the logical screen draws nothing.
  if (w <= 0 || h <= 0) return;
  std::vector<TRGB> src(static_cast<size_t>(std::max(w, 0)));
  std::vector<uint8_t> a(static_cast<size_t>(std::max(w, 0)), 255);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) src[static_cast<size_t>(x)] = Frame.GetPixelRGB(x, y);
    Frame.UnmapRows();
    if (fa) {
      std::memcpy(a.data(), fa->GetScanline(y), static_cast<size_t>(w));
      fa->UnmapRows();
    }
    TRGB* dst = reinterpret_cast<TRGB*>(Canvas.GetScanline(Y + y)) + X;
    for (int32_t x = 0; x < w; ++x) {
      const int32_t k = a[static_cast<size_t>(x)];
      const TRGB s = src[static_cast<size_t>(x)];
      dst[x] = TRGB{static_cast<uint8_t>((s.b * k + dst[x].b * (255 - k)) / 255),
                    static_cast<uint8_t>((s.g * k + dst[x].g * (255 - k)) / 255),
                    static_cast<uint8_t>((s.r * k + dst[x].r * (255 - k)) / 255)};
    }
    Canvas.UnmapRows();
    uint8_t* da = ca->GetScanline(Y + y) + X;
    for (int32_t x = 0; x < w; ++x) da[x] = std::max(da[x], a[static_cast<size_t>(x)]);
    ca->UnmapRows();
  }
}

void FillArea(TIEBitmap& Canvas, int32_t X, int32_t Y, int32_t W, int32_t H, const TRGB& Colour) {
  TIEBitmap* ca = Canvas.GetAlphaChannel();
  const int32_t x2 = std::min(X + W, Canvas.Width()), y2 = std::min(Y + H, Canvas.Height());
  for (int32_t y = Y; y < y2; ++y) {
    TRGB* row = reinterpret_cast<TRGB*>(Canvas.GetScanline(y));
    for (int32_t x = X; x < x2; ++x) row[x] = Colour;
    Canvas.UnmapRows();
    if (x2 > X) std::memset(ca->GetScanline(y) + X, 0, static_cast<size_t>(x2 - X));
    ca->UnmapRows();
  }
}

// The canvas under a frame of disposal 3, alpha included, so that the next
// frame finds it as it was; null when the frame lies outside the canvas.
std::unique_ptr<TIEBitmap> SaveArea(TIEBitmap& Canvas, int32_t X, int32_t Y, int32_t W, int32_t H) {
  W = std::min(W, Canvas.Width() - X);
  H = std::min(H, Canvas.Height() - Y);
  if (W <= 0 || H <= 0 || X < 0 || Y < 0) return nullptr;
  auto saved = std::make_unique<TIEBitmap>();
  saved->Allocate(W, H, ieRGB24);
  Canvas.CopyRectTo(saved.get(), X, Y, 0, 0, W, H);
  Canvas.GetAlphaChannel()->CopyRectTo(saved->GetAlphaChannel(), X, Y, 0, 0, W, H);
  return saved;
}

void RestoreArea(TIEBitmap& Canvas, TIEBitmap& Saved, int32_t X, int32_t Y) {
  Saved.CopyRectTo(&Canvas, 0, 0, X, Y, Saved.Width(), Saved.Height());
  Saved.GetAlphaChannel()->CopyRectTo(Canvas.GetAlphaChannel(), 0, 0, X, Y, Saved.Width(), Saved.Height());
}

// Makes the canvas at least W x H, the new area background with alpha 0.
void GrowCanvas(TIEBitmap& Canvas, int32_t W, int32_t H, const TRGB& Background) {
  if (Canvas.IsEmpty()) {
    Canvas.Allocate(W, H, ieRGB24);
    FillArea(Canvas, 0, 0, W, H, Background);
    return;
  }
  if (Canvas.PixelFormat() != ieRGB24) Canvas.ConvertFormat(ieRGB24);
  if (Canvas.Width() >= W && Canvas.Height() >= H) return;
  TIEBitmap old;
  old.Assign(&Canvas);
  const int32_t w = std::max(W, old.Width()), h = std::max(H, old.Height());
  Canvas.Allocate(w, h, ieRGB24);
  FillArea(Canvas, 0, 0, w, h, Background);
  DrawFrame(Canvas, old, 0, 0);
}

// Whether a picture of one frame can hand its memory to the caller's bitmap
// instead of being copied whole once more: not into a platform bitmap or a
// caller's block (their rows stay where they are), nor where the caller
// would have kept a picture of this size in a temporary file.
bool TakesFrameMemory(const TIEBitmap& Target, const TIEBitmap& Frame) {
  const int64_t bytes = int64_t{(Frame.Width() * IEBitsPerPixel[Frame.PixelFormat()] + 31) / 32 * 4} * Frame.Height();
  return Frame.Location() == ieMemory && Target.Location() != ieTBitmap && !Target.ExternalBitmap() &&
         !Target.ExternalMemory() && bytes <= Target.MemoryThreshold;
}

void ReadComposed(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                  TIOProgressRec& Progress, std::unique_ptr<TIEMask>& AlphaMask) {
  int32_t count = 0;
  if (ParamsOnly) {
    std::unique_ptr<TIEMask> none;
    ReadGIFStream(Stream, Bitmap, count, true, none, true, Progress, Params);
    return;
  }
  const int64_t start = Stream->Position();
  const int32_t wanted = Params.GifImageIndex;
  // Composing reports progress per frame only.
  TIOProgressRec quiet;
  quiet.Aborting = Progress.Aborting;
  quiet.AbortReason = Progress.AbortReason;
  TIOProgressRec& frame_progress = wanted < 1 ? Progress : quiet;
  TIEBitmap canvas;
  int32_t previous_disposal = 0;
  int32_t px = 0, py = 0, pw = 0, ph = 0;
  std::unique_ptr<TIEBitmap> under;  // what a disposal-3 frame covered
  for (int32_t i = 0;; ++i) {
    TIEBitmap frame;
    Stream->SetPosition(start);
    Params.SetImageIndex(i);
    std::unique_ptr<TIEMask> mask;
    ReadGIFStream(Stream, &frame, count, false, mask, false, frame_progress, Params);
    if (Progress.IsAborting() || frame.IsEmpty()) break;
    const int32_t w = std::max(Params.GifWinWidth, frame.Width());
    const int32_t h = std::max(Params.GifWinHeight, frame.Height());
    if (mask) {
      TIEBitmap* a = frame.GetAlphaChannel();
      for (int32_t y = 0; y < frame.Height(); ++y) {
        std::memcpy(a->GetScanline(y), mask->GetScanline(y), static_cast<size_t>(frame.Width()));
        a->UnmapRows();
      }
      SyncAlphaFull(a);
    }
    TIEBitmap* result = &frame;
    // An animation's canvas is the logical screen: it must be no larger than
    // the file's frames could cover, each time a frame would make it grow
    // (a small first frame on a tall, narrow screen, then a wide frame).
    const int32_t cw = std::max(w, canvas.Width()), ch = std::max(h, canvas.Height());
    if (count > 1 && (canvas.IsEmpty() || cw > canvas.Width() || ch > canvas.Height()) &&
        !IEClaimPlausible(Progress, cw, ch, ieRGB24, true,
                          IEDataCanHold(int64_t{cw} * ch, Stream->Size() - start, kMaxExpansion)))
      break;
    if (count > 1) {
      // The previous frame's disposal applies before this one is drawn.
      if (previous_disposal == 2 && !canvas.IsEmpty())
        FillArea(canvas, px, py, pw, ph, Params.GifBackground);
      else if (previous_disposal == 3 && under)
        RestoreArea(canvas, *under, px, py);
      GrowCanvas(canvas, w, h, Params.GifBackground);
      under.reset();
      if (Params.GifAction == 3)
        under = SaveArea(canvas, Params.GifXPos, Params.GifYPos, frame.Width(), frame.Height());
      DrawFrame(canvas, frame, Params.GifXPos, Params.GifYPos);
      px = Params.GifXPos;
      py = Params.GifYPos;
      pw = frame.Width();
      ph = frame.Height();
      previous_disposal = Params.GifAction;
      Params.GifAction = 2;
      Params.GifXPos = Params.GifYPos = 0;
      SyncAlphaFull(canvas.GetAlphaChannel());
      result = &canvas;
    }
    if (result == &frame && TakesFrameMemory(*Bitmap, frame))
      frame.MoveDataTo(Bitmap);
    else
      Bitmap->Assign(result);
    if (Bitmap->HasAlphaChannel() && Bitmap->GetAlphaChannel()->Full) Bitmap->RemoveAlphaChannel();
    Progress.Per1 = 1;
    if (count > 0) Progress.Report(static_cast<int64_t>(Trunc(i * (100.0 / count))));
    if (i + 1 >= count || i == wanted) break;
  }
  Params.SetImageIndex(wanted);
  (void)AlphaMask;  // the alpha channel comes with the image
}

}  // namespace

TIEFormatHandler GIFFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftGIF;
  h.Read = ReadComposed;
  h.Write = WriteGIFStream;
  // Detected by its "GIF" signature among the fixed header checks.
  h.Test = nullptr;
  h.TellsViewDpi = 0;
  h.SaveFormats = 0;
  h.CountImages = [](const std::string& FileName) {
    try {
      return DeleteGIFImage(FileName, -1, false);
    } catch (const std::exception&) {
      return 0;
    }
  };
  return h;
}
