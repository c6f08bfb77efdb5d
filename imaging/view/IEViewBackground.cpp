#include "imaging/view/IEViewBackground.h"

#include <algorithm>
#include <cmath>

#include "imaging/model/IEDrawRoutines.h"
#include "imaging/model/TIEBitmap.h"
#include "platform/DC.h"
#include "platform/Draw.h"
#include "platform/SysInfo.h"
#include "rtl/Numeric.h"
#include "ui/TCanvas.h"
#include "ui/TColor.h"
#include "ui/TGraphic.h"
#include "ui/TPicture.h"

namespace {

// Colour arithmetic works on the resolved value, never on a system-colour index.
TColor Resolved(TColor c) { return static_cast<TColor>(ColorToRGB(c) & 0xFFFFFF); }
TColor Complement(TColor c) { return static_cast<TColor>(~Resolved(c) & 0xFFFFFF); }

void FillArea(TCanvas* Canvas, const TRect& Area, TColor Color, TBrushStyle Style) {
  Canvas->Brush()->SetColor(Color);
  Canvas->Brush()->SetStyle(Style);
  if (Style != bsSolid) SetBkMode(Canvas->Handle(), TRANSPARENT);
  Canvas->FillRect(Area);
  Canvas->Brush()->SetStyle(bsSolid);
}

void PaintChessboard(TCanvas* Canvas, TIEBitmap* Target, TBrushStyle BrushStyle, int32_t Size, const TRect& Area,
                     TColor Background) {
  if (Size < 1) Size = 1;
  const TColor c1 = Resolved(Background), c2 = Complement(Background);
  if (Target && Target->PixelFormat() == ieRGB24 && BrushStyle == bsSolid) {
    const TRGB p1 = MakeRGBTriple(c1 & 0xFF, (c1 >> 8) & 0xFF, (c1 >> 16) & 0xFF);
    const TRGB p2 = MakeRGBTriple(c2 & 0xFF, (c2 >> 8) & 0xFF, (c2 >> 16) & 0xFF);
    const int32_t x1 = std::max(Area.Left, 0), x2 = std::min(Area.Right, Target->Width());
    const int32_t y1 = std::max(Area.Top, 0), y2 = std::min(Area.Bottom, Target->Height());
    for (int32_t y = y1; y < y2; ++y) {
      TRGB* row = reinterpret_cast<TRGB*>(Target->GetScanline(y));
      const bool odd_row = ((y - Area.Top) / Size) & 1;
      for (int32_t x = x1; x < x2; ++x) {
        const bool odd = (((x - Area.Left) / Size) & 1) != odd_row;
        row[x] = odd ? p2 : p1;
      }
    }
    return;
  }
  Canvas->Brush()->SetStyle(BrushStyle);
  if (BrushStyle != bsSolid) SetBkMode(Canvas->Handle(), TRANSPARENT);
  bool row_starts_first = true;
  for (int32_t y = Area.Top; y < Area.Bottom; y += Size) {
    bool first = row_starts_first;
    for (int32_t x = Area.Left; x < Area.Right; x += Size) {
      Canvas->Brush()->SetColor(first ? c2 : c1);
      Canvas->FillRect(TRect{x, y, std::min(x + Size, Area.Right), std::min(y + Size, Area.Bottom)});
      first = !first;
    }
    row_starts_first = !row_starts_first;
  }
  Canvas->Brush()->SetStyle(bsSolid);
}

void PaintGradient(TCanvas* Canvas, const TRect& Area, TColor From, TColor To) {
  const TColor a = Resolved(From), b = Resolved(To);
  TRIVERTEX v[2] = {{Area.Left, Area.Top, static_cast<COLOR16>((a & 0xFF) << 8),
                     static_cast<COLOR16>(((a >> 8) & 0xFF) << 8), static_cast<COLOR16>(((a >> 16) & 0xFF) << 8), 0},
                    {Area.Right, Area.Bottom, static_cast<COLOR16>((b & 0xFF) << 8),
                     static_cast<COLOR16>(((b >> 8) & 0xFF) << 8), static_cast<COLOR16>(((b >> 16) & 0xFF) << 8), 0}};
  GRADIENT_RECT r{0, 1};
  GradientFill(Canvas->Handle(), v, 2, &r, 1, GRADIENT_FILL_RECT_V);
}

void PaintWallPaper(TCanvas* Canvas, TPicture* WallPaper, TIEWallPaperStyle Style, const TRect& Area) {
  if (!WallPaper || !WallPaper->Graphic() || WallPaper->Graphic()->Empty()) return;
  TGraphic* g = WallPaper->Graphic();
  const int32_t w = g->Width(), h = g->Height();
  const int32_t aw = Area.Right - Area.Left, ah = Area.Bottom - Area.Top;
  switch (Style) {
    case iewoNormal:
      Canvas->Draw(0, 0, g);
      break;
    case iewoStretch:
      Canvas->StretchDraw(TRect{0, 0, aw, ah}, g);
      break;
    case iewoTile:
      for (int32_t y = 0; y < ah; y += h)
        for (int32_t x = 0; x < aw; x += w) Canvas->Draw(x, y, g);
      break;
  }
}

}  // namespace

void PaintBackground(bool Designing, TCanvas* Canvas, TIEBitmap* Target, TIEWallPaperStyle WallPaperStyle,
                     TPicture* WallPaper, TColor GradientEndColor, TBrushStyle ChessboardBrushStyle,
                     int32_t ChessboardSize, const TRect& ImageRect, const TRect& Area, TColor Background,
                     TIEBackgroundStyle BackgroundStyle) {
  if (!Canvas) return;
  const int32_t iw = ImageRect.Right - ImageRect.Left, ih = ImageRect.Bottom - ImageRect.Top;
  switch (BackgroundStyle) {
    case iebsSolid: FillArea(Canvas, Area, Background, bsSolid); break;
    case iebsHorizontal: FillArea(Canvas, Area, Background, bsHorizontal); break;
    case iebsVertical: FillArea(Canvas, Area, Background, bsVertical); break;
    case iebsFDiagonal: FillArea(Canvas, Area, Background, bsFDiagonal); break;
    case iebsBDiagonal: FillArea(Canvas, Area, Background, bsBDiagonal); break;
    case iebsCross: FillArea(Canvas, Area, Background, bsCross); break;
    case iebsDiagCross: FillArea(Canvas, Area, Background, bsDiagCross); break;
    case iebsChessboard:
      PaintChessboard(Canvas, Target, ChessboardBrushStyle, ChessboardSize, Area, Background);
      break;
    case iebsDiagonals:
      FillArea(Canvas, Area, Background, bsSolid);
      Canvas->Pen()->SetStyle(psSolid);
      Canvas->Pen()->SetMode(pmCopy);
      Canvas->Pen()->SetColor(Complement(Background));
      Canvas->MoveTo(Area.Left, Area.Top);
      Canvas->LineTo(Area.Right, Area.Bottom);
      Canvas->MoveTo(Area.Right, Area.Top);
      Canvas->LineTo(Area.Left, Area.Bottom);
      break;
    case iebsCropped:
      if (Designing) {
        FillArea(Canvas, Area, Background, bsSolid);
      } else {
        FillArea(Canvas, Area, clBtnFace, bsSolid);
        if (iw >= 2 && ih >= 2) {
          TRect r{ImageRect.Left - GetSystemMetrics(SM_CXEDGE), ImageRect.Top - GetSystemMetrics(SM_CYEDGE),
                  ImageRect.Right + GetSystemMetrics(SM_CXEDGE), ImageRect.Bottom + GetSystemMetrics(SM_CYEDGE)};
          DrawEdge(Canvas->Handle(), &r, EDGE_SUNKEN, BF_RECT);
        }
      }
      break;
    case iebsCropShadow:
      FillArea(Canvas, Area, Background, bsSolid);
      if (!Designing && iw >= 2 && ih >= 2) {
        PaintShadowRight(Canvas, ImageRect.Right, ImageRect.Top, ImageRect.Right + 5, ImageRect.Bottom + 3, 2,
                         Background);
        PaintShadowBottom(Canvas, ImageRect.Left, ImageRect.Bottom, ImageRect.Right + 4, ImageRect.Bottom + 5, 2,
                          Background);
      }
      break;
    case iebsGradient:
      PaintGradient(Canvas, Area, Background, GradientEndColor);
      break;
  }
  PaintWallPaper(Canvas, WallPaper, WallPaperStyle, Area);
}
