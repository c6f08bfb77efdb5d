// The acquisition objects: they exist, keep their settings and report that
// no device is available; acquired images reach the component.
#include <gtest/gtest.h>

#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "platform/Backend.h"
#include "ui/TApplication.h"
#include "ui/TForm.h"

namespace {

class AcquisitionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShutdownPlatform();
    ASSERT_TRUE(InitPlatformWith("headless"));
    InitControls();
  }
  void TearDown() override {
    DoneControls();
    ShutdownPlatform();
  }
};

class PlainView : public TIEView {
 public:
  explicit PlainView(TComponent* Owner) : TIEView(Owner) {}
  TIEBitmap* GetIEBitmap() override { return &image; }
  TIEBitmap image;
};

}  // namespace

TEST_F(AcquisitionTest, ObjectsReportNoDevice) {
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  TIEWia* wia = io->GetWIA();
  EXPECT_EQ(io->GetWIA(), wia);
  EXPECT_EQ(wia->Owner(), io.get());
  EXPECT_FALSE(wia->DeviceManagerAvailable());
  EXPECT_EQ(wia->DeviceCount(), 0);
  EXPECT_STREQ(wia->UnavailableReason(), "No acquisition device is available on this platform");
  // Its progress goes through the component and stops on Aborted.
  int32_t seen = -1;
  io->OnProgress = [&](TObject*, int32_t p) { seen = p; };
  EXPECT_TRUE(wia->OnProgress(30));
  EXPECT_EQ(seen, 30);
  io->SetAborted(true);
  EXPECT_FALSE(wia->OnProgress(40));

  // Device events by id; unknown ids change nothing.
  int calls = 0;
  wia->OnDeviceEvent = [&](TObject*, uint8_t) { ++calls; };
  wia->DeviceEventArrived("{4C8F4EF5-E14F-11D2-B326-00C04F68CE61}");
  EXPECT_EQ(wia->LastEventKind(), 2);
  wia->DeviceEventArrived("{00000000-0000-0000-0000-000000000000}");
  EXPECT_EQ(wia->LastEventKind(), 2);
  wia->DeviceEventArrived("{C9859B91-4AB2-4CD6-A1FC-582EEC55E585}");
  EXPECT_EQ(wia->LastEventKind(), 1);
  EXPECT_EQ(calls, 2);

  TIEDirectShow* ds = io->GetDirectShow();
  ds->FileName = "clip.mpg";
  EXPECT_FALSE(ds->BuildGraph());
  EXPECT_FALSE(ds->HasGraph());
  EXPECT_EQ(ds->GetDuration(), 0);
  TIEBitmap frame;
  frame.Allocate(2, 2, ieRGB24);
  EXPECT_FALSE(ds->GrabFrame(&frame));
  EXPECT_EQ(frame.Width(), 2);
  ds->SetTimeFormat(1);
  ds->SetTimeFormat(9);  // not a format: nothing
  EXPECT_EQ(ds->TimeFormat(), 1);
  EXPECT_EQ(VideoStandardsText(0x1 | 0x10 | 0x100000), "NTSC_M PAL_B PAL_N_COMBO");
  EXPECT_EQ(VideoStandardsText(0x8), "");

  TIETWainParams* tw = io->TwainParams();
  ASSERT_NE(tw, nullptr);
  EXPECT_DOUBLE_EQ(tw->Gamma, 2.2);
  EXPECT_EQ(tw->FirstSetting, 1);
  EXPECT_FALSE(tw->MultiImageFlags);
  EXPECT_EQ(io->PrintPreviewParams()->Position, 4);
  EXPECT_DOUBLE_EQ(io->PrintPreviewParams()->Width, -1.0);
}

TEST_F(AcquisitionTest, VideoNotificationsFollowTheView) {
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  TIEDirectShow* ds = io->GetDirectShow();
  EXPECT_EQ(ds->NotifyWindow(), nullptr);
  auto* form = new TForm(Application);
  auto* view = new PlainView(form);
  view->SetParent(form);
  io->SetAttachedImago(view);
  io->UpdateDShowNotifyWindow();
  EXPECT_EQ(ds->NotifyWindow(), view->Handle());
  EXPECT_EQ(ds->NewFrameMessage(), 0x1F59u);
  EXPECT_EQ(ds->EventMessage(), 0x1F5Au);
  form->Free();
}

TEST_F(AcquisitionTest, AcquiredBitmapIsTakenUnlessHandled) {
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->IEBitmap()->Allocate(3, 3, ieRGB24);
  TIEBitmap acquired;
  acquired.Allocate(100, 50, ieRGB24);
  TIOParamsVals* params = nullptr;
  io->OnAcquireBitmap = [](TObject*, TIEBitmap*, bool& handled) { handled = true; };
  io->TakeAcquiredBitmap(&acquired, params);
  EXPECT_EQ(io->IEBitmap()->Width(), 3);
  EXPECT_EQ(params, nullptr);

  io->OnAcquireBitmap = nullptr;
  io->AutoAdjustDPI = true;
  io->Params()->SetDpiX(200);
  io->Params()->SetDpiY(100);
  io->TakeAcquiredBitmap(&acquired, params);
  EXPECT_EQ(params, io->Params());
  EXPECT_EQ(io->IEBitmap()->Width(), 100);
  EXPECT_EQ(io->IEBitmap()->Height(), 100);
  io->ResetAcquireState();
  EXPECT_EQ(io->AcquireState(), 0);
}
