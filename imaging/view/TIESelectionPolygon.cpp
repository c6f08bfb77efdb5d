#include "imaging/view/TIESelectionPolygon.h"

#include <algorithm>

void TIESelectionPolygon::Clear() {
  points_.clear();
  BoxLeft = BoxTop = BoxRight = BoxBottom = 0;
  boxed_ = false;
}

void TIESelectionPolygon::Append(int32_t x, int32_t y) {
  const size_t n = points_.size() / 2;
  if (n % 64 == 0) points_.reserve((n + 64) * 2);
  points_.push_back(x);
  points_.push_back(y);
  // A break point is no place: it stays out of the box.
  if (x == kBreak) return;
  if (!boxed_) {
    boxed_ = true;
    BoxLeft = BoxRight = x;
    BoxTop = BoxBottom = y;
    return;
  }
  BoxLeft = std::min(BoxLeft, x);
  BoxTop = std::min(BoxTop, y);
  BoxRight = std::max(BoxRight, x);
  BoxBottom = std::max(BoxBottom, y);
}

void TIESelectionPolygon::AppendBreak() {
  if (Count() == 0 || IsBreak(Count() - 1)) return;
  Append(kBreak, kBreak);
}

void TIESelectionPolygon::DropLast() {
  if (Count() > 0) Truncate(Count() - 1);
  while (Count() > 0 && IsBreak(Count() - 1)) Truncate(Count() - 1);
}

void TIESelectionPolygon::Truncate(int32_t NewCount) {
  if (NewCount < Count()) points_.resize(static_cast<size_t>(std::max(NewCount, 0)) * 2);
}

void TIESelectionPolygon::Assign(const int32_t* Pairs, int32_t NewCount) {
  points_.clear();
  points_.reserve((static_cast<size_t>(NewCount) + 64) * 2);
  points_.assign(Pairs, Pairs + static_cast<size_t>(NewCount) * 2);
  boxed_ = NewCount > 0;
}

bool TIESelectionPolygon::IsRectangle() const {
  if (Count() != 4) return false;
  for (int32_t i = 0; i < 4; ++i)
    if (IsBreak(i)) return false;
  // Sides 0-1 and 2-3 horizontal with 1-2 and 3-0 vertical, or the other way.
  const bool a = Y(0) == Y(1) && X(1) == X(2) && Y(2) == Y(3) && X(3) == X(0);
  const bool b = X(0) == X(1) && Y(1) == Y(2) && X(2) == X(3) && Y(3) == Y(0);
  return a || b;
}
