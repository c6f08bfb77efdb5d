#include "imaging/model/MagicWand.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"

namespace {

// The pixels filled from the start pixel: one bit row per image row and the
// box of the filled pixels.
struct Region {
  int32_t width = 0, height = 0;
  int64_t row_bytes = 0;
  std::vector<uint8_t> visited;
  int32_t min_x = 0, min_y = 0, max_x = -1, max_y = -1;

  uint8_t* Row(int32_t y) { return visited.data() + row_bytes * y; }
  bool Visited(int32_t x, int32_t y) const { return GetBit(visited.data() + row_bytes * y, x); }
};

bool Similar(const TRGB& a, const TRGB& b, int32_t Tolerance) {
  return std::abs(int32_t{a.r} - b.r) <= Tolerance && std::abs(int32_t{a.g} - b.g) <= Tolerance &&
         std::abs(int32_t{a.b} - b.b) <= Tolerance;
}

// Heckbert's scan-line seed fill with a stack of segments: a segment is a
// run x1..x2 of row y already filled, and dy the direction in which the next
// row is still to be looked at.
Region FloodFill(TIEBitmap* Image, int32_t X, int32_t Y, int32_t Tolerance) {
  Region r;
  r.width = Image->Width();
  r.height = Image->Height();
  r.row_bytes = r.width / 8 + 1;
  r.visited.assign(static_cast<size_t>(r.row_bytes * r.height), 0);
  r.min_x = r.max_x = X;
  r.min_y = r.max_y = Y;
  const TRGB start = Image->GetPixelRGB(X, Y);

  struct Segment {
    int32_t y, x1, x2, dy;
  };
  std::vector<Segment> stack;
  const size_t step = static_cast<size_t>(std::max(r.width, 1)) * 2;
  auto push = [&](int32_t y, int32_t x1, int32_t x2, int32_t dy) {
    if (stack.size() == stack.capacity()) stack.reserve(stack.capacity() + step);
    stack.push_back(Segment{y, x1, x2, dy});
  };
  // One row's pixels are read once per row visit through its scanline.
  int32_t row = -1;
  uint8_t* bits = nullptr;
  const uint8_t* line = nullptr;
  auto fillable = [&](int32_t x) {
    return !GetBit(bits, x) && Similar(Image->PixelRGBInRow(line, x), start, Tolerance);
  };
  auto mark = [&](int32_t x) {
    SetBit(bits, x, true);
    r.min_x = std::min(r.min_x, x);
    r.max_x = std::max(r.max_x, x);
    r.min_y = std::min(r.min_y, row);
    r.max_y = std::max(r.max_y, row);
  };

  push(Y, X, X, 1);
  push(Y + 1, X, X, -1);
  while (!stack.empty()) {
    const Segment s = stack.back();
    stack.pop_back();
    row = s.y + s.dy;
    if (row < 0 || row >= r.height) continue;
    bits = r.Row(row);
    line = Image->GetScanline(row);
    int32_t x = s.x1;
    while (x >= 0 && fillable(x)) mark(x--);
    int32_t l;
    if (x >= s.x1) goto skip;  // x1 itself was not fillable
    l = x + 1;
    if (l < s.x1) push(row, l, s.x1 - 1, -s.dy);  // leak to the left
    x = s.x1 + 1;
    do {
      while (x < r.width && fillable(x)) mark(x++);
      push(row, l, x - 1, s.dy);
      if (x > s.x2 + 1) push(row, s.x2 + 1, x - 1, -s.dy);  // leak to the right
    skip:
      for (++x; x <= s.x2 && !fillable(x); ++x) {
      }
      l = x;
    } while (x <= s.x2);
  }
  return r;
}

bool Inside(TIEBitmap* Image, int32_t X, int32_t Y) {
  return Image && X >= 0 && Y >= 0 && X < Image->Width() && Y < Image->Height();
}

// Chain codes: the eight moves, x to the right and y downward.
constexpr int32_t kMoveX[8] = {1, 1, 0, -1, -1, -1, 0, 1};
constexpr int32_t kMoveY[8] = {0, -1, -1, -1, 0, 1, 1, 1};
constexpr int32_t kSearchOrder[8] = {0, 2, 4, 6, 1, 3, 5, 7};

// Outline grid cells.
enum : uint8_t { kEmpty = 0, kInside = 1, kTraced = 2, kBorder = 3 };

}  // namespace

int64_t MagicWandGridCells(int32_t BoxWidth, int32_t BoxHeight) {
  return (int64_t{BoxWidth} * 4 + 4) * (int64_t{BoxHeight} * 4 + 4);
}

void MagicWandFill(TIEBitmap* Image, int32_t X, int32_t Y, int32_t MaskValue, TIEMask* Mask,
                   int32_t Tolerance, bool Grow) {
  if (!Inside(Image, X, Y) || !Mask) return;
  Region r = FloodFill(Image, X, Y, Tolerance);
  for (int32_t y = r.min_y; y <= r.max_y; ++y)
    for (int32_t x = r.min_x; x <= r.max_x; ++x) {
      if (!r.Visited(x, y)) continue;
      if (!Grow) {
        Mask->SetPixel(x, y, MaskValue);
        continue;
      }
      for (int32_t ny = std::max(y - 1, 0); ny <= std::min(y + 1, r.height - 1); ++ny)
        for (int32_t nx = std::max(x - 1, 0); nx <= std::min(x + 1, r.width - 1); ++nx)
          Mask->SetPixel(nx, ny, MaskValue);
    }
}

void SelectSimilarColors(TIEBitmap* Image, int32_t X, int32_t Y, int32_t MaskValue, TIEMask* Mask,
                         int32_t Tolerance) {
  if (!Inside(Image, X, Y) || !Mask) return;
  const TRGB start = Image->GetPixelRGB(X, Y);
  for (int32_t y = 0; y < Image->Height(); ++y) {
    const uint8_t* line = Image->GetScanline(y);
    for (int32_t x = 0; x < Image->Width(); ++x)
      if (Similar(Image->PixelRGBInRow(line, x), start, Tolerance)) Mask->SetPixel(x, y, MaskValue);
  }
}

std::vector<int32_t> MagicWandPolygon(TIEBitmap* Image, int32_t X, int32_t Y, int32_t& Count,
                                      int32_t Tolerance, bool Grow) {
  Count = 0;
  if (!Inside(Image, X, Y)) return {};
  Region r = FloodFill(Image, X, Y, Tolerance);
  const int32_t bw = r.max_x - r.min_x + 1, bh = r.max_y - r.min_y + 1;
  // A region this large has no outline worth tracing; the 64-bit size keeps
  // the test honest where the 32-bit product would wrap.
  const int64_t cells = MagicWandGridCells(bw, bh);
  if (cells > kMagicWandMaxGridCells) return {};
  const int64_t gw = int64_t{bw} * 4 + 4, gh = int64_t{bh} * 4 + 4;
  std::vector<uint8_t> grid;
  try {
    grid.assign(static_cast<size_t>(cells), kEmpty);
  } catch (const std::bad_alloc&) {
    return {};
  }
  auto cell = [&](int64_t x, int64_t y) -> uint8_t& { return grid[static_cast<size_t>(y * gw + x)]; };

  // 1-2. The filled pixels (grown within the box when asked), each as 4 x 4
  // cells of the grid.
  auto set_pixel = [&](int64_t bx, int64_t by) {
    for (int64_t y = by * 4 + 2; y <= by * 4 + 5; ++y)
      for (int64_t x = bx * 4 + 2; x <= bx * 4 + 5; ++x) cell(x, y) = kInside;
  };
  for (int32_t by = 0; by < bh; ++by)
    for (int32_t bx = 0; bx < bw; ++bx) {
      if (!r.Visited(bx + r.min_x, by + r.min_y)) continue;
      if (!Grow) {
        set_pixel(bx, by);
        continue;
      }
      for (int32_t ny = std::max(by - 1, 0); ny <= std::min(by + 1, bh - 1); ++ny)
        for (int32_t nx = std::max(bx - 1, 0); nx <= std::min(bx + 1, bw - 1); ++nx) set_pixel(nx, ny);
    }

  // 3. Border cells: the outside cells next to a run, in four passes.
  for (int64_t y = 0; y < gh; ++y) {
    for (int64_t x = 1; x < gw; ++x)
      if (cell(x, y) == kInside && cell(x - 1, y) != kInside) cell(x - 1, y) = kBorder;
    for (int64_t x = gw - 2; x >= 0; --x)
      if (cell(x, y) == kInside && cell(x + 1, y) != kInside) cell(x + 1, y) = kBorder;
  }
  for (int64_t x = 0; x < gw; ++x) {
    for (int64_t y = 1; y < gh; ++y)
      if (cell(x, y) == kInside && cell(x, y - 1) != kInside) cell(x, y - 1) = kBorder;
    for (int64_t y = gh - 2; y >= 0; --y)
      if (cell(x, y) == kInside && cell(x, y + 1) != kInside) cell(x, y + 1) = kBorder;
  }

  // 4. The start: the border cell nearest the top-left corner of the border
  // cells' box, the first in row order on ties.
  int64_t bl = gw, bt = gh;
  for (int64_t y = 0; y < gh; ++y)
    for (int64_t x = 0; x < gw; ++x)
      if (cell(x, y) == kBorder) {
        bl = std::min(bl, x);
        bt = std::min(bt, y);
      }
  int64_t sx = -1, sy = -1, best = -1;
  for (int64_t y = 0; y < gh; ++y)
    for (int64_t x = 0; x < gw; ++x)
      if (cell(x, y) == kBorder) {
        const int64_t d = (x - bl) * (x - bl) + (y - bt) * (y - bt);
        if (best < 0 || d < best) {
          best = d;
          sx = x;
          sy = y;
        }
      }
  if (best < 0) return {};
  cell(sx, sy) = kTraced;

  // 5. The trace: keep going the last way while it follows the border, else
  // take the first border cell in search order.
  std::vector<uint8_t> codes;
  int64_t cx = sx, cy = sy;
  int32_t last = kSearchOrder[4];
  auto border_at = [&](int32_t code) {
    const int64_t nx = cx + kMoveX[code], ny = cy + kMoveY[code];
    return nx >= 0 && ny >= 0 && nx < gw && ny < gh && cell(nx, ny) == kBorder;
  };
  auto take = [&](int32_t code) {
    cx += kMoveX[code];
    cy += kMoveY[code];
    cell(cx, cy) = kTraced;
    codes.push_back(static_cast<uint8_t>(code));
  };
  for (;;) {
    if (border_at(last)) take(last);
    int32_t found = -1;
    for (int32_t code : kSearchOrder)
      if (border_at(code)) {
        found = code;
        break;
      }
    if (found < 0) break;
    take(found);
    last = found;
  }
  // 6. Closing the loop back to the start.
  for (int32_t code = 0; code < 8; ++code)
    if (cx + kMoveX[code] == sx && cy + kMoveY[code] == sy) {
      codes.push_back(static_cast<uint8_t>(code));
      break;
    }

  // 7. The corners of the walk, in image coordinates.
  std::vector<int32_t> points;
  int64_t px = sx + int64_t{4} * r.min_x - 1, py = sy + int64_t{4} * r.min_y - 1;
  int32_t previous = -1;
  for (uint8_t code : codes) {
    if (code != previous) {
      points.push_back(static_cast<int32_t>(px / 4));
      points.push_back(static_cast<int32_t>(py / 4));
    }
    previous = code;
    px += kMoveX[code];
    py += kMoveY[code];
  }
  Count = static_cast<int32_t>(points.size() / 2);
  return points;
}
