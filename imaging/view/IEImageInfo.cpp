#include "imaging/view/IEImageInfo.h"

#include "imaging/io/IEFormats.h"
#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "rtl/StrUtils.h"

std::string SizeText(int64_t Bytes) {
  if (Bytes >= 1024) return IntToStr(Bytes / 1024) + " KB";
  return IntToStr(Bytes) + " byte";
}

std::string ColorCountText(int32_t SamplesPerPixel, int32_t BitsPerSample) {
  if (SamplesPerPixel == 4 && BitsPerSample == 8) return "16777216";
  if (SamplesPerPixel == 3 && BitsPerSample == 16) return "2^48";
  const int64_t bits = int64_t(SamplesPerPixel) * BitsPerSample;
  if (bits < 0) return "0";
  if (bits >= 32) return "2^" + IntToStr(bits);
  return IntToStr(int64_t(1) << bits);
}

int64_t ImageMemorySize(int32_t Width, int32_t Height, int32_t SamplesPerPixel,
                        int32_t BitsPerSample) {
  if (Width <= 0 || Height <= 0) return 0;
  const int64_t bits = (SamplesPerPixel == 1 && BitsPerSample == 1) ? 1 : 24;
  const int64_t row = (int64_t(Width) * bits + 31) / 32 * 4;
  return row * Height;
}

TIEImageInfoTexts MakeImageInfoTexts(const TIOParamsVals& Params, int32_t Frames, int64_t FileSize,
                                     TMsgLanguage Language) {
  TIEImageInfoTexts t;
  int32_t w = Params.Width, h = Params.Height;
  // A JPEG may have been decoded at a reduced scale for the preview: the
  // labels tell the file's own size.
  if (Params.FileType == ieftJPEG) {
    w = Params.JpegOriginalWidth;
    h = Params.JpegOriginalHeight;
  }
  const int32_t s = Params.SamplesPerPixel, b = Params.BitsPerSample;
  t.Size = IntToStr(w) + " x " + IntToStr(h) + " pixel";
  if (Frames > 1) t.Size += " , " + IntToStr(Frames) + " frames";
  t.Resolution = IntToStr(Params.DpiX()) + " x " + IntToStr(Params.DpiY()) + " dpi";
  t.Colors = ColorCountText(s, b) + " " + GetDialogWord(58, Language) + " (" +
             IntToStr(int64_t(s) * b) + " bit)";
  t.Sizes = GetDialogWord(126, Language) + ": " + SizeText(FileSize) + "   " +
            GetDialogWord(127, Language) + ": " + SizeText(ImageMemorySize(w, h, s, b));
  t.Format = DescribeImageParams(&Params);
  return t;
}
