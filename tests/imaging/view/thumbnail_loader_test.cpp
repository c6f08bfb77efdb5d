// The thumbnail view's background loads: at most ThreadPoolSize at once, the
// queue, cancelling cells that scroll away, loads that outlive inserts and
// deletes, failed loads, and destroying the view while loads run. A test
// format whose reader waits at a gate keeps loads running as long as a test
// needs; these tests also run under ThreadSanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ThumbnailTestSupport.h"
#include "imaging/io/IEFormats.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/TStream.h"
#include "rtl/TThread.h"
#include "tests/support/MessagePump.h"

using test_pump::PumpUntil;

namespace fs = std::filesystem;

namespace {

constexpr int32_t kGateType = 0x7A11;

// Readers take tickets in the order they start; a reader goes on once the
// number of released tickets passes its own (or when aborted), and makes a
// 4 x 3 picture in the colour its file holds (three bytes: red, green, blue).
std::atomic<int> g_started{0};
std::atomic<int> g_released{0};
std::atomic<int> g_finished{0};

void GateRead(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals&, bool, TIOProgressRec& Progress) {
  const int ticket = g_started.fetch_add(1);
  while (ticket >= g_released.load() && !Progress.IsAborting())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  uint8_t rgb[3] = {0, 0, 0};
  Stream->Read(rgb, 3);
  if (!Progress.IsAborting()) {
    Bitmap->Allocate(4, 3, ieRGB24);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 4; ++x) Bitmap->SetRGB24(x, y, MakeRGBTriple(rgb[0], rgb[1], rgb[2]));
  }
  g_finished.fetch_add(1);
}

class ThumbLoaderTest : public ViewFixture {
 protected:
  void SetUp() override {
    ViewFixture::SetUp();
    TIOFormatEntry e;
    e.TypeId = kGateType;
    e.Description = "Gated test format";
    e.ExtensionList = "NBVGATE";
    e.ReadProc = &GateRead;
    RegisterFormat(e);
    g_started = 0;
    g_released = 0;
    g_finished = 0;
    dir_ = fs::temp_directory_path() / ("nbv-thumbloader-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    g_released = 1 << 30;
    UnregisterFormat(kGateType);
    fs::remove_all(dir_);
    ViewFixture::TearDown();
  }
  // A gated file whose picture is (i * 20, 100, 255 - i * 20).
  std::string GateFile(int i) {
    const std::string name = (dir_ / ("f" + std::to_string(i) + ".nbvgate")).string();
    std::ofstream f(name, std::ios::binary);
    const char rgb[3] = {static_cast<char>(i * 20), 100, static_cast<char>(255 - i * 20)};
    f.write(rgb, 3);
    return name;
  }
  static TRGB ColourOf(int i) {
    return MakeRGBTriple(static_cast<uint8_t>(i * 20), 100, static_cast<uint8_t>(255 - i * 20));
  }
  // N gated images in one row of 50 x 50 cells (step 54).
  MViewPtr MakeRow(int n, int32_t ClientW) {
    MViewPtr v = MakeMView(ClientW, 60);
    v->LockUpdate();
    v->SetThumbWidth(50);
    v->SetThumbHeight(50);
    for (int i = 0; i < n; ++i) {
      v->InsertImage(i);
      v->SetImageFileName(i, GateFile(i));
    }
    v->UnlockUpdate();
    return v;
  }
  static TRGB StoredColour(TImagoMView* v, int32_t Index) {
    if (!v->HasStoredImage(Index)) return MakeRGBTriple(1, 2, 3);
    TIEBitmap* b = v->GetImageBitmap(Index);
    const TRGB c = b->GetRGB24(1, 1);
    v->ReleaseImageBitmap(b, false);
    return c;
  }
  fs::path dir_;
};

TEST_F(ThumbLoaderTest, FiveLoadsAtOnceTheSixthWaitsForOne) {
  MViewPtr v = MakeRow(6, 6 * 54 + 10);
  v->Paint();
  ASSERT_TRUE(PumpUntil([] { return g_started == 5; }));
  EXPECT_EQ(v->RunningLoadCount(), 5);
  EXPECT_EQ(v->QueuedLoadCount(), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(g_started, 5);  // the sixth waits while five run
  g_released = 1;
  ASSERT_TRUE(PumpUntil([] { return g_started == 6; }));
  g_released = 6;
  ASSERT_TRUE(PumpUntil([&] {
    for (int i = 0; i < 6; ++i)
      if (!v->HasStoredImage(i)) return false;
    return true;
  }));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(StoredColour(v.get(), i), ColourOf(i)) << i;
  ASSERT_TRUE(PumpUntil([&] { return v->RunningLoadCount() == 0; }));
}

TEST_F(ThumbLoaderTest, CellsScrolledAwayAreDroppedAndTheirLoadsCancelled) {
  MViewPtr v = MakeRow(12, 3 * 54);
  v->ThreadPoolSize = 2;
  std::vector<int32_t> wrong;
  v->OnWrongImage = [&](TObject*, TIEBitmap*, int32_t idx, bool&) { wrong.push_back(idx); };
  v->Paint();  // cells 0..2 visible: two run, one queued
  ASSERT_TRUE(PumpUntil([] { return g_started == 2; }));
  EXPECT_EQ(v->QueuedLoadCount(), 1);
  // Scroll the first cells out of sight; the new ones are requested.
  v->SetViewX(6 * 54);
  v->Paint();
  for (int32_t tag : v->RunningLoadIndexes()) EXPECT_TRUE(tag < 0 || tag >= 6) << tag;
  ASSERT_TRUE(PumpUntil([] { return g_finished >= 2 && g_started == 4; }));
  g_released = 1 << 30;
  ASSERT_TRUE(PumpUntil([&] { return v->HasStoredImage(6) && v->HasStoredImage(7) && v->HasStoredImage(8); }));
  ASSERT_TRUE(PumpUntil([&] { return v->RunningLoadCount() == 0; }));
  // Nothing was stored for the cancelled or dropped cells, and nobody heard of them.
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(v->HasStoredImage(i)) << i;
  EXPECT_TRUE(wrong.empty());
  EXPECT_EQ(g_started, 5);  // 0, 1, then 6, 7, 8: queued cell 2 never started
}

TEST_F(ThumbLoaderTest, RunningLoadsFollowTheirImagesThroughInsertsAndDeletes) {
  MViewPtr v = MakeRow(3, 10 * 54);
  v->Paint();
  ASSERT_TRUE(PumpUntil([] { return g_started == 3; }));
  v->InsertImage(0);  // [new, f0, f1, f2]
  EXPECT_EQ(v->RunningLoadIndexes(), (std::vector<int32_t>{1, 2, 3}));
  v->DeleteImage(2);  // [new, f0, f2]; the load of f1 is cancelled
  // The cancelled load is marked -2, or already -1 when its worker saw the
  // abort and finished before this look: either way it is for no image.
  const std::vector<int32_t> running = v->RunningLoadIndexes();
  ASSERT_EQ(running.size(), 3u);
  EXPECT_EQ(running[0], 1);
  EXPECT_TRUE(running[1] == -2 || running[1] == -1) << running[1];
  EXPECT_EQ(running[2], 2);
  g_released = 1 << 30;
  ASSERT_TRUE(PumpUntil([&] { return v->RunningLoadCount() == 0 && g_finished == 3; }));
  EXPECT_FALSE(v->HasStoredImage(0));
  EXPECT_EQ(StoredColour(v.get(), 1), ColourOf(0));
  EXPECT_EQ(StoredColour(v.get(), 2), ColourOf(2));
}

TEST_F(ThumbLoaderTest, FailedLoadsGetTheirPlaceholderOnTheMessageLoop) {
  MViewPtr v = MakeMView(300, 60);
  v->SetThumbWidth(50);
  v->SetThumbHeight(50);
  const std::string bad = (dir_ / "bad.png").string();
  std::ofstream(bad, std::ios::binary) << "this is no picture at all";
  v->InsertImage(0);
  v->InsertImage(1);
  v->SetImageFileName(1, bad);
  std::vector<int32_t> wrong;
  bool on_main = true;
  v->OnWrongImage = [&](TObject*, TIEBitmap* Out, int32_t idx, bool& Handled) {
    wrong.push_back(idx);
    on_main = on_main && IsMainThread();
    Out->Fill(0x00FF00);
    Handled = true;
  };
  EXPECT_TRUE(v->RequestLoad(1));
  ASSERT_TRUE(PumpUntil([&] { return v->HasStoredImage(1); }));
  EXPECT_EQ(wrong, std::vector<int32_t>{1});
  EXPECT_TRUE(on_main);
  EXPECT_EQ(StoredColour(v.get(), 1), MakeRGBTriple(0, 255, 0));
  // Entries without file, with an ID request event, or naming a frame are refused.
  EXPECT_FALSE(v->RequestLoad(0));
  v->SetImageFileName(0, bad + "::1");
  EXPECT_FALSE(v->RequestLoad(0));
  v->SetImageFileName(0, GateFile(0));
  v->SetImageID(0, 3);
  v->OnImageIDRequestEx = [](TObject*, int32_t, TIEBitmap*&) {};
  EXPECT_FALSE(v->RequestLoad(0));
}

TEST_F(ThumbLoaderTest, ManyShortLoadsNeverStall) {
  g_released = 1 << 30;
  for (int round = 0; round < 4; ++round) {
    MViewPtr v = MakeMView(400, 400);
    v->LockUpdate();
    v->SetThumbWidth(20);
    v->SetThumbHeight(20);
    v->SetGridWidth(-1);
    for (int i = 0; i < 40; ++i) {
      v->InsertImage(i);
      v->SetImageFileName(i, GateFile(i % 12));
    }
    v->UnlockUpdate();
    v->Paint();
    ASSERT_TRUE(PumpUntil([&] {
      for (int i = 0; i < 40; ++i)
        if (!v->HasStoredImage(i)) return false;
      return true;
    })) << "round " << round;
  }
}

TEST_F(ThumbLoaderTest, DestroyingTheViewEndsRunningLoads) {
  MViewPtr v = MakeRow(4, 10 * 54);
  v->Paint();
  ASSERT_TRUE(PumpUntil([] { return g_started == 4; }));
  const auto start = std::chrono::steady_clock::now();
  v.reset();
  const auto spent = std::chrono::steady_clock::now() - start;
  EXPECT_LT(spent, std::chrono::seconds(3));
  EXPECT_EQ(g_finished, 4);
  // Work the loads queued for the message loop finds the view gone.
  for (int i = 0; i < 20; ++i) Application->ProcessMessages();
}

TEST_F(ThumbLoaderTest, LookAheadLoadsTheNextCellsAndKeepsThem) {
  MViewPtr v = MakeRow(10, 3 * 54);
  v->LookAheadCount = 2;
  v->Paint();  // cells 0..2 visible, 3 and 4 asked for in advance
  ASSERT_TRUE(PumpUntil([] { return g_started == 5; }));
  EXPECT_EQ(v->LookAheadIndexes(), (std::vector<int32_t>{3, 4}));
  v->Paint();
  std::vector<int32_t> running = v->RunningLoadIndexes();
  std::sort(running.begin(), running.end());
  EXPECT_EQ(running, (std::vector<int32_t>{0, 1, 2, 3, 4}));
  g_released = 1 << 30;
  ASSERT_TRUE(PumpUntil([&] { return v->HasStoredImage(3) && v->HasStoredImage(4); }));
  EXPECT_EQ(StoredColour(v.get(), 4), ColourOf(4));
  EXPECT_FALSE(v->HasStoredImage(5));
  ASSERT_TRUE(PumpUntil([&] { return v->RunningLoadCount() == 0; }));
}

TEST_F(ThumbLoaderTest, BackgroundThumbnailsOfJpegPhotos) {
  const std::string file = (dir_ / "photo.jpg").string();
  {
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    TIEBitmap photo;
    photo.Allocate(1200, 900, ieRGB24);
    for (int32_t y = 0; y < 900; ++y)
      for (int32_t x = 0; x < 1200; ++x) photo.SetRGB24(x, y, MakeRGBTriple(200, 60, 40));
    io->AttachIEBitmap(&photo);
    io->SaveToFile(file);
    ASSERT_FALSE(io->Aborted());
  }
  MViewPtr v = MakeMView(400, 140);
  v->LockUpdate();
  v->StoreType = ietThumb;
  v->SetThumbWidth(120);
  v->SetThumbHeight(90);
  for (int i = 0; i < 3; ++i) {
    v->InsertImage(i);
    v->SetImageFileName(i, file);
  }
  v->UnlockUpdate();
  v->Paint();
  ASSERT_TRUE(PumpUntil([&] { return v->HasStoredImage(0) && v->HasStoredImage(1) && v->HasStoredImage(2); }));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(v->ImageOriginalWidth(i), 1200);
    EXPECT_EQ(v->ImageOriginalHeight(i), 900);
    TIEBitmap* b = v->GetImageBitmap(i);
    EXPECT_EQ(b->Width(), 120);
    EXPECT_EQ(b->Height(), 90);
    const TRGB c = b->GetRGB24(60, 45);
    EXPECT_NEAR(c.r, 200, 6);
    EXPECT_NEAR(c.g, 60, 6);
    v->ReleaseImageBitmap(b, false);
  }
  ASSERT_TRUE(PumpUntil([&] { return v->RunningLoadCount() == 0; }));
}

TEST_F(ThumbLoaderTest, SynchronousPaintWithoutPool) {
  g_released = 1 << 30;
  MViewPtr v = MakeRow(3, 10 * 54);
  v->ThreadPoolSize = 0;
  v->Paint();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(StoredColour(v.get(), i), ColourOf(i)) << i;
  EXPECT_EQ(v->RunningLoadCount(), 0);
  EXPECT_TRUE(v->LoaderThread()->Suspended());
}

}  // namespace
