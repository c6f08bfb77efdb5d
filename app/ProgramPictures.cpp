#include "app/ProgramPictures.h"

#include <string>

#include "app/AboutPictures.h"
#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Resources.h"
#include "rtl/TStream.h"
#include "ui/TBitmap.h"

namespace {

// The drawing laid over white and written as a PNG file.
std::string PngOf(const std::vector<uint32_t>& Pixels, int32_t W, int32_t H) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      const uint32_t p = Pixels[size_t(y * W + x)];
      const uint32_t a = p >> 24;
      auto over = [a](uint32_t c) { return (c * a + 255 * (255 - a) + 127) / 255; };
      b.Canvas()->SetPixels(x, y, TColor(over(p >> 16 & 0xFF) | over(p >> 8 & 0xFF) << 8 | over(p & 0xFF) << 16));
    }
  TIEBitmap image;
  image.CopyFromTBitmap(&b);
  TImagoIO io(nullptr);
  io.AttachIEBitmap(&image);
  TMemoryStream file;
  io.SaveToStream(&file, ieftPNG);
  return std::string(static_cast<const char*>(file.Memory()), size_t(file.Size()));
}

}  // namespace

void RegisterProgramPictures() {
  RegisterResource("LOGO", PngOf(DrawAboutLogo(), kLogoSide, kLogoSide));
  RegisterResource("LANDSCAPE", PngOf(DrawAboutLandscape(), kLandscapeWidth, kLandscapeHeight));
}
