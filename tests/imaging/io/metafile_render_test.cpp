// Metafiles drawn into the image: pictures written record by record come out
// at the pixels their coordinates give, at their own size and stretched; the
// drawing size follows the asked size; what the drawing leaves becomes
// transparent; broken and hostile files load nothing or what they hold.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/platform/MetafileTestSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/io/formats/Metafile.h"
#include "imaging/model/TIEBitmap.h"
#include "platform/Metafile.h"
#include "platform/PenBrush.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kRed = mf::Rgb(255, 0, 0), kBlue = mf::Rgb(0, 0, 255), kWhite = 0xFFFFFF;

class MetafileLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("nbv-mf-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    io_.reset(new TImagoIO(nullptr));
    io_->SetBackground(kWhite);
    io_->OnFinishWork = [this](TObject*) { ++finishes_; };
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::vector<uint8_t>& Data, const std::string& Name) {
    const std::string path = (dir_ / Name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(Data.data()),
                                                static_cast<std::streamsize>(Data.size()));
    return path;
  }
  void Load(const std::vector<uint8_t>& Data, int32_t W, int32_t H, bool Alpha = false,
            const std::string& Name = "p.wmf") {
    io_->LoadMetafileFromFile(Write(Data, Name), W, H, Alpha);
  }
  // The colour of pixel (x, y) as 0xBBGGRR.
  uint32_t At(int32_t x, int32_t y) {
    const uint8_t* p = io_->IEBitmap()->GetScanline(y) + 3 * x;
    return mf::Rgb(p[2], p[1], p[0]);
  }
  // A filled rectangle drawn without a pen covers [l, r - 1) x [t, b - 1).
  void ExpectFill(int32_t l, int32_t t, int32_t r, int32_t b, uint32_t Colour) {
    EXPECT_EQ(At(l, t), Colour);
    EXPECT_EQ(At(r - 2, b - 2), Colour);
    EXPECT_EQ(At(r - 1, b - 1), kWhite);
    EXPECT_EQ(At(l - 1, t), kWhite);
    EXPECT_EQ(At(l, t - 1), kWhite);
  }

  fs::path dir_;
  TOwned<TImagoIO> io_;
  int finishes_ = 0;
};

// A 40 x 30 placeable picture: a red rectangle (10, 5)-(30, 25), no pen.
std::vector<uint8_t> RedRectangle(uint16_t Inch = 96) {
  mf::Wmf w;
  w.WindowOrg(0, 0).WindowExt(40, 30).Pen(PS_NULL, 1, 0).Brush(BS_SOLID, kRed);
  w.Select(0).Select(1).Rectangle(10, 5, 30, 25).Eof();
  return w.Bytes(0, 0, 40 * Inch / 96, 30 * Inch / 96, Inch);
}

}  // namespace

TEST_F(MetafileLoad, WindowsMetafileAtItsOwnSizeAndStretched) {
  Load(RedRectangle(), -1, -1);
  ASSERT_FALSE(io_->Aborted());
  ASSERT_EQ(io_->IEBitmap()->Width(), 40);
  ASSERT_EQ(io_->IEBitmap()->Height(), 30);
  EXPECT_EQ(io_->IEBitmap()->PixelFormat(), ieRGB24);
  ExpectFill(10, 5, 30, 25, kRed);
  EXPECT_EQ(io_->Params()->FileType, ieftWMF);
  EXPECT_EQ(io_->Params()->BitsPerSample, 8);
  EXPECT_EQ(io_->Params()->SamplesPerPixel, 3);
  EXPECT_EQ(io_->Params()->Width, 40);
  EXPECT_EQ(finishes_, 1);

  Load(RedRectangle(), 80, 60);
  ASSERT_EQ(io_->IEBitmap()->Width(), 80);
  ExpectFill(20, 10, 60, 50, kRed);

  // One width given: the height follows the picture's aspect.
  Load(RedRectangle(), 20, -1);
  EXPECT_EQ(io_->IEBitmap()->Width(), 20);
  EXPECT_EQ(io_->IEBitmap()->Height(), 15);
  Load(RedRectangle(), -1, 60);
  EXPECT_EQ(io_->IEBitmap()->Width(), 80);
  EXPECT_EQ(io_->IEBitmap()->Height(), 60);
}

TEST_F(MetafileLoad, PenLinesAndTheUnitsOfThePlaceableHeader) {
  mf::Wmf w;
  w.WindowOrg(0, 0).WindowExt(40, 30).Pen(PS_SOLID, 1, 0).Select(0).MoveTo(0, 20).LineTo(40, 20);
  w.Eof();
  Load(w.Bytes(0, 0, 40, 30, 96), -1, -1);
  ASSERT_EQ(io_->IEBitmap()->Width(), 40);
  EXPECT_EQ(At(0, 20), 0u);
  EXPECT_EQ(At(39, 20), 0u);
  EXPECT_EQ(At(5, 19), kWhite);
  EXPECT_EQ(At(5, 21), kWhite);
  // 1440 units an inch: 600 x 450 units are 40 x 30 pixels.
  Load(RedRectangle(1440), -1, -1);
  ASSERT_EQ(io_->IEBitmap()->Width(), 40);
  ASSERT_EQ(io_->IEBitmap()->Height(), 30);
  ExpectFill(10, 5, 30, 25, kRed);
}

TEST_F(MetafileLoad, EnhancedMetafileMappings) {
  // Each draws a blue rectangle over (20, 10)-(60, 40) of a 100 x 50 frame.
  auto blue = [](mf::Emf& e) { e.Brush(1, BS_SOLID, kBlue).Select(1).SelectStock(NULL_PEN); };
  mf::Emf text, anisotropic, world;
  blue(text);
  text.Rectangle(20, 10, 60, 40).Eof();
  blue(anisotropic);
  anisotropic.MapMode(8).WindowExt(10, 5).ViewportExt(100, 50).Rectangle(2, 1, 6, 4).Eof();
  blue(world);
  world.World(2, 2, 0, 0).Rectangle(10, 5, 30, 20).Eof();
  for (mf::Emf* e : {&text, &anisotropic, &world}) {
    Load(e->Bytes(mf::FrameOf(100), mf::FrameOf(50)), -1, -1, false, "p.emf");
    ASSERT_FALSE(io_->Aborted());
    ASSERT_EQ(io_->IEBitmap()->Width(), 100);
    ASSERT_EQ(io_->IEBitmap()->Height(), 50);
    ExpectFill(20, 10, 60, 40, kBlue);
    EXPECT_EQ(io_->Params()->FileType, ieftEMF);
  }
  // Stretched to twice the size.
  Load(text.Bytes(mf::FrameOf(100), mf::FrameOf(50)), 200, 100, false, "p.emf");
  ExpectFill(40, 20, 120, 80, kBlue);
}

TEST_F(MetafileLoad, LoadFromFileKeepsTheBackgroundAsAlpha) {
  for (const char* name : {"a.wmf", "a.WMF"}) {
    io_->LoadFromFile(Write(RedRectangle(), name));
    ASSERT_FALSE(io_->Aborted()) << name;
    TIEBitmap* b = io_->IEBitmap();
    ASSERT_EQ(b->Width(), 40);
    ASSERT_TRUE(b->HasAlphaChannel());
    EXPECT_EQ(b->GetAlphaChannel()->GetScanline(0)[0], 0);
    EXPECT_EQ(b->GetAlphaChannel()->GetScanline(10)[15], 255);
    EXPECT_EQ(At(15, 10), kRed);
    EXPECT_EQ(io_->Params()->FileType, ieftWMF);
  }
  mf::Emf e;
  e.Brush(1, BS_SOLID, kBlue).Select(1).Rectangle(20, 10, 60, 40).Eof();
  io_->LoadFromFileOfType(Write(e.Bytes(mf::FrameOf(100), mf::FrameOf(50)), "b.bin"), ieftEMF);
  ASSERT_FALSE(io_->Aborted());
  EXPECT_EQ(io_->Params()->FileType, ieftEMF);
  EXPECT_EQ(io_->IEBitmap()->GetAlphaChannel()->GetScanline(20)[30], 255);
  EXPECT_EQ(io_->IEBitmap()->GetAlphaChannel()->GetScanline(45)[90], 0);
}

// With a lent bitmap and AsyncMode, the metafile load runs on a worker.
TEST_F(MetafileLoad, OnAWorker) {
  TIEBitmap lent;
  io_->AttachIEBitmap(&lent);
  io_->AsyncMode = true;
  std::atomic<int> finishes{0};
  io_->OnFinishWork = [&](TObject*) { ++finishes; };
  io_->LoadMetafileFromFile(Write(RedRectangle(), "w.wmf"), 80, -1, true);
  io_->WaitThreads(false);
  io_->LoadFromFile(Write(RedRectangle(), "x.wmf"));
  io_->WaitThreads(false);
  EXPECT_EQ(finishes.load(), 2);
  EXPECT_FALSE(io_->Aborted());
  EXPECT_EQ(lent.Width(), 40);
  EXPECT_TRUE(lent.HasAlphaChannel());
}

TEST(MetafileSize, TargetSizeFollowsTheAskedSides) {
  struct Case {
    int32_t mw, mh, w, h;
    bool ok;
    int32_t ew, eh;
  } cases[] = {
      {400, 300, 200, -1, true, 200, 150},    {400, 300, -1, 150, true, 200, 150},
      {400, 300, -1, -1, true, 400, 300},     {400, 300, 10, 20, true, 10, 20},
      {32000, 8000, 32000, 8000, true, 16000, 4000}, {8000, 32000, -1, 32000, true, 4000, 16000},
      // The own size of a large drawing: brought down to a screen's worth.
      {32000, 8000, -1, -1, true, 4096, 1024}, {16000, 16000, -1, -1, true, 2048, 2048},
      {3840, 2160, -1, -1, true, 2730, 1536}, {2560, 1600, -1, -1, true, 2560, 1600},
      {400, 300, 0, 5, false, 0, 0},          {0, 300, -1, -1, false, 0, 0},
      {0, 300, -1, 100, false, 0, 0},          {1, 40000, -1, -1, true, 1, 16000},
  };
  for (const Case& c : cases) {
    int32_t w = c.w, h = c.h;
    EXPECT_EQ(MetafileTargetSize(c.mw, c.mh, w, h), c.ok) << c.mw << "x" << c.mh;
    if (!c.ok) continue;
    EXPECT_EQ(w, c.ew);
    EXPECT_EQ(h, c.eh);
  }
  // The units of a placeable header: 32000 x 8000 at 96 an inch.
  mf::Wmf w;
  w.Eof();
  const auto big = w.Bytes(0, 0, 32000, 8000, 96);
  TMetafile m;
  ASSERT_TRUE(m.Load(big.data(), big.size()));
  EXPECT_EQ(m.Width(), 32000);
  EXPECT_EQ(m.Height(), 8000);
}

TEST_F(MetafileLoad, NothingAskedNoSizeAndNoMetafile) {
  Load(RedRectangle(), 40, 30);
  // A side of 0 asked: nothing loads and nothing fails.
  Load(RedRectangle(), 0, 30);
  EXPECT_FALSE(io_->Aborted());
  EXPECT_EQ(io_->IEBitmap()->Width(), 40);
  // A picture of no size.
  mf::Wmf w;
  w.Eof();
  Load(w.Bytes(0, 0, 0, 0, 96), -1, -1);
  EXPECT_TRUE(io_->Aborted());
  EXPECT_EQ(io_->IEBitmap()->Width(), 40);
  // Not a metafile.
  Load(std::vector<uint8_t>(64, 0x41), -1, -1);
  EXPECT_TRUE(io_->Aborted());
  // A plain metafile without a window to size it by.
  mf::Wmf plain;
  plain.Rectangle(0, 0, 5, 5).Eof();
  Load(plain.Bytes(0, 0, 0, 0, 0), -1, -1);
  EXPECT_TRUE(io_->Aborted());
  EXPECT_EQ(finishes_, 5);
  // A plain metafile sized by its window.
  mf::Wmf sized;
  sized.WindowOrg(0, 0).WindowExt(40, 30).Pen(PS_NULL, 1, 0).Brush(BS_SOLID, kRed);
  sized.Select(0).Select(1).Rectangle(10, 5, 30, 25).Eof();
  Load(sized.Bytes(0, 0, 0, 0, 0), -1, -1);
  ASSERT_FALSE(io_->Aborted());
  ExpectFill(10, 5, 30, 25, kRed);
}

// Records whose size reaches beyond the file end the drawing there; a size
// of 0 or below the record's own header too; unknown records are skipped.
TEST(MetafilePlayer, RecordSizesBeyondTheFileAndUnknownRecords) {
  auto play = [](const std::vector<uint8_t>& f, int32_t& Played, int32_t& Skipped) {
    TMetafile m;
    if (!m.Load(f.data(), f.size())) return false;
    TIEBitmap b;
    bool aborted = false;
    TIOProgressRec p;
    p.Aborting = &aborted;
    EXPECT_TRUE(RenderMetafile(m, m.Width(), m.Height(), kWhite, false, &b, p));
    Played = m.PlayedRecords();
    Skipped = m.SkippedRecords();
    const uint8_t* px = b.GetScanline(10) + 3 * 15;
    return px[2] == 255 && px[1] == 0 && px[0] == 0;  // the rectangle is there
  };
  auto head = [] {
    mf::Wmf w;
    w.WindowOrg(0, 0).WindowExt(40, 30).Pen(PS_NULL, 1, 0).Brush(BS_SOLID, kRed);
    w.Select(0).Select(1).Rectangle(10, 5, 30, 25);
    return w;
  };
  int32_t played = 0, skipped = 0;
  mf::Wmf beyond = head();
  beyond.RawRecord(0x7FFFFFFF, 0x041B, {0, 0, 40, 30}).Rectangle(0, 0, 40, 30);
  EXPECT_TRUE(play(beyond.Bytes(0, 0, 40, 30, 96), played, skipped));
  EXPECT_EQ(played, 7);
  mf::Wmf zero = head();
  zero.RawRecord(0, 0x041B, {}).Rectangle(0, 0, 40, 30);
  EXPECT_TRUE(play(zero.Bytes(0, 0, 40, 30, 96), played, skipped));
  EXPECT_EQ(played, 7);
  mf::Wmf unknown = head();
  unknown.Record(0x0999, {1, 2, 3}).Record(0x041B, {1}).Ellipse(0, 0, 4, 4).Eof();
  EXPECT_TRUE(play(unknown.Bytes(0, 0, 40, 30, 96), played, skipped));
  EXPECT_EQ(played, 8);
  EXPECT_EQ(skipped, 2);  // the unknown one and the rectangle too short

  mf::Emf e;
  e.Brush(1, BS_SOLID, kRed).Select(1).SelectStock(NULL_PEN).Rectangle(10, 5, 30, 25);
  std::vector<uint8_t> f = e.Bytes(mf::FrameOf(40), mf::FrameOf(30));
  const size_t last = f.size();
  e.Rectangle(0, 0, 40, 30);
  f = e.Bytes(mf::FrameOf(40), mf::FrameOf(30));
  mf::Set32(f, last + 4, 0x7FFFFFF0);  // the second rectangle claims far more
  EXPECT_TRUE(play(f, played, skipped));
  EXPECT_EQ(played, 5);
  mf::Set32(f, last + 4, 4);  // shorter than a record's own header
  EXPECT_TRUE(play(f, played, skipped));
  EXPECT_EQ(played, 5);
}
