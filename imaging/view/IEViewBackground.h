// The background painter shared by the image views: solid and hatched fills,
// the chessboard, diagonals, the cropped and shadowed frames, the vertical
// gradient, then the wallpaper over all of it.
#pragma once

#include <cstdint>

#include "imaging/model/IEPixelTypes.h"
#include "platform/Geometry.h"
#include "ui/TGraphicsObject.h"

class TCanvas;
class TIEBitmap;
class TPicture;

enum TIEBackgroundStyle : uint8_t {
  iebsSolid,
  iebsHorizontal,
  iebsVertical,
  iebsFDiagonal,
  iebsBDiagonal,
  iebsCross,
  iebsDiagCross,
  iebsChessboard,
  iebsDiagonals,
  iebsCropped,
  iebsCropShadow,
  iebsGradient
};

enum TIEWallPaperStyle : uint8_t { iewoNormal, iewoStretch, iewoTile };

// Paints Area of Canvas. Target, when given, is the 24-bit image behind the
// canvas (rows written directly for the solid chessboard). ImageRect is where
// the image lies (an empty rectangle for none). Designing selects the plain
// fills of design time.
void PaintBackground(bool Designing, TCanvas* Canvas, TIEBitmap* Target, TIEWallPaperStyle WallPaperStyle,
                     TPicture* WallPaper, TColor GradientEndColor, TBrushStyle ChessboardBrushStyle,
                     int32_t ChessboardSize, const TRect& ImageRect, const TRect& Area, TColor Background,
                     TIEBackgroundStyle BackgroundStyle);
