// Each picture is built from a few shapes given as inside tests on a 16 x 16
// grid; every pixel is sampled 4 x 4 times, so edges come out smooth.
#include "app/ButtonImages.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "ui/TBitmap.h"
#include "ui/TImageList.h"

namespace {
constexpr int32_t kSide = 16;
constexpr float kPi = std::numbers::pi_v<float>;

using Inside = std::function<bool(float, float)>;

class Picture {
 public:
  Picture() : px_(size_t(kSide) * kSide, 0) {}

  // Paints colour 0xRRGGBB over the shape with its coverage as alpha.
  void Fill(uint32_t Rgb, const Inside& Shape, float Opacity = 1.0f) {
    for (int32_t y = 0; y < kSide; ++y)
      for (int32_t x = 0; x < kSide; ++x) {
        int32_t hits = 0;
        for (int32_t sy = 0; sy < 4; ++sy)
          for (int32_t sx = 0; sx < 4; ++sx)
            if (Shape(float(x) + (float(sx) + 0.5f) / 4, float(y) + (float(sy) + 0.5f) / 4)) ++hits;
        if (hits) Over(x, y, Rgb, Opacity * float(hits) / 16);
      }
  }
  void Mirror() {
    for (int32_t y = 0; y < kSide; ++y) std::reverse(px_.begin() + y * kSide, px_.begin() + (y + 1) * kSide);
  }
  std::vector<uint32_t> Take() { return std::move(px_); }

 private:
  // Straight-alpha "over": the new colour over what is already there.
  void Over(int32_t x, int32_t y, uint32_t Rgb, float a) {
    uint32_t& d = px_[size_t(y) * kSide + size_t(x)];
    const float da = float(d >> 24) / 255;
    const float oa = a + da * (1 - a);
    auto ch = [&](int shift) {
      const float s = float((Rgb >> shift) & 0xFF), t = float((d >> shift) & 0xFF);
      return uint32_t(std::lround((s * a + t * da * (1 - a)) / oa)) & 0xFF;
    };
    d = (uint32_t(std::lround(oa * 255)) << 24) | (ch(16) << 16) | (ch(8) << 8) | ch(0);
  }
  std::vector<uint32_t> px_;
};

Inside Box(float l, float t, float r, float b) {
  return [=](float x, float y) { return x >= l && x < r && y >= t && y < b; };
}
Inside Disc(float cx, float cy, float r) {
  return [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}
// A ring between radii r0 and r1, from angle a0 to a1 (radians, clockwise
// from east as the screen's y grows downward).
Inside Arc(float cx, float cy, float r0, float r1, float a0, float a1) {
  return [=](float x, float y) {
    const float d = std::hypot(x - cx, y - cy);
    if (d < r0 || d > r1) return false;
    float a = std::atan2(y - cy, x - cx);
    if (a < a0) a += 2 * kPi;
    return a <= a1;
  };
}
// A stroke of width w from (x0, y0) to (x1, y1).
Inside Line(float x0, float y0, float x1, float y1, float w) {
  return [=](float x, float y) {
    const float dx = x1 - x0, dy = y1 - y0;
    float t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0f, 1.0f);
    return std::hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= w / 2;
  };
}
Inside Polygon(std::vector<float> pts) {
  return [pts = std::move(pts)](float x, float y) {
    bool in = false;
    const size_t n = pts.size() / 2;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
      const float xi = pts[2 * i], yi = pts[2 * i + 1], xj = pts[2 * j], yj = pts[2 * j + 1];
      if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
  };
}
Inside Minus(Inside a, Inside b) {
  return [=](float x, float y) { return a(x, y) && !b(x, y); };
}

constexpr uint32_t kOutline = 0x505050;
constexpr uint32_t kFolderDark = 0xB07A10;
constexpr uint32_t kFolder = 0xF2C744;
constexpr uint32_t kFolderLight = 0xFADA74;
constexpr uint32_t kBlue = 0x2F6FC0;

void PageShape(Picture& p) {
  p.Fill(kOutline, Polygon({2.5f, 0.5f, 10.5f, 0.5f, 14.5f, 4.5f, 14.5f, 15.5f, 2.5f, 15.5f}));
  p.Fill(0xFFFFFF, Polygon({3.5f, 1.5f, 10, 1.5f, 13.5f, 5, 13.5f, 14.5f, 3.5f, 14.5f}));
  p.Fill(0xC8C8C8, Polygon({10, 1.5f, 13.5f, 5, 10, 5}));
}

void FolderShape(Picture& p, bool Open) {
  p.Fill(kFolderDark, Polygon({0.5f, 3, 1.5f, 2, 6, 2, 7.5f, 3.5f, 14.5f, 3.5f, 15.5f, 4.5f, 15.5f, 14, 0.5f, 14}));
  p.Fill(kFolder, Box(1.5f, 4.5f, 14.5f, 13));
  if (Open)
    p.Fill(kFolderDark, Polygon({3, 7, 16, 7, 13.5f, 14, 0.5f, 14}));
  if (Open)
    p.Fill(kFolderLight, Polygon({3.7f, 8, 14.6f, 8, 12.8f, 13, 1.9f, 13}));
  else
    p.Fill(kFolderLight, Box(1.5f, 6, 14.5f, 13));
}

void Floppy(Picture& p) {
  p.Fill(0x1E3F78, Polygon({0.5f, 0.5f, 13, 0.5f, 15.5f, 3, 15.5f, 15.5f, 0.5f, 15.5f}));
  p.Fill(kBlue, Polygon({1.5f, 1.5f, 12.6f, 1.5f, 14.5f, 3.4f, 14.5f, 14.5f, 1.5f, 14.5f}));
  p.Fill(0xE8E8E8, Box(4, 1.5f, 12, 6));        // shutter
  p.Fill(0x1E3F78, Box(9, 2.5f, 11, 5));        // its window
  p.Fill(0xFFFFFF, Box(3.5f, 8.5f, 12.5f, 14.5f));  // label
  p.Fill(0xA0A0A0, Box(5, 10.5f, 11, 11.3f));
  p.Fill(0xA0A0A0, Box(5, 12.5f, 11, 13.3f));
}

void Padlock(Picture& p) {
  p.Fill(0x6B5200, Arc(11.5f, 9, 2, 3.2f, kPi, 2 * kPi));
  p.Fill(0x6B5200, Box(8.3f, 9, 9.5f, 10.5f));
  p.Fill(0x6B5200, Box(13.5f, 9, 14.7f, 10.5f));
  p.Fill(0x6B5200, Box(7.5f, 10, 15.5f, 15.5f));
  p.Fill(0xF0C020, Box(8.5f, 11, 14.5f, 14.5f));
  p.Fill(0x6B5200, Box(11, 12, 12, 14));
}

void RotateArrow(Picture& p) {
  // Counter-clockwise: an arc open at the top left, the head pointing left.
  p.Fill(kBlue, Arc(8.5f, 9, 4, 6.5f, -kPi / 2 + 0.0001f, kPi));
  p.Fill(kBlue, Polygon({8.5f, 0.5f, 8.5f, 7.5f, 4, 4}));
}

void Gear(Picture& p) {
  Inside teeth = [](float x, float y) {
    const float a = std::atan2(y - 8, x - 8), d = std::hypot(x - 8, y - 8);
    const float phase = std::fmod(a + 2 * kPi + kPi / 8, kPi / 4);
    return d <= (phase < kPi / 8 ? 7.5f : 5.6f);
  };
  p.Fill(0x404850, Minus(teeth, Disc(8, 8, 2.2f)));
  p.Fill(0x9AA4B0, Minus(Disc(8, 8, 4.6f), Disc(8, 8, 2.2f)));
}
}  // namespace

std::vector<uint32_t> DrawButtonImage(int32_t Index) {
  using namespace ButtonImage;
  Picture p;
  switch (Index) {
    case Page:
      PageShape(p);
      break;
    case ImageFile:
      PageShape(p);
      p.Fill(0x7EC0F0, Box(4.5f, 6, 12.5f, 13.5f));  // sky
      p.Fill(0x3A9A3A, Polygon({4.5f, 13.5f, 4.5f, 11, 7.5f, 8.5f, 10, 11, 11, 10, 12.5f, 11.5f, 12.5f, 13.5f}));
      p.Fill(0xF8E040, Disc(10.5f, 7.8f, 1.1f));  // sun
      break;
    case Folder:
      FolderShape(p, false);
      break;
    case Open:
      FolderShape(p, true);
      break;
    case Save:
      Floppy(p);
      break;
    case SaveEncrypted:
      Floppy(p);
      Padlock(p);
      break;
    case FullScreen:
      p.Fill(kOutline, Box(0.5f, 1.5f, 15.5f, 14.5f));
      p.Fill(0xDCE8F6, Box(1.5f, 2.5f, 14.5f, 13.5f));
      for (int32_t k = 0; k < 4; ++k) {
        const float sx = k & 1 ? -1.0f : 1.0f, sy = k & 2 ? -1.0f : 1.0f;
        const float cx = k & 1 ? 13.5f : 2.5f, cy = k & 2 ? 12.5f : 3.5f;
        p.Fill(kBlue, Polygon({cx, cy, cx + 4 * sx, cy, cx, cy + 4 * sy}));
        p.Fill(kBlue, Line(cx + 1 * sx, cy + 1 * sy, cx + 4.5f * sx, cy + 3.5f * sy, 1.4f));
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
      p.Fill(0x1E4E96, Disc(8, 8, 7.6f));
      p.Fill(kBlue, Disc(8, 8, 6.6f));
      p.Fill(0xFFFFFF, Disc(8, 4.5f, 1.3f));
      p.Fill(0xFFFFFF, Box(7, 6.8f, 9.2f, 12.5f));
      p.Fill(0xFFFFFF, Box(6, 11.5f, 10.2f, 12.7f));
      p.Fill(0xFFFFFF, Box(6, 6.8f, 9.2f, 7.8f));
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
