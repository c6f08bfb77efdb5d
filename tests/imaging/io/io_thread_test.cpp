// Loads and saves on the input/output component's workers: notices posted to
// the view's window, cancelling, waiting, a raising reader, and a view that
// goes away while a worker runs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "imaging/io/IEFormats.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "platform/Backend.h"
#include "platform/DebugOutput.h"
#include "rtl/TStream.h"
#include "rtl/TThread.h"
#include "tests/support/MessagePump.h"
#include "ui/TApplication.h"
#include "ui/TForm.h"

using test_pump::PumpUntil;

namespace fs = std::filesystem;

namespace {

constexpr int32_t kSlowType = 0x7A01;

// The test format's reader waits at a gate (or until aborted), then makes a
// 4 x 3 image and reports 50 %. Mode 1 raises something that is no
// std::exception, so that it leaves the operation.
std::atomic<bool> g_gate{false};
std::atomic<bool> g_started{false};
std::atomic<bool> g_finished{false};
std::atomic<int> g_mode{0};

void SlowRead(TStream*, TIEBitmap* Bitmap, TIOParamsVals&, bool, TIOProgressRec& Progress) {
  g_started = true;
  if (g_mode == 1) throw 42;
  while (!g_gate && !Progress.IsAborting())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (!Progress.IsAborting()) {
    Bitmap->Allocate(4, 3, ieRGB24);
    Progress.fOnProgress(Progress.Sender, 50);
  }
  g_finished = true;
}

// A view in a form that records the worker notices its window receives and
// the thread they arrive on.
class RecordingView : public TIEView {
 public:
  explicit RecordingView(TComponent* Owner) : TIEView(Owner) {}
  TIEBitmap* GetIEBitmap() override { return &image; }
  void ImageChange() override {
    ++changes;
    on_main = on_main && IsMainThread();
  }
  void WndProc(TMessage& Message) override {
    if (Message.Msg >= IEM_UPDATE && Message.Msg <= IEM_FINISHWORK) {
      messages.push_back({Message.Msg, static_cast<int32_t>(Message.WParam)});
      on_main = on_main && IsMainThread();
      return;
    }
    TIEView::WndProc(Message);
  }
  TIEBitmap image;
  std::vector<std::pair<uint32_t, int32_t>> messages;
  int changes = 0;
  bool on_main = true;
  bool Got(uint32_t Msg) const {
    for (const auto& m : messages)
      if (m.first == Msg) return true;
    return false;
  }
};

class IOThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShutdownPlatform();
    ASSERT_TRUE(InitPlatformWith("headless"));
    InitControls();
    TIOFormatEntry e;
    e.TypeId = kSlowType;
    e.Description = "Slow test format";
    e.ExtensionList = "NBVSLOW";
    e.ReadProc = &SlowRead;
    RegisterFormat(e);
    g_gate = false;
    g_started = false;
    g_finished = false;
    g_mode = 0;
    dir_ = fs::temp_directory_path() / ("nbv-iothread-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    file_ = (dir_ / "a.nbvslow").string();
    std::ofstream(file_) << "x";
  }
  void TearDown() override {
    UnregisterFormat(kSlowType);
    fs::remove_all(dir_);
    DoneControls();
    ShutdownPlatform();
  }
  RecordingView* MakeView() {
    form_ = new TForm(Application);
    auto* v = new RecordingView(form_);
    v->SetParent(form_);
    form_->Show();
    Application->ProcessMessages();
    return v;
  }
  fs::path dir_;
  std::string file_;
  TForm* form_ = nullptr;
};

}  // namespace

TEST_F(IOThreadTest, AsyncLoadReturnsAtOnceAndPostsItsNoticesToTheView) {
  RecordingView* view = MakeView();
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->SetAttachedImago(view);
  int direct_finishes = 0;
  io->OnProgress = [](TObject*, int32_t) {};
  io->OnFinishWork = [&](TObject*) { ++direct_finishes; };
  io->AsyncMode = true;

  io->LoadFromFile(file_);
  EXPECT_EQ(io->IOThreadCount(), 1);
  EXPECT_EQ(view->image.Width(), 0);  // not read yet
  g_gate = true;
  ASSERT_TRUE(PumpUntil([&] { return view->Got(IEM_FINISHWORK) && view->changes > 0; }));
  io->WaitThreads(false);
  EXPECT_EQ(io->IOThreadCount(), 0);
  EXPECT_FALSE(io->Aborted());
  EXPECT_EQ(view->image.Width(), 4);
  EXPECT_EQ(view->image.Height(), 3);
  // Progress 50 and 100, the repaint and the end, in the message loop.
  const std::vector<std::pair<uint32_t, int32_t>> expected = {
      {IEM_PROGRESS, 50}, {IEM_UPDATE, 0}, {IEM_PROGRESS, 100}, {IEM_FINISHWORK, 0}};
  EXPECT_EQ(view->messages, expected);
  EXPECT_TRUE(view->on_main);
  EXPECT_EQ(direct_finishes, 0);
  form_->Free();
}

TEST_F(IOThreadTest, OwnedBitmapRunsOnTheCaller) {
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->AsyncMode = true;
  g_gate = true;
  io->LoadFromFile(file_);
  EXPECT_EQ(io->IOThreadCount(), 0);
  EXPECT_EQ(io->IEBitmap()->Width(), 4);
}

TEST_F(IOThreadTest, LentBitmapWithoutViewNotifiesOnTheWorker) {
  TIEBitmap lent;
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->AttachIEBitmap(&lent);
  io->AsyncMode = true;
  std::atomic<int> finishes{0};
  std::atomic<bool> on_worker{false};
  io->OnFinishWork = [&](TObject*) {
    on_worker = !IsMainThread();
    ++finishes;
  };
  // Saving goes the same way: a file of the test format cannot be written,
  // so this save fails on its worker.
  io->LoadFromFile(file_);
  g_gate = true;
  io->WaitThreads(false);
  EXPECT_EQ(finishes.load(), 1);
  EXPECT_TRUE(on_worker.load());
  EXPECT_EQ(lent.Width(), 4);
  io->SaveToFile((dir_ / "out.nbvslow").string());
  io->WaitThreads(false);
  EXPECT_EQ(finishes.load(), 2);
  EXPECT_TRUE(io->Aborted());
}

TEST_F(IOThreadTest, CancelStopsTheWorkerAndDestructionWaitsForIt) {
  TIEBitmap lent;
  {
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    io->AttachIEBitmap(&lent);
    io->AsyncMode = true;
    io->LoadFromFile(file_);
    ASSERT_TRUE(PumpUntil([] { return g_started.load(); }));
    io->WaitThreads(true);
    EXPECT_TRUE(io->Aborted());
    EXPECT_TRUE(g_finished.load());
    EXPECT_EQ(lent.Width(), 0);
  }
  g_started = g_finished = false;
  std::thread opener;
  {
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    io->AttachIEBitmap(&lent);
    io->AsyncMode = true;
    io->LoadFromFile(file_);
    opener = std::thread([] {
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      g_gate = true;
    });
  }  // the destructor waits for the worker
  EXPECT_TRUE(g_finished.load());
  EXPECT_EQ(lent.Width(), 4);
  opener.join();
}

TEST_F(IOThreadTest, ReaderThatRaisesLeavesADebugLineAndAborts) {
  std::mutex m;
  std::vector<std::string> lines;
  auto previous = SetDebugOutputListener([&](const std::string& s) {
    std::lock_guard<std::mutex> g(m);
    lines.push_back(s);
  });
  TIEBitmap lent;
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->AttachIEBitmap(&lent);
  io->AsyncMode = true;
  g_mode = 1;
  io->LoadFromFile(file_);
  io->WaitThreads(false);
  SetDebugOutputListener(previous);
  EXPECT_TRUE(io->Aborted());
  EXPECT_EQ(io->IOThreadCount(), 0);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "Exception in TIEIOThread.Execute");
}

// The view goes while its load runs: the worker is stopped first, and
// nothing it posted or queued reaches the freed view.
TEST_F(IOThreadTest, ViewFreedDuringALoadGetsNothingMore) {
  RecordingView* view = MakeView();
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->SetAttachedImago(view);
  io->OnProgress = [](TObject*, int32_t) {};
  io->OnFinishWork = [](TObject*) {};
  io->AsyncMode = true;
  io->LoadFromFile(file_);
  ASSERT_TRUE(PumpUntil([] { return g_started.load(); }));
  form_->Free();  // frees the view with it
  EXPECT_EQ(io->IOThreadCount(), 0);
  EXPECT_EQ(io->AttachedImago(), nullptr);
  EXPECT_TRUE(io->OwnsBitmap());
  // Whatever is still queued must not reach the freed view (the sanitizer
  // would see it).
  for (int i = 0; i < 20; ++i) Application->ProcessMessages();
  // A load after the view went runs on the component's own bitmap.
  g_gate = true;
  io->LoadFromFile(file_);
  EXPECT_EQ(io->IEBitmap()->Width(), 4);
}
