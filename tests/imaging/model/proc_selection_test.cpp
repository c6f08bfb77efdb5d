// The processing component and the attached view's selection: the working
// area, operations confined to the selected pixels, and selection entries on
// the undo and redo stacks.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/model/ColorReduction.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "imaging/model/TImagoProc.h"
#include "ops_test_util.h"
#include "rtl/TStream.h"

namespace {
using namespace opstest;

// A view with an image of its own and nothing more: it holds no selection.
class PlainView : public TIEView {
 public:
  explicit PlainView(TComponent* Owner) : TIEView(Owner) {}
  TIEBitmap* GetIEBitmap() override { return &image; }
  TIEBitmap image;
};

void PutInt(TStream* s, int32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
  s->WriteBuffer(b, 4);
}

int32_t GetInt(TStream* s) {
  uint8_t b[4];
  s->ReadBuffer(b, 4);
  return static_cast<int32_t>(uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 |
                              uint32_t{b[3]} << 24);
}

void FillGrey(TIEBitmap& b, uint8_t v) {
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x) b.SetRGB24(x, y, MakeRGBTriple(v, v, v));
}

uint8_t GetByte(TStream* s) {
  uint8_t b;
  s->ReadBuffer(&b, 1);
  return b;
}

// A view holding a selection: a mask of the image's size, one polygon list
// with its box and the has-selection flag, saved as the selection block
// (little-endian): mask width, height, point count, points, polygon box,
// has-selection byte, mask bits per pixel, mask box, full byte, mask rows
// bottom-up.
class SelectionView : public PlainView {
 public:
  explicit SelectionView(TComponent* Owner) : PlainView(Owner) {}
  bool HoldsSelection() const override { return true; }
  TIEMask* SelectionMask() override { return &mask; }
  bool HasSelection() const override { return selected; }
  const int32_t* GetSelectionPoints() const override {
    return points.empty() ? nullptr : points.data();
  }
  int32_t GetSelectionPointCount() const override {
    return static_cast<int32_t>(points.size() / 2);
  }

  void SaveSelectionToStream(TStream* s) override {
    PutInt(s, mask.Width());
    PutInt(s, mask.Height());
    PutInt(s, GetSelectionPointCount());
    for (int32_t v : points) PutInt(s, v);
    for (int32_t v : poly_box) PutInt(s, v);
    const uint8_t flag = selected ? 1 : 0;
    s->WriteBuffer(&flag, 1);
    PutInt(s, mask.BitsPerPixel());
    for (int32_t v : {mask.Left, mask.Top, mask.Right, mask.Bottom}) PutInt(s, v);
    const uint8_t full = mask.Full ? 1 : 0;
    s->WriteBuffer(&full, 1);
    for (int32_t y = mask.Height() - 1; y >= 0; --y)
      s->WriteBuffer(mask.GetScanline(y), mask.RowLen());
  }

  bool LoadSelectionFromStream(TStream* s) override {
    const int32_t w = GetInt(s), h = GetInt(s), n = GetInt(s);
    if (w < 0 || h < 0 || n < 0 || int64_t{n} * 8 > s->Size() - s->Position()) return false;
    points.resize(static_cast<size_t>(n) * 2);
    for (int32_t& v : points) v = GetInt(s);
    for (int32_t& v : poly_box) v = GetInt(s);
    selected = GetByte(s) != 0;
    const int32_t bpp = GetInt(s);
    mask.AllocateBits(w, h, bpp);
    mask.Left = GetInt(s);
    mask.Top = GetInt(s);
    mask.Right = GetInt(s);
    mask.Bottom = GetInt(s);
    mask.Full = GetByte(s) != 0;
    for (int32_t y = h - 1; y >= 0; --y) s->ReadBuffer(mask.GetScanline(y), mask.RowLen());
    ++loads;
    return true;
  }

  // A rectangle selection, right and bottom exclusive.
  void SelectRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    points = {x1, y1, x2, y1, x2, y2, x1, y2};
    poly_box = {x1, y1, x2, y2};
    mask.AllocateBits(image.Width(), image.Height(), 1);
    mask.FillPolygons(1, points.data(), 4);
    selected = true;
  }

  TIEMask mask;
  std::vector<int32_t> points;
  std::vector<int32_t> poly_box = {0, 0, 0, 0};
  bool selected = false;
  int loads = 0;
};

// What a selection view holds, for comparing one state with another.
struct Snapshot {
  std::vector<int32_t> points, poly_box, mask_box;
  bool selected, full;
  int32_t width, height, bpp;
  std::vector<int32_t> pixels;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take(SelectionView& v) {
  Snapshot s{v.points,
             v.poly_box,
             {v.mask.Left, v.mask.Top, v.mask.Right, v.mask.Bottom},
             v.selected,
             v.mask.Full,
             v.mask.Width(),
             v.mask.Height(),
             v.mask.BitsPerPixel(),
             {}};
  for (int32_t y = 0; y < v.mask.Height(); ++y)
    for (int32_t x = 0; x < v.mask.Width(); ++x) s.pixels.push_back(v.mask.GetPixel(x, y));
  return s;
}

struct ProcSelection : ::testing::Test {
  TImagoProc* proc = new TImagoProc(nullptr);
  SelectionView* view = new SelectionView(nullptr);
  void SetUp() override {
    view->image.Allocate(6, 5, ieRGB24);
    FillRandom(view->image, 7);
    proc->SetAttachedImago(view);
    proc->SetUndoLimit(10);
  }
  void TearDown() override {
    proc->Free();
    view->Free();
  }
};

TEST_F(ProcSelection, WorkingAreaFollowsTheSelection) {
  auto* plain = new PlainView(nullptr);
  plain->image.Allocate(6, 5, ieRGB24);
  const std::vector<int32_t> poly = {1, 1, 4, 1, 2, 4};
  struct Case {
    const char* name;
    int attach;  // 0 none, 1 a view without selections, 2 the selection view
    bool selected, mask_pixels, has_points;
    bool result;
    TIEProcRect rect;
    bool mask_given, points_given;
  } cases[] = {
      {"no view", 0, true, true, true, false, {0, 0, 6, 5}, false, false},
      {"view without selections", 1, true, true, true, false, {0, 0, 6, 5}, false, false},
      // The mask is handed out even when nothing is selected.
      {"nothing selected", 2, false, true, true, false, {0, 0, 6, 5}, true, false},
      {"selected, empty mask", 2, true, false, true, true, {0, 0, 6, 5}, true, true},
      // The mask's box, right and bottom made exclusive.
      {"selected, mask", 2, true, true, true, true, {2, 1, 5, 4}, true, true},
      {"selected, no polygon", 2, true, true, false, true, {2, 1, 5, 4}, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    proc->SetAttachedImago(c.attach == 0   ? nullptr
                           : c.attach == 1 ? static_cast<TIEView*>(plain)
                                           : view);
    if (c.attach == 0) proc->IEBitmap()->Allocate(6, 5, ieRGB24);
    view->mask.AllocateBits(6, 5, 1);
    if (c.mask_pixels) {
      view->mask.SetPixel(2, 1, 1);
      view->mask.SetPixel(4, 3, 1);
    }
    view->selected = c.selected;
    view->points = c.has_points ? poly : std::vector<int32_t>{};
    TIEProcRect rect{-1, -1, -1, -1};
    TIEMask* mask = reinterpret_cast<TIEMask*>(1);
    const int32_t* points = reinterpret_cast<const int32_t*>(1);
    int32_t count = -1;
    EXPECT_EQ(proc->GetSelectionArea(rect, mask, points, count), c.result);
    EXPECT_EQ(rect.Left, c.rect.Left);
    EXPECT_EQ(rect.Top, c.rect.Top);
    EXPECT_EQ(rect.Right, c.rect.Right);
    EXPECT_EQ(rect.Bottom, c.rect.Bottom);
    EXPECT_EQ(mask, c.mask_given ? &view->mask : nullptr);
    EXPECT_EQ(points, c.points_given ? view->points.data() : nullptr);
    EXPECT_EQ(count, c.points_given ? 3 : 0);
  }
  proc->SetAttachedImago(nullptr);
  plain->Free();
}

TEST_F(ProcSelection, ConvertToGrayChangesOnlySelectedPixels) {
  TIEBitmap original, grey;
  original.Assign(&view->image);
  grey.Assign(&view->image);
  ConvertToGrayRect(&grey, 0, 0, grey.Width(), grey.Height(), nullptr);
  struct Case {
    const char* name;
    std::vector<std::pair<int32_t, int32_t>> selected_pixels;  // empty: a polygon but an empty mask
    int32_t mask_width = 6, mask_height = 5;
  } cases[] = {
      // An L shape whose box (2,1)-(4,3) is away from the origin: pixels of
      // the box outside the mask stay as they were.
      {"mask away from the origin", {{2, 1}, {3, 1}, {2, 2}, {4, 3}}},
      {"single pixel at the far corner", {{5, 4}}},
      {"empty mask: the whole image", {}},
      // A mask left larger than the image: what lies outside is not touched.
      {"mask larger than the image", {{1, 1}, {7, 6}}, 8, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    view->image.Assign(&original);
    view->SelectRect(0, 0, 1, 1);
    view->mask.AllocateBits(c.mask_width, c.mask_height, 1);
    for (auto [x, y] : c.selected_pixels) view->mask.SetPixel(x, y, 1);
    proc->ConvertToGray();
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 6; ++x) {
        bool in = c.selected_pixels.empty();
        for (auto p : c.selected_pixels) in = in || (p.first == x && p.second == y);
        EXPECT_EQ(view->image.GetRGB24(x, y), in ? grey.GetRGB24(x, y) : original.GetRGB24(x, y))
            << x << "," << y;
      }
    // The whole image was saved for undo before the change.
    EXPECT_EQ(proc->UndoCaptions(0), "ConvertToGray");
    proc->Undo();
    EXPECT_TRUE(SamePixels(view->image, original));
  }
}

TEST_F(ProcSelection, SelectionEntriesRestoreTheEarlierSelection) {
  view->SelectRect(1, 1, 4, 3);
  const Snapshot a = Take(*view);
  TIEBitmap image;
  image.Assign(&view->image);
  proc->SaveUndoCaptioned("select A", 2);
  ASSERT_EQ(proc->UndoCount(), 1);
  EXPECT_EQ(proc->UndoCaptions(0), "select A");

  // Another selection, with another number of points; then undo.
  view->SelectRect(0, 2, 6, 5);
  view->points.insert(view->points.end(),
                      {TIEMask::kPolygonSeparator, TIEMask::kPolygonSeparator, 1, 1});
  proc->Undo();
  EXPECT_EQ(Take(*view), a);
  EXPECT_EQ(view->loads, 1);
  EXPECT_TRUE(SamePixels(view->image, image));  // the image is left alone

  // The entry stays and is read from its start again.
  view->mask.Clear();
  view->selected = false;
  view->points.clear();
  proc->Undo();
  EXPECT_EQ(Take(*view), a);
  EXPECT_EQ(proc->UndoCount(), 1);

  // The redo stack works the same.
  view->SelectRect(3, 0, 5, 2);
  const Snapshot b = Take(*view);
  proc->SaveRedoCaptioned("select B", 2);
  view->SelectRect(0, 0, 2, 2);
  proc->Redo();
  EXPECT_EQ(Take(*view), b);
  EXPECT_EQ(proc->RedoCount(), 1);
  EXPECT_EQ(proc->RedoCaptions(0), "select B");
  proc->ClearLastRedo();
  EXPECT_EQ(proc->RedoCount(), 0);
}

TEST_F(ProcSelection, NoSelectionEntriesWithoutAViewHoldingOne) {
  auto* plain = new PlainView(nullptr);
  plain->image.Allocate(6, 5, ieRGB24);
  proc->SetAttachedImago(plain);
  proc->SaveUndoCaptioned("image", 1);
  proc->SaveUndo(2);
  proc->SaveUndoCaptioned("select", 2);
  proc->SaveRedo(2);
  proc->SaveRedoCaptioned("select", 2);
  // Nothing saved, and the entry before keeps its caption.
  ASSERT_EQ(proc->UndoCount(), 1);
  EXPECT_EQ(proc->UndoCaptions(0), "image");
  EXPECT_EQ(proc->RedoCount(), 0);
  proc->ClearAllUndo();

  proc->SetAttachedImago(nullptr);
  proc->IEBitmap()->Allocate(6, 5, ieRGB24);
  proc->SaveUndoCaptioned("select", 2);
  EXPECT_EQ(proc->UndoCount(), 0);

  // An image below 2 x 2 gets no captioned entry, a selection neither.
  proc->SetAttachedImago(view);
  view->image.Allocate(1, 5, ieRGB24);
  view->SelectRect(0, 0, 1, 2);
  proc->SaveUndoCaptioned("select", 2);
  EXPECT_EQ(proc->UndoCount(), 0);

  // A selection entry applied while a view without selections is attached
  // loads nothing.
  view->image.Allocate(6, 5, ieRGB24);
  view->SelectRect(0, 0, 3, 3);
  proc->SaveUndoCaptioned("select", 2);
  ASSERT_EQ(proc->UndoCount(), 1);
  proc->SetAttachedImago(plain);
  proc->Undo();
  EXPECT_EQ(view->loads, 0);
  proc->SetAttachedImago(nullptr);
  plain->Free();
}

TEST_F(ProcSelection, MixedEntriesUndoneByIndex) {
  proc->SetUndoLimit(3);
  FillGrey(view->image, 10);
  view->SelectRect(0, 0, 2, 2);
  proc->SaveUndoCaptioned("image 10", 1);
  proc->SaveUndoCaptioned("select A", 2);
  const Snapshot a = Take(*view);
  FillGrey(view->image, 20);
  view->SelectRect(2, 2, 6, 5);
  const Snapshot b = Take(*view);
  proc->SaveUndoCaptioned("image 20", 1);
  proc->SaveUndoCaptioned("select B", 2);
  // The oldest entry went to keep three.
  ASSERT_EQ(proc->UndoCount(), 3);
  EXPECT_EQ(proc->UndoCaptions(0), "select B");
  EXPECT_EQ(proc->UndoCaptions(1), "image 20");
  EXPECT_EQ(proc->UndoCaptions(2), "select A");

  FillGrey(view->image, 30);
  view->SelectRect(1, 1, 3, 3);
  proc->UndoAt(2);  // a selection entry: the image stays
  EXPECT_EQ(Take(*view), a);
  EXPECT_EQ(view->image.GetRGB24(5, 4), MakeRGBTriple(30, 30, 30));
  proc->UndoAt(1);  // an image entry: the selection stays
  EXPECT_EQ(view->image.GetRGB24(5, 4), MakeRGBTriple(20, 20, 20));
  EXPECT_EQ(Take(*view), a);
  proc->UndoAt(0);
  EXPECT_EQ(Take(*view), b);
  proc->UndoAt(3);  // beyond the count: nothing
  EXPECT_EQ(Take(*view), b);
  EXPECT_EQ(view->loads, 2);
  EXPECT_EQ(proc->UndoCount(), 3);
  proc->ClearAllUndo();
  EXPECT_EQ(proc->UndoCount(), 0);
}
}  // namespace
