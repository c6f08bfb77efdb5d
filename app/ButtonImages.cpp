// Each picture is built from a few shapes given as inside tests on a 16 x 16
// grid, painted by the platform's icon painter.
#include "app/ButtonImages.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/IconPainter.h"
#include "platform/ShellIcons.h"
#include "ui/TBitmap.h"
#include "ui/TImageList.h"

namespace {
constexpr int32_t kSide = 16;
constexpr float kPi = std::numbers::pi_v<float>;

constexpr uint32_t kOutline = 0x505050;
constexpr uint32_t kBlue = 0x2F6FC0;

void Floppy(TIconPicture& p) {
  p.Fill(0x1E3F78, IconPolygon({0.5f, 0.5f, 13, 0.5f, 15.5f, 3, 15.5f, 15.5f, 0.5f, 15.5f}));
  p.Fill(kBlue, IconPolygon({1.5f, 1.5f, 12.6f, 1.5f, 14.5f, 3.4f, 14.5f, 14.5f, 1.5f, 14.5f}));
  p.Fill(0xE8E8E8, IconBox(4, 1.5f, 12, 6));        // shutter
  p.Fill(0x1E3F78, IconBox(9, 2.5f, 11, 5));        // its window
  p.Fill(0xFFFFFF, IconBox(3.5f, 8.5f, 12.5f, 14.5f));  // label
  p.Fill(0xA0A0A0, IconBox(5, 10.5f, 11, 11.3f));
  p.Fill(0xA0A0A0, IconBox(5, 12.5f, 11, 13.3f));
}

void Padlock(TIconPicture& p) {
  p.Fill(0x6B5200, IconArc(11.5f, 9, 2, 3.2f, kPi, 2 * kPi));
  p.Fill(0x6B5200, IconBox(8.3f, 9, 9.5f, 10.5f));
  p.Fill(0x6B5200, IconBox(13.5f, 9, 14.7f, 10.5f));
  p.Fill(0x6B5200, IconBox(7.5f, 10, 15.5f, 15.5f));
  p.Fill(0xF0C020, IconBox(8.5f, 11, 14.5f, 14.5f));
  p.Fill(0x6B5200, IconBox(11, 12, 12, 14));
}

void RotateArrow(TIconPicture& p) {
  // Counter-clockwise: an arc open at the top left, the head pointing left.
  p.Fill(kBlue, IconArc(8.5f, 9, 4, 6.5f, -kPi / 2 + 0.0001f, kPi));
  p.Fill(kBlue, IconPolygon({8.5f, 0.5f, 8.5f, 7.5f, 4, 4}));
}

void Gear(TIconPicture& p) {
  TIconShape teeth = [](float x, float y) {
    const float a = std::atan2(y - 8, x - 8), d = std::hypot(x - 8, y - 8);
    const float phase = std::fmod(a + 2 * kPi + kPi / 8, kPi / 4);
    return d <= (phase < kPi / 8 ? 7.5f : 5.6f);
  };
  p.Fill(0x404850, IconMinus(teeth, IconDisc(8, 8, 2.2f)));
  p.Fill(0x9AA4B0, IconMinus(IconDisc(8, 8, 4.6f), IconDisc(8, 8, 2.2f)));
}
}  // namespace

std::vector<uint32_t> DrawButtonImage(int32_t Index) {
  using namespace ButtonImage;
  // Files and folders look as the platform draws them where the desktop
  // has no icon theme.
  switch (Index) {
    case Page:
      return DrawnShellIcon(TDrawnShellIcon::File, kSide);
    case ImageFile:
      return DrawnShellIcon(TDrawnShellIcon::ImageFile, kSide);
    case Folder:
      return DrawnShellIcon(TDrawnShellIcon::Folder, kSide);
    case Open:
      return DrawnShellIcon(TDrawnShellIcon::OpenFolder, kSide);
    default:
      break;
  }
  TIconPicture p;
  switch (Index) {
    case Save:
      Floppy(p);
      break;
    case SaveEncrypted:
      Floppy(p);
      Padlock(p);
      break;
    case FullScreen:
      p.Fill(kOutline, IconBox(0.5f, 1.5f, 15.5f, 14.5f));
      p.Fill(0xDCE8F6, IconBox(1.5f, 2.5f, 14.5f, 13.5f));
      for (int32_t k = 0; k < 4; ++k) {
        const float sx = k & 1 ? -1.0f : 1.0f, sy = k & 2 ? -1.0f : 1.0f;
        const float cx = k & 1 ? 13.5f : 2.5f, cy = k & 2 ? 12.5f : 3.5f;
        p.Fill(kBlue, IconPolygon({cx, cy, cx + 4 * sx, cy, cx, cy + 4 * sy}));
        p.Fill(kBlue, IconLine(cx + 1 * sx, cy + 1 * sy, cx + 4.5f * sx, cy + 3.5f * sy, 1.4f));
      }
      break;
    case RotateLeft:
      RotateArrow(p);
      break;
    case RotateRight:
      RotateArrow(p);
      p.Mirror();
      break;
    case Options:
      Gear(p);
      break;
    case About:
      p.Fill(0x1E4E96, IconDisc(8, 8, 7.6f));
      p.Fill(kBlue, IconDisc(8, 8, 6.6f));
      p.Fill(0xFFFFFF, IconDisc(8, 4.5f, 1.3f));
      p.Fill(0xFFFFFF, IconBox(7, 6.8f, 9.2f, 12.5f));
      p.Fill(0xFFFFFF, IconBox(6, 11.5f, 10.2f, 12.7f));
      p.Fill(0xFFFFFF, IconBox(6, 6.8f, 9.2f, 7.8f));
      break;
    default:
      break;
  }
  return p.Take();
}

void FillButtonImages(TCustomImageList* List) {
  // One strip with every picture side by side, added in one go.
  TBitmap strip;
  strip.SetPixelFormat(pf32bit);
  strip.SetSize(kSide * ButtonImage::Count, kSide);
  for (int32_t i = 0; i < ButtonImage::Count; ++i) {
    const std::vector<uint32_t> px = DrawButtonImage(i);
    for (int32_t y = 0; y < kSide; ++y) {
      auto* row = static_cast<uint32_t*>(strip.ScanLine(y)) + i * kSide;
      std::copy(px.begin() + y * kSide, px.begin() + (y + 1) * kSide, row);
    }
  }
  List->BeginUpdate();
  List->Clear();
  List->SetSize(kSide, kSide);
  List->Add(&strip, nullptr);
  List->EndUpdate();
}
