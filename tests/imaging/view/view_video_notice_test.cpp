// The notices of a playing video reach the view through the window queue:
// an open media file's graph posts a new frame when it cues or seeks and an
// event when its state changes, and the view fires its new-frame and event
// callbacks with itself as sender. Notices of a graph that is gone are
// dropped; a recreated window gets the notices from then on.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "../io/AviTestSupport.h"
#include "ViewTestSupport.h"
#include "imaging/io/IEAcquisition.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/view/TImago.h"

namespace fs = std::filesystem;

namespace {

class VideoNotices : public ViewFixture {
 protected:
  void SetUp() override {
    ViewFixture::SetUp();
    dir_ = fs::temp_directory_path() / ("nbv-video-notice-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    clip_ = (dir_ / "clip.avi").string();
    const std::vector<uint8_t> data = avi::RunLengthAVI();  // 8 x 4, two frames
    std::ofstream(clip_, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  }
  void TearDown() override {
    fs::remove_all(dir_);
    ViewFixture::TearDown();
  }

  // A program's view: companions from the start, on a shown form, counting
  // what it reports.
  TImago* ShownView() {
    auto* form = new TForm(Application);
    form->SetClientSize(300, 200);
    auto* v = new TImago(form);
    v->SetParent(form);
    v->SetBounds(10, 10, 200, 150);
    form->Show();
    Pump();
    v->OnDShowNewFrame = [this, v](TObject* Sender) {
      EXPECT_EQ(Sender, v);
      ++frames_;
    };
    v->OnDShowEvent = [this, v](TObject* Sender) {
      EXPECT_EQ(Sender, v);
      ++events_;
    };
    return v;
  }

  fs::path dir_;
  std::string clip_;
  int frames_ = 0, events_ = 0;
};

}  // namespace

TEST_F(VideoNotices, AnOpenMediaFileReportsItsFramesAndEvents) {
  TImago* v = ShownView();
  TImagoIO* io = v->GetIO();
  ASSERT_EQ(io->OpenMediaFile(clip_), 2);
  // Nothing is called back directly: the notices wait in the queue.
  EXPECT_EQ(frames_, 0);
  EXPECT_EQ(events_, 0);
  Pump();
  EXPECT_EQ(frames_, 1);  // the paused graph cued its first frame
  EXPECT_EQ(events_, 1);  // and reported the pause
  io->LoadMediaFileFrame(1);
  Pump();
  EXPECT_EQ(frames_, 2);
  EXPECT_EQ(events_, 1);
  EXPECT_EQ(v->GetIEBitmap()->Width(), 8);
  io->CloseMediaFile();
  Pump();
  EXPECT_EQ(frames_, 2);
  static_cast<TWinControl*>(v->Parent())->Free();
}

TEST_F(VideoNotices, NoticesOfAClosedFileAreDropped) {
  TImago* v = ShownView();
  TImagoIO* io = v->GetIO();
  ASSERT_EQ(io->OpenMediaFile(clip_), 2);
  io->LoadMediaFileFrame(1);
  io->CloseMediaFile();  // three notices still queued, their graph freed
  Pump();
  EXPECT_EQ(frames_, 0);
  EXPECT_EQ(events_, 0);
  // A notice naming no object at all is ignored too.
  v->HandleMessage(IEM_NEWFRAME, 0, 0);
  v->HandleMessage(IEM_EVENT, 0, 0);
  EXPECT_EQ(frames_ + events_, 0);
  static_cast<TWinControl*>(v->Parent())->Free();
}

TEST_F(VideoNotices, WithoutFrameGrabbingOnlyEventsArrive) {
  TImago* v = ShownView();
  TIEDirectShow* capture = v->GetIO()->GetDirectShow();
  capture->FileName = clip_;
  capture->EnableSampleGrabber = false;
  ASSERT_TRUE(capture->BuildGraph());
  capture->Pause();
  capture->SetTimeFormat(1);
  capture->SetPosition(1);
  Pump();
  EXPECT_EQ(frames_, 0);
  EXPECT_EQ(events_, 1);
  // Pointed nowhere, the graph posts nothing.
  capture->SetNotifyWindow(nullptr, IEM_NEWFRAME, IEM_EVENT);
  capture->Stop();
  capture->Pause();
  Pump();
  EXPECT_EQ(events_, 1);
  static_cast<TWinControl*>(v->Parent())->Free();
}

TEST_F(VideoNotices, ARecreatedWindowGetsTheNotices) {
  TImago* v = ShownView();
  TIEDirectShow* capture = v->GetIO()->GetDirectShow();
  EXPECT_EQ(capture->NotifyWindow(), v->Handle());
  v->RecreateWnd();
  v->Invalidate();
  Pump();  // the first paint of the new window re-points the notices
  EXPECT_EQ(capture->NotifyWindow(), v->Handle());
  ASSERT_EQ(v->GetIO()->OpenMediaFile(clip_), 2);
  Pump();
  EXPECT_EQ(frames_, 1);
  EXPECT_EQ(events_, 1);
  static_cast<TWinControl*>(v->Parent())->Free();
}
