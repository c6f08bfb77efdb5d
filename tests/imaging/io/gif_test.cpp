// The GIF codec, reader and writer on hand-built files: code streams that
// must fail, frames and their extensions, the writer's fixed blocks, frame
// counting and removal, and the composition of an animation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "GifTestSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEQuantizer.h"

namespace {

using gif::CodeStream;
using gif::Frame;

// The file the writer made of the few-colour picture below before its
// colours were looked up by value rather than searched for, less the empty
// comment extension it then ended with.
constexpr size_t kFewColoursFileSize = 14164;
constexpr uint64_t kFewColoursFingerprint = 15805214830348551232u;

gif::File OneFrame(int w, int h, std::vector<uint8_t> idx, std::vector<uint32_t> table, int bits) {
  gif::File f;
  f.width = w;
  f.height = h;
  f.global = std::move(table);
  Frame fr;
  fr.width = w;
  fr.height = h;
  fr.indexes = std::move(idx);
  fr.bits = bits;
  f.frames.push_back(fr);
  return f;
}

std::vector<uint32_t> Ramp(int n) {
  std::vector<uint32_t> t;
  for (int i = 0; i < n; ++i) t.push_back(static_cast<uint32_t>(i * 0x010203 % 0x1000000));
  return t;
}

TRGB Rgb(uint32_t c) { return MakeRGB(c >> 16 & 255, c >> 8 & 255, c & 255); }

}  // namespace

TEST(GifLZW, EncodedIndexesDecodeBackAtEveryDepth) {
  struct Case {
    int w, h, bits;
    bool interlaced;
    int kind;  // 0 random, 1 one colour (long strings), 2 stripes
  } cases[] = {{1, 1, 1, false, 0},   {9, 3, 2, true, 0},   {300, 17, 5, false, 0},
               {64, 64, 8, true, 1},  {640, 400, 8, false, 0}, {513, 7, 8, true, 2},
               {3, 11, 1, true, 2},   {2000, 30, 4, false, 1}};
  std::mt19937 rng(7);
  for (const Case& c : cases) {
    std::vector<uint8_t> idx(static_cast<size_t>(c.w) * c.h);
    for (size_t i = 0; i < idx.size(); ++i)
      idx[i] = static_cast<uint8_t>(c.kind == 0 ? rng() % (1u << c.bits)
                                    : c.kind == 1 ? 1 : (i / 5) % (1u << c.bits));
    const auto data = gif::Encode(idx, c.w, c.h, c.interlaced, c.bits);
    TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
    std::vector<uint8_t> out(idx.size(), 0xEE);
    GIFLZWDecode(&s, c.h, c.w, c.interlaced, out.data());
    EXPECT_EQ(s.Position(), static_cast<int64_t>(data.size())) << c.w << "x" << c.h;
    EXPECT_EQ(out, idx) << c.w << "x" << c.h << " bits " << c.bits;
  }
}

TEST(GifLZW, BadCodeStreamsFailWithThePositionBack) {
  auto fails = [](std::vector<uint8_t> data) {
    TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
    std::vector<uint8_t> out(16);
    GIFLZWDecode(&s, 4, 4, false, out.data());
    return s.Position() == 0;
  };
  // Code sizes outside 2..9.
  EXPECT_TRUE(fails({1, 1, 0x00, 0}));
  EXPECT_TRUE(fails({10, 1, 0x00, 0}));
  {  // A code above the next free one: clear, literal 1, then 300.
    CodeStream c(8);
    c.Raw(256);
    c.Literal(1);
    c.Raw(300);
    EXPECT_TRUE(fails(c.Data()));
  }
  // The table filled to 4096 entries: a clear code lets decoding go on.
  {
    CodeStream c(8);
    c.Raw(256);
    while (c.next < 4096) c.Literal(7);
    c.Clear();
    c.Literal(3);
    c.Raw(257);
    EXPECT_FALSE(fails(c.Data()));
  }
  // A well-formed stream succeeds.
  CodeStream ok(2);
  ok.Raw(4);
  ok.Literal(1);
  ok.Literal(2);
  ok.Raw(5);
  EXPECT_FALSE(fails(ok.Data()));
}

TEST(GifLZW, AFullTableWithoutAClearKeepsDecodingWithItsStrings) {
  // Literals only: entry 6 + j is the pair (L[j], L[j + 1]); 4091 literals
  // fill the table to 4096. Then, with no clear code, codes 6 and 4095 and a
  // literal name the first pair, the last pair and one index.
  const auto data = gif::DeferredClearData();
  const std::vector<uint8_t> lit = gif::DeferredClearLiterals();
  std::vector<uint8_t> want = lit;
  want.insert(want.end(), {lit[0], lit[1], lit[4089], lit[4090], 3});
  ASSERT_EQ(want.size(), 4096u);
  TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
  std::vector<uint8_t> out(want.size(), 0xEE);
  GIFLZWDecode(&s, 64, 64, false, out.data());
  EXPECT_EQ(s.Position(), static_cast<int64_t>(data.size()));
  EXPECT_EQ(out, want);
  // Through the reader: no failure, and the last row ends in those pixels.
  gif::File f = OneFrame(64, 64, {}, Ramp(4), 2);
  f.frames[0].data = data;
  auto r = gif::Read(gif::Build(f));
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.At(63, 63), Rgb(Ramp(4)[3]));
  EXPECT_EQ(r.At(61, 63), Rgb(Ramp(4)[lit[4089]]));
}

TEST(GifReader, FramesParametersAndTheEndOfTheStream) {
  gif::File f;
  f.width = 5;
  f.height = 4;
  f.global = Ramp(4);
  f.background = 2;
  for (int i = 0; i < 2; ++i) {
    Frame fr;
    fr.left = i;
    fr.top = 2 * i;
    fr.width = 3;
    fr.height = 2;
    fr.indexes = {0, 1, 2, 3, 2, 1};
    fr.bits = 2;
    fr.interlaced = i == 1;
    fr.control = gif::Control(i + 1, -1, 10 * (i + 1));
    f.frames.push_back(fr);
  }
  for (const bool trailer : {true, false}) {
    f.trailer = trailer;
    auto r = gif::Read(gif::Build(f), 1);
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.frames, 2);
    EXPECT_EQ(r.params->GifImageCount, 2);
    EXPECT_EQ(r.params->GifWinWidth, 5);
    EXPECT_EQ(r.params->GifBackground, Rgb(f.global[2]));
    EXPECT_EQ(r.params->GifXPos, 1);
    EXPECT_EQ(r.params->GifYPos, 2);
    EXPECT_EQ(r.params->GifDelayTime, 20);
    EXPECT_EQ(r.params->GifAction, 2);
    EXPECT_TRUE(r.params->GifInterlaced);
    EXPECT_EQ(r.params->BitsPerSample, 2);
    ASSERT_EQ(r.bitmap->Width(), 3);
    EXPECT_EQ(r.At(2, 1), Rgb(f.global[1]));
    EXPECT_EQ(r.mask, nullptr);
  }
  // An index past the last frame: nothing decoded, no failure, the count kept.
  auto r = gif::Read(gif::Build(f), 5);
  EXPECT_FALSE(r.aborted);
  EXPECT_EQ(r.frames, 2);
  EXPECT_TRUE(r.bitmap->IsEmpty());
}

TEST(GifReader, BlackAndWhiteFramesAreOneBitWithEveryColumn) {
  std::vector<uint8_t> idx(9 * 2, 0);
  idx[8] = 1;   // the ninth column of row 0
  idx[9] = 1;
  auto r = gif::Read(gif::Build(OneFrame(9, 2, idx, {0x000000, 0xFFFFFF}, 1)));
  ASSERT_FALSE(r.aborted);
  ASSERT_EQ(r.bitmap->PixelFormat(), ieMono1);
  EXPECT_EQ(r.At(8, 0), MakeRGB(255, 255, 255));
  EXPECT_EQ(r.At(7, 0), MakeRGB(0, 0, 0));
  EXPECT_EQ(r.At(0, 1), MakeRGB(255, 255, 255));
  EXPECT_EQ(r.mask, nullptr);  // no graphic control extension: nothing transparent
  // Another pair of colours is a 24-bit frame, or a palette one when native.
  r = gif::Read(gif::Build(OneFrame(9, 2, idx, {0x000000, 0xFFFFFE}, 1)));
  EXPECT_EQ(r.bitmap->PixelFormat(), ieRGB24);
  r = gif::Read(gif::Build(OneFrame(9, 2, idx, {0x000000, 0xFFFFFE}, 1)), 0, false, true);
  EXPECT_EQ(r.bitmap->PixelFormat(), iePalette8);
  EXPECT_EQ(r.bitmap->GetPaletteEntry(1), MakeRGB(255, 255, 254));
}

TEST(GifReader, IndexesBeyondTheTableAndFramesWithoutATable) {
  // Code size 3 allows indexes 0..7 against a two-entry table: black beyond it.
  auto f = OneFrame(4, 1, {0, 1, 5, 7}, {0xFF0000, 0x00FF00}, 3);
  auto r = gif::Read(gif::Build(f));
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.At(1, 0), MakeRGB(0, 255, 0));
  EXPECT_EQ(r.At(2, 0), MakeRGB(0, 0, 0));
  EXPECT_EQ(r.At(3, 0), MakeRGB(0, 0, 0));
  EXPECT_EQ(r.params->ColorMapCount(), 2);
  // No table at all: the indexes read as a grey ramp.
  f.global.clear();
  r = gif::Read(gif::Build(f));
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.At(2, 0), MakeRGB(5, 5, 5));
  EXPECT_EQ(r.params->BitsPerSample, 8);
}

TEST(GifReader, ControlExtensionIsReadAsSubBlocksAndGivesTheMask) {
  auto f = OneFrame(3, 1, {0, 1, 2}, {0x102030, 0x405060, 0x708090, 0}, 2);
  // A longer first block and a second block: fields from the first, and the
  // image after them still found.
  f.frames[0].control = {0xF9, 5, 0x09, 0x2C, 0x01, 1, 0x3B, 2, 0x2C, 0x21, 0};
  auto r = gif::Read(gif::Build(f));
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.params->GifAction, 2);
  EXPECT_TRUE(r.params->GifTransparent);
  EXPECT_EQ(r.params->GifDelayTime, 300);
  EXPECT_EQ(r.params->GifTranspColor, Rgb(0x405060));
  ASSERT_NE(r.mask, nullptr);
  EXPECT_EQ(r.mask->GetPixel(0, 0), 255);
  EXPECT_EQ(r.mask->GetPixel(1, 0), 0);
  EXPECT_EQ(r.At(2, 0), Rgb(0x708090));
  // A control extension for another frame does not apply to this one.
  f.before = {{0x21, 0xF9, 4, 0x05, 0, 0, 1, 0}};
  f.frames[0].control.clear();
  f.frames.push_back(f.frames[0]);
  r = gif::Read(gif::Build(f), 1);
  EXPECT_FALSE(r.params->GifTransparent);
  EXPECT_EQ(r.mask, nullptr);
}

TEST(GifReader, HostileFilesAbortWithoutHugeAllocations) {
  // A 65535 x 65535 frame behind a few bytes of data.
  auto f = OneFrame(2, 2, {0, 1, 1, 0}, {0, 0xFFFFFF, 0x123456, 0}, 2);
  f.frames[0].width = f.frames[0].height = 65535;
  f.frames[0].data = {2, 2, 0x44, 0x01, 0};
  EXPECT_TRUE(gif::Read(gif::Build(f)).aborted);
  // Not a GIF; a header alone.
  EXPECT_TRUE(gif::Read({'G', 'I', 'X', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0x3B}).aborted);
  auto only = gif::Build(OneFrame(1, 1, {0}, {0, 0}, 2));
  only.resize(13);
  EXPECT_TRUE(gif::Read(only).aborted);
}

TEST(GifWriter, AlphaFixedBlocksVersionAndLongComments) {
  TIEBitmap image;
  image.Allocate(20, 10, ieRGB24);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) image.SetRGB24(x, y, MakeRGB(x * 12, y * 25, 7));
  image.GetAlphaChannel()->Fill(255);
  image.SetAlpha(3, 4, 0);
  image.SetAlpha(4, 4, 200);
  TIOParamsVals p(nullptr);
  p.BitsPerSample = 8;
  p.GifVersion = "GIF87a";
  const std::string long_line(300, 'x');
  p.GifComments = {"first", long_line, "", "last"};
  bool aborted = true;
  const auto bytes = gif::Write(&image, p, &aborted);
  ASSERT_FALSE(aborted);
  // Extensions follow, so the file says 89a.
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
  EXPECT_EQ(bytes[10], 0xF7);  // global table of 256 entries
  // The graphic control extension after the table: transparent index 255.
  const size_t gce = 13 + 768;
  ASSERT_GE(bytes.size(), gce + 8);
  EXPECT_EQ(bytes[gce], 0x21);
  EXPECT_EQ(bytes[gce + 1], 0xF9);
  EXPECT_EQ(bytes[gce + 3] & 1, 1);
  EXPECT_EQ(bytes[gce + 6], 255);
  EXPECT_TRUE(p.GifTransparent);
  EXPECT_EQ(bytes.back(), 0x3B);

  auto r = gif::Read(bytes);
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.params->GifComments, (std::vector<std::string>{"first", long_line, "last"}));
  ASSERT_NE(r.mask, nullptr);
  EXPECT_EQ(r.mask->GetPixel(3, 4), 0);
  EXPECT_EQ(r.mask->GetPixel(4, 4), 0);
  EXPECT_EQ(r.mask->GetPixel(5, 4), 255);
  EXPECT_EQ(r.At(10, 5), MakeRGB(120, 125, 7));  // 200 colours fit the 255 entries

  // Without comments no comment extension is written: the image data's
  // terminator is followed by the trailer.
  TIOParamsVals q(nullptr);
  q.BitsPerSample = 1;
  image.RemoveAlphaChannel();
  const auto mono = gif::Write(&image, q);
  const std::vector<uint8_t> tail(mono.end() - 2, mono.end());
  EXPECT_EQ(tail, (std::vector<uint8_t>{0x00, 0x3B}));
  static const uint8_t kComment[] = {0x21, 0xFE};
  EXPECT_EQ(std::search(mono.begin(), mono.end(), std::begin(kComment), std::end(kComment)), mono.end());
}

// Files that other writers made: a comment extension with no text at all,
// before and after the image, reads as no comment and spoils nothing.
TEST(GifReader, EmptyCommentExtensionsAreAccepted) {
  gif::File f = OneFrame(2, 1, {0, 1}, {0x000000, 0xFFFFFF}, 2);
  f.before.push_back({0x21, 0xFE, 0x00});
  f.trailer = false;
  auto bytes = gif::Build(f);
  for (uint8_t b : {0x21, 0xFE, 0x00, 0x3B}) bytes.push_back(b);
  auto r = gif::Read(bytes);
  ASSERT_FALSE(r.aborted);
  EXPECT_TRUE(r.params->GifComments.empty());
  EXPECT_EQ(r.At(0, 0), MakeRGB(0, 0, 0));
  EXPECT_EQ(r.At(1, 0), MakeRGB(255, 255, 255));
}

// A picture of two colours saved at one bit (as a two-colour file reads)
// keeps its two colours in the file's table; black and white stay so.
TEST(GifWriter, TwoColourPicturesKeepTheirColoursAtOneBit) {
  const TRGB pairs[][2] = {{MakeRGB(255, 0, 0), MakeRGB(255, 255, 255)},
                           {MakeRGB(0, 0, 0), MakeRGB(255, 255, 255)},
                           {MakeRGB(10, 200, 30), MakeRGB(0, 0, 90)}};
  for (const auto& pair : pairs) {
    TIEBitmap image;
    image.Allocate(9, 4, ieRGB24);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 9; ++x) image.SetRGB24(x, y, pair[(x + y) % 2]);
    TIOParamsVals q(nullptr);
    q.BitsPerSample = 1;
    auto r = gif::Read(gif::Write(&image, q));
    ASSERT_FALSE(r.aborted);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 9; ++x) EXPECT_EQ(r.At(x, y), pair[(x + y) % 2]) << x << "," << y;
  }
}

// A picture of at most 256 colours is saved with its own colours, in the
// order they first appear, each pixel mapped straight to its entry: the
// file is byte for byte the one this writer has always made (its
// fingerprint), and reads back to the same pixels.
TEST(GifWriter, FewColoursAreMappedToTheirOwnEntries) {
  TIEBitmap image;
  image.Allocate(300, 200, ieRGB24);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) {
      const int c = (x / 7 + y / 5 * 3) % 250;
      image.SetRGB24(x, y, MakeRGB(uint8_t(c * 37), uint8_t(c * 11), uint8_t(255 - c)));
    }
  TRGB palette[256];
  ASSERT_TRUE(TIEQuantizer(&image, 256, palette, -1).HasExactColors());
  TIOParamsVals p(nullptr);
  p.BitsPerSample = 8;
  bool aborted = true;
  const auto bytes = gif::Write(&image, p, &aborted);
  ASSERT_FALSE(aborted);
  uint64_t fingerprint = 14695981039346656037u;  // FNV-1a
  for (uint8_t b : bytes) fingerprint = (fingerprint ^ b) * 1099511628211u;
  EXPECT_EQ(bytes.size(), kFewColoursFileSize);
  EXPECT_EQ(fingerprint, kFewColoursFingerprint);
  auto r = gif::Read(bytes);
  ASSERT_FALSE(r.aborted);
  for (int y = 0; y < 200; y += 7)
    for (int x = 0; x < 300; x += 3) ASSERT_EQ(r.At(x, y), image.GetPixelRGB(x, y)) << x << "," << y;
}

namespace {
int gif_encodes = 0, gif_decodes = 0;
void CountingGifEncode(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced, const uint8_t* Data,
                       int32_t BitsPerPixel) {
  ++gif_encodes;
  GIFLZWEncode(Stream, Height, Width, Interlaced, Data, BitsPerPixel);
}
void CountingGifDecode(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced, uint8_t* Data) {
  ++gif_decodes;
  GIFLZWDecode(Stream, Height, Width, Interlaced, Data);
}
}  // namespace

// A record's LZW routines code the frame in place of the built-in codec;
// without a record's or an installed routine, reading and writing abort.
TEST(GifWriter, LzwRoutinesOfTheRecordAreUsed) {
  TIEBitmap image;
  image.Allocate(6, 4, ieRGB24);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) image.SetRGB24(x, y, MakeRGB(uint8_t(x * 40), uint8_t(y * 60), 7));
  TIOParamsVals p(nullptr);
  EXPECT_EQ(p.GifLZWCompress, DefaultGIFLZWCompress);
  EXPECT_EQ(p.GifLZWDecompress, DefaultGIFLZWDecompress);
  p.BitsPerSample = 8;
  p.GifLZWCompress = CountingGifEncode;
  gif_encodes = 0;
  bool aborted = true;
  const auto bytes = gif::Write(&image, p, &aborted);
  ASSERT_FALSE(aborted);
  EXPECT_EQ(gif_encodes, 1);

  auto read = [&bytes](TIOParamsVals& params, TIEBitmap& into) {
    TIEMemStream s(bytes.data(), static_cast<int64_t>(bytes.size()));
    bool failed = false;
    TIOProgressRec pr;
    pr.Aborting = &failed;
    std::unique_ptr<TIEMask> mask;
    int32_t frames = 0;
    ReadGIFStream(&s, &into, frames, false, mask, false, pr, params);
    return !failed;
  };
  TIOParamsVals r(nullptr);
  r.GifLZWDecompress = CountingGifDecode;
  TIEBitmap got;
  gif_decodes = 0;
  ASSERT_TRUE(read(r, got));
  EXPECT_EQ(gif_decodes, 1);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_EQ(got.GetPixelRGB(x, y), image.GetPixelRGB(x, y)) << x << "," << y;

  DefaultGIFLZWDecompress = nullptr;
  DefaultGIFLZWCompress = nullptr;
  TIOParamsVals none(nullptr);
  none.BitsPerSample = 8;
  gif::Write(&image, none, &aborted);
  EXPECT_TRUE(aborted);
  TIEBitmap nothing;
  EXPECT_FALSE(read(none, nothing));
  DefaultGIFLZWDecompress = GIFLZWDecode;
  DefaultGIFLZWCompress = GIFLZWEncode;
}

TEST(GifFrames, CountingAndRemovingFrames) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("nbv-gif-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string name = (dir / "one.gif").string();
  auto save = [&](const std::vector<uint8_t>& b) {
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                                 static_cast<std::streamsize>(b.size()));
  };
  auto load = [&] {
    std::ifstream in(name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  };
  auto f = OneFrame(2, 2, {0, 1, 1, 0}, {0, 0xFFFFFF}, 2);
  f.version = "GIF87a";
  const auto one = gif::Build(f);
  save(one);
  EXPECT_EQ(DeleteGIFImage(name, -1, false), 1);
  EXPECT_EQ(load(), one);
  EXPECT_EQ(DeleteGIFImage(name, 0, true), 0);
  std::vector<uint8_t> expected(one.begin(), one.begin() + 13 + 6);
  std::memcpy(expected.data() + 3, "89a", 3);
  expected.push_back(0x3B);
  EXPECT_EQ(load(), expected);

  // Two frames: removing the first keeps the second with its own control.
  f.frames.push_back(f.frames[0]);
  f.frames[0].control = gif::Control(1, 0);
  f.frames[1].control = gif::Control(2, 1);
  f.frames[1].indexes = {1, 1, 1, 0};
  save(gif::Build(f));
  EXPECT_EQ(DeleteGIFImage(name, 0, true), 1);
  auto r = gif::Read(load());
  ASSERT_FALSE(r.aborted);
  EXPECT_EQ(r.frames, 1);
  EXPECT_EQ(r.params->GifAction, 2);
  EXPECT_EQ(r.At(1, 0), MakeRGB(255, 255, 255));

  // A file cut inside a frame's data is counted but never replaced by the
  // partial copy.
  auto cut = gif::Build(f);
  cut.resize(cut.size() - 4);
  save(cut);
  DeleteGIFImage(name, 0, true);
  EXPECT_EQ(load(), cut);
  fs::remove_all(dir);
}

TEST(GifLoad, AnimationFramesAreComposedWithTheirDisposal) {
  // A 4 x 2 screen: frame 0 fills it red; frame 1 (disposal 2) paints green
  // at (1, 0); frame 2 paints blue at (3, 1). Loading frame 2 shows frame 1's
  // square restored to the background, or with disposal 3 to frame 0's red.
  gif::File f;
  f.width = 4;
  f.height = 2;
  f.global = {0xFF0000, 0x00FF00, 0x0000FF, 0x808080};
  f.background = 3;
  Frame full;
  full.width = 4;
  full.height = 2;
  full.indexes.assign(8, 0);
  full.bits = 2;
  full.control = gif::Control(1, -1);
  Frame green = full;
  green.left = 1;
  green.width = green.height = 1;
  green.indexes = {1};
  green.control = gif::Control(2, -1);
  Frame blue = green;
  blue.left = 3;
  blue.top = 1;
  blue.indexes = {2};
  blue.control = gif::Control(1, -1);
  f.frames = {full, green, blue};
  const auto bytes = gif::Build(f);

  TImagoIO io(nullptr);
  for (const int wanted : {1, 2}) {
    io.Params()->GifImageIndex = wanted;
    io.LoadFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()), ieftGIF);
    ASSERT_FALSE(io.Aborted());
    TIEBitmap* b = io.IEBitmap();
    ASSERT_EQ(b->Width(), 4);
    ASSERT_EQ(b->Height(), 2);
    EXPECT_EQ(b->GetPixelRGB(1, 0), wanted == 1 ? MakeRGB(0, 255, 0) : MakeRGB(128, 128, 128));
    EXPECT_EQ(b->GetPixelRGB(3, 1), wanted == 1 ? MakeRGB(255, 0, 0) : MakeRGB(0, 0, 255));
    EXPECT_EQ(b->GetPixelRGB(0, 0), MakeRGB(255, 0, 0));
    EXPECT_EQ(io.Params()->GifAction, 2);
    EXPECT_EQ(io.Params()->GifXPos, 0);
    EXPECT_EQ(io.Params()->GifImageIndex, wanted);
  }
  EXPECT_EQ(io.Params()->GifImageCount, 3);
  EXPECT_EQ(io.IEBitmap()->GetAlpha(1, 0), 0);  // the restored square is transparent

  // Disposal 3 puts back what the frame covered: the red of frame 0.
  f.frames[1].control = gif::Control(3, -1);
  const auto restored = gif::Build(f);
  io.Params()->GifImageIndex = 2;
  io.LoadFromBuffer(restored.data(), static_cast<int64_t>(restored.size()), ieftGIF);
  ASSERT_FALSE(io.Aborted());
  EXPECT_EQ(io.IEBitmap()->GetPixelRGB(1, 0), MakeRGB(255, 0, 0));
  EXPECT_EQ(io.IEBitmap()->GetPixelRGB(3, 1), MakeRGB(0, 0, 255));
  EXPECT_FALSE(io.IEBitmap()->HasAlphaChannel());
  // Frames of disposal 3 that reach past the screen or lie beyond it.
  for (const int left : {3, 9000}) {
    f.frames[1].left = left;
    f.frames[1].width = 3;
    f.frames[1].indexes.assign(3, 1);
    const auto outside = gif::Build(f);
    io.LoadFromBuffer(outside.data(), static_cast<int64_t>(outside.size()), ieftGIF);
    ASSERT_FALSE(io.Aborted()) << left;
    EXPECT_EQ(io.IEBitmap()->GetPixelRGB(3, 0), MakeRGB(255, 0, 0)) << left;
    EXPECT_EQ(io.IEBitmap()->GetPixelRGB(3, 1), MakeRGB(0, 0, 255)) << left;
  }
}

// A small first frame on a tall, narrow screen passes the canvas bound;
// a wide second frame must not then grow the canvas to what the screen's
// height times its width would be (here 4000 x 60000 from a file of a
// few hundred bytes).
TEST(GifLoad, TheCanvasGrowsOnlyAsFarAsTheFileCouldCover) {
  gif::File f;
  f.width = 1;
  f.height = 60000;
  f.global = {0xFF0000, 0x00FF00};
  Frame first;
  first.indexes = {0};
  first.bits = 2;
  first.control = gif::Control(1, -1);
  Frame wide = first;
  wide.width = 4000;
  wide.indexes.assign(4000, 1);
  f.frames = {first, wide};
  const auto bytes = gif::Build(f);
  ASSERT_LT(bytes.size(), 1000u);

  TImagoIO io(nullptr);
  io.Params()->GifImageIndex = 1;
  io.LoadFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()), ieftGIF);
  TIEBitmap* b = io.IEBitmap();
  EXPECT_LE(int64_t{b->Width()} * b->Height(), int64_t{1} << 20);
}
