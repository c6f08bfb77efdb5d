#include "platform/CursorSet.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <map>
#include <mutex>

#include "platform/IconPainter.h"
#include "platform/Input.h"

namespace {

constexpr int32_t kSide = 32;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;
// The middle of the sheet: pixel 15 spans 15 to 16, so 1-pixel strokes
// through here cover whole pixels and the hot spot is pixel (15, 15).
constexpr float kMid = 15.5f;

TSheetShape Any(std::vector<TSheetShape> Parts) {
  return [Parts = std::move(Parts)](float x, float y) {
    for (const TSheetShape& p : Parts)
      if (p(x, y)) return true;
    return false;
  };
}

// Horizontal and vertical arms around the middle, from Gap to Reach pixels
// out, Width pixels wide.
TSheetShape CrossArms(float Gap, float Reach, float Width = 1) {
  const float h = Width / 2;
  return Any({IconBox(kMid - Reach, kMid - h, kMid - Gap, kMid + h), IconBox(kMid + Gap, kMid - h, kMid + Reach, kMid + h),
              IconBox(kMid - h, kMid - Reach, kMid + h, kMid - Gap), IconBox(kMid - h, kMid + Gap, kMid + h, kMid + Reach)});
}

// A plus or minus sign centred at (X, Y), as the cross-hairs and the
// magnifiers carry to tell that a click adds or takes away.
TSheetShape Sign(float X, float Y, bool Plus, float Half = 3.5f) {
  TSheetShape bar = IconBox(X - Half, Y - 0.75f, X + Half, Y + 0.75f);
  if (!Plus) return bar;
  return Any({bar, IconBox(X - 0.75f, Y - Half, X + 0.75f, Y + Half)});
}

// A straight arrow from (X0, Y0) to (X1, Y1) with a head at each end.
TSheetShape DoubleArrow(float X0, float Y0, float X1, float Y1) {
  const float dx = X1 - X0, dy = Y1 - Y0;
  const float len = std::sqrt(dx * dx + dy * dy);
  const float ux = dx / len, uy = dy / len;  // along
  const float px = -uy, py = ux;             // across
  const float head = 6, wing = 4.5f;
  auto tip = [&](float x, float y, float s) {
    // The head's tip at (x, y), pointing along s * (ux, uy).
    const float bx = x - s * ux * head, by = y - s * uy * head;
    return IconPolygon({x, y, bx + px * wing, by + py * wing, bx - px * wing, by - py * wing});
  };
  return Any({IconLine(X0 + ux * head, Y0 + uy * head, X1 - ux * head, Y1 - uy * head, 2),
              tip(X0, Y0, -1), tip(X1, Y1, 1)});
}

using TDrawing = std::function<void(TShapeSheet&)>;

struct TCursorDrawing {
  const char* Name;
  int32_t HotX, HotY;
  TDrawing Draw;
};

// Cross-hair 3, the view's normal cursor: thin arms with an open middle and
// a dot on the hot spot.
void Crosshair3(TShapeSheet& s) {
  s.Fill(kBlack, CrossArms(3, 11));
  s.Fill(kBlack, IconBox(15, 15, 16, 16));
}

// Cross-hair 2: arms around a small ring.
void Crosshair2(TShapeSheet& s) {
  s.Fill(kBlack, CrossArms(5, 11));
  s.Fill(kBlack, IconArc(kMid, kMid, 3, 4.2f, -3.2f, 3.2f));
}

void Magnifier(TShapeSheet& s, bool Plus) {
  const float c = 12;
  s.Fill(kWhite, IconDisc(c, c, 7.5f), 0.6f);
  s.Fill(kBlack, IconArc(c, c, 7.5f, 9.5f, -3.2f, 3.2f));
  s.Fill(kBlack, IconLine(c + 7.5f, c + 7.5f, 28, 28, 4));
  s.Fill(kBlack, Sign(c, c, Plus));
}

const std::vector<TCursorDrawing>& Drawings() {
  static const std::vector<TCursorDrawing> drawings = {
      {"ZOOMMENO", 12, 12, [](TShapeSheet& s) { Magnifier(s, false); }},
      {"ZOOMPIU", 12, 12, [](TShapeSheet& s) { Magnifier(s, true); }},
      // A plain cross through the hot spot.
      {"CROCE", 15, 15, [](TShapeSheet& s) { s.Fill(kBlack, CrossArms(0, 12)); }},
      // An eraser lying askew, its working edge at the hot spot.
      {"GOMMA", 8, 25,
       [](TShapeSheet& s) {
         s.Fill(kBlack, IconPolygon({4, 21, 15, 10, 24, 19, 13, 30}));
         s.Fill(kWhite, IconPolygon({10.5f, 16.5f, 15, 12, 22, 19, 17.5f, 23.5f}));
       }},
      // An open hand that takes hold of the picture.
      {"MANO", 15, 15,
       [](TShapeSheet& s) {
         const TSheetShape hand =
             Any({IconBox(9, 13, 23, 25), IconDisc(16, 25, 7), IconLine(10.5f, 8, 10.5f, 16, 3.5f),
                  IconLine(14.5f, 5, 14.5f, 14, 3.5f), IconLine(18.5f, 6, 18.5f, 14, 3.5f),
                  IconLine(22, 9, 22, 17, 3.5f), IconLine(6, 15, 10, 21, 3.5f)});
         const TSheetShape rim =
             Any({IconBox(8, 12, 24, 26), IconDisc(16, 25, 8), IconLine(10.5f, 8, 10.5f, 16, 5.5f),
                  IconLine(14.5f, 5, 14.5f, 14, 5.5f), IconLine(18.5f, 6, 18.5f, 14, 5.5f),
                  IconLine(22, 9, 22, 17, 5.5f), IconLine(6, 15, 10, 21, 5.5f)});
         s.Fill(kBlack, rim);
         s.Fill(kWhite, hand);
       }},
      // A pen writing at its tip.
      {"PENNA", 3, 28,
       [](TShapeSheet& s) {
         s.Fill(kBlack, IconLine(9, 22, 25, 6, 6.5f));
         s.Fill(kWhite, IconLine(9.5f, 21.5f, 24.5f, 6.5f, 3.5f));
         s.Fill(kBlack, IconPolygon({3, 29, 5, 21.5f, 10.5f, 27}));
       }},
      // A cross with an open middle.
      {"CROCE1", 15, 15, [](TShapeSheet& s) { s.Fill(kBlack, CrossArms(4, 12)); }},
      {"CROCE3", 15, 15, Crosshair3},
      // The sizing arrows of the grips and the arrows of a move.
      {"MOVE2", 15, 15, [](TShapeSheet& s) { s.Fill(kBlack, DoubleArrow(5, 5, 26, 26)); }},
      {"MOVEY", 15, 15, [](TShapeSheet& s) { s.Fill(kBlack, DoubleArrow(kMid, 2, kMid, 29)); }},
      {"MOVE1", 15, 15, [](TShapeSheet& s) { s.Fill(kBlack, DoubleArrow(26, 5, 5, 26)); }},
      {"MOVEX", 15, 15, [](TShapeSheet& s) { s.Fill(kBlack, DoubleArrow(2, kMid, 29, kMid)); }},
      {"MOVE", 15, 15,
       [](TShapeSheet& s) {
         s.Fill(kBlack, DoubleArrow(kMid, 2, kMid, 29));
         s.Fill(kBlack, DoubleArrow(2, kMid, 29, kMid));
       }},
      // The Shift forms: the same cross-hairs with a sign beside them.
      {"CROCE3+", 15, 15,
       [](TShapeSheet& s) {
         Crosshair3(s);
         s.Fill(kBlack, Sign(25, 25, true));
       }},
      {"CROCE3-", 15, 15,
       [](TShapeSheet& s) {
         Crosshair3(s);
         s.Fill(kBlack, Sign(25, 25, false));
       }},
      {"CROCE2", 15, 15, Crosshair2},
      {"CROCE2+", 15, 15,
       [](TShapeSheet& s) {
         Crosshair2(s);
         s.Fill(kBlack, Sign(25, 25, true));
       }},
      {"CROCE2-", 15, 15,
       [](TShapeSheet& s) {
         Crosshair2(s);
         s.Fill(kBlack, Sign(25, 25, false));
       }},
  };
  return drawings;
}

// The figure over a white rim one pixel wide, so that a black cursor shows
// on a dark picture: each pixel is laid over white as opaque as the most
// opaque of its neighbours.
std::vector<uint32_t> WithRim(const std::vector<uint32_t>& Px) {
  std::vector<uint32_t> out(Px.size());
  for (int32_t y = 0; y < kSide; ++y)
    for (int32_t x = 0; x < kSide; ++x) {
      uint32_t rim = 0;
      for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx) {
          const int32_t nx = x + dx, ny = y + dy;
          if (nx >= 0 && ny >= 0 && nx < kSide && ny < kSide)
            rim = std::max(rim, Px[size_t(ny) * kSide + size_t(nx)] >> 24);
        }
      const uint32_t p = Px[size_t(y) * kSide + size_t(x)];
      const float a = float(p >> 24) / 255, r = float(rim) / 255;
      const float oa = a + r * (1 - a);
      if (oa <= 0) continue;
      auto ch = [&](int shift) {
        const float c = float((p >> shift) & 0xFF);
        return uint32_t(std::lround((c * a + 255.0f * r * (1 - a)) / oa)) & 0xFF;
      };
      out[size_t(y) * kSide + size_t(x)] =
          (uint32_t(std::lround(oa * 255)) << 24) | (ch(16) << 16) | (ch(8) << 8) | ch(0);
    }
  return out;
}

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

HCURSOR LoadCursorByName(void*, const std::string& Name) {
  static std::mutex lock;
  static std::map<std::string, HCURSOR> made;
  const std::string key = Upper(Name);
  std::lock_guard<std::mutex> guard(lock);
  if (auto it = made.find(key); it != made.end()) return it->second;
  for (const TCursorDrawing& d : Drawings()) {
    if (key != d.Name) continue;
    TShapeSheet sheet(kSide, kSide);
    d.Draw(sheet);
    const std::vector<uint32_t> px = WithRim(sheet.Take());
    HCURSOR c = CreateCursorFromPixels(kSide, kSide, px.data(), d.HotX, d.HotY);
    made[key] = c;
    return c;
  }
  return nullptr;
}

const std::vector<std::string>& ProgramCursorNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> n;
    for (const TCursorDrawing& d : Drawings()) n.push_back(d.Name);
    return n;
  }();
  return names;
}
