// Fuzz target: a view's selection block read from arbitrary bytes. The view
// runs on the headless window system. A refused block must leave the stream
// and the current selection as they were; an accepted one is drawn, its mask
// box walked, the selection moved and its mask rebuilt from the points, and
// it must save and load again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImagoView.h"
#include "platform/Backend.h"
#include "rtl/TStream.h"
#include "ui/TApplication.h"
#include "ui/TForm.h"

namespace {

void StartHeadless() {
  static const bool started = [] {
    setenv("NOBRIVO_BACKEND", "headless", 1);
    if (!InitPlatformWith("headless")) std::abort();
    InitControls();
    return true;
  }();
  (void)started;
}

std::vector<uint8_t> Saved(TImagoView* v) {
  TMemoryStream s;
  v->SaveSelectionToStream(&s);
  const auto* b = static_cast<const uint8_t*>(s.Memory());
  return std::vector<uint8_t>(b, b + s.Size());
}

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  StartHeadless();
  // Most inputs meet an image of the size the seeds were saved for; the
  // others one smaller or larger, so that the block is fitted to the image.
  static const int32_t kImage[][2] = {{24, 16}, {24, 16}, {9, 5}, {40, 31}};
  const int32_t iw = kImage[Size % 4][0], ih = kImage[Size % 4][1];
  auto* form = new TForm(Application);
  form->SetClientSize(120, 100);
  auto* v = new TImagoView(form);
  v->SetParent(form);
  v->SetBounds(4, 4, 64, 48);
  form->Show();
  v->GetIEBitmap()->Allocate(iw, ih, ieRGB24);
  v->GetIEBitmap()->Fill(128);
  v->Update();
  v->SetSelectionBase(iesbBitmap);
  v->Select(2, 3, 7, 8, 0);
  const std::vector<uint8_t> before = Saved(v);

  TIEMemStream stream(Data, static_cast<int64_t>(Size));
  if (!v->LoadSelectionFromStream(&stream)) {
    Check(stream.Position() == 0);
    Check(Saved(v) == before);
  } else {
    Application->ProcessMessages();
    v->DrawSelection(true);
    TIEMask* mask = v->SelectionMask();
    Check(mask->Width() == iw && mask->Height() == ih);
    if (!mask->IsEmpty()) {
      Check(mask->Left >= 0 && mask->Left <= mask->Right && mask->Right < iw);
      Check(mask->Top >= 0 && mask->Top <= mask->Bottom && mask->Bottom < ih);
      int64_t set = 0;
      for (int32_t y = mask->Top; y <= mask->Bottom; ++y)
        for (int32_t x = mask->Left; x <= mask->Right; ++x) set += mask->IsPointInside(x, y);
      (void)set;
    }
    (void)v->SelectionX1();
    (void)v->SelectionY2();
    const std::vector<uint8_t> after = Saved(v);
    TMemoryStream again;
    again.WriteBuffer(after.data(), static_cast<int64_t>(after.size()));
    again.SetPosition(0);
    Check(v->LoadSelectionFromStream(&again));
    Check(again.Position() == again.Size());
    Check(Saved(v) == after);
    v->MoveSelection(static_cast<int32_t>(Size % 7) - 3, static_cast<int32_t>(Size % 5) - 2);
    v->BuildSelectionMask();
    Application->ProcessMessages();
    v->DrawSelection(true);
  }
  v->Free();
  form->Free();
  return 0;
}
