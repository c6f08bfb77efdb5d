// Quarter turns and flips against netpbm's pnmflip, on odd widths, for 1-bit,
// 8-bit grey and 24-bit images, in memory and in temporary files.
#include <gtest/gtest.h>

#include "imaging/model/PixelHelpers.h"
#include "imaging/model/Rotation.h"
#include "imaging/model/TImagoProc.h"
#include "ops_test_util.h"

namespace {
using namespace opstest;

struct Op {
  const char* flag;
  void (*apply)(TIEBitmap*);
};

// The program's road: the processing component turning its image.
void ProcRotate(TIEBitmap* b, double angle) {
  auto* proc = new TImagoProc(nullptr);
  proc->IEBitmap()->Assign(b);
  proc->Rotate(angle, false, raNone, -1);
  b->Assign(proc->IEBitmap());
  proc->Free();
}

const Op kOps[] = {
    {"-r90", [](TIEBitmap* b) { ProcRotate(b, 90); }},
    {"-r270", [](TIEBitmap* b) { ProcRotate(b, 270); }},
    {"-r90", [](TIEBitmap* b) { RotateBitmap(b, false, nullptr, TRGB{0, 0, 0}, 90); }},
    {"-r180", [](TIEBitmap* b) { RotateBitmap(b, false, nullptr, TRGB{0, 0, 0}, 180); }},
    {"-r270", [](TIEBitmap* b) { RotateBitmap(b, false, nullptr, TRGB{0, 0, 0}, 270); }},
    {"-r270", [](TIEBitmap* b) { RotateBitmap(b, false, nullptr, TRGB{0, 0, 0}, -90); }},
    {"-r90", [](TIEBitmap* b) { RotateBitmap(b, true, nullptr, TRGB{0, 0, 0}, 450); }},
    {"-lr", [](TIEBitmap* b) { FlipBitmap(b, false); }},
    {"-tb", [](TIEBitmap* b) { FlipBitmap(b, true); }},
};

TEST(RotationInterop, QuarterTurnsAndFlipsEqualPnmflip) {
  const TIEPixelFormat formats[] = {ieMono1, ieGray8, ieRGB24};
  const int sizes[][2] = {{13, 7}, {10, 3}, {37, 21}, {1, 5}, {9, 1}, {65, 33}};
  int case_no = 0;
  for (TIEPixelFormat pf : formats)
    for (const auto& s : sizes)
      for (const Op& op : kOps)
        for (bool temp_file : {false, true}) {
          ++case_no;
          TIEBitmap img;
          if (temp_file) img.MemoryThreshold = 0;
          img.Allocate(s[0], s[1], pf);
          FillRandom(img, static_cast<uint32_t>(case_no));
          const std::string in = TempDir() + "/in" + std::to_string(case_no) + ".pnm";
          const std::string out = TempDir() + "/out" + std::to_string(case_no) + ".pnm";
          WritePNM(img, in);
          ASSERT_TRUE(RunTool(std::string("pnmflip ") + op.flag + " " + in + " > " + out));
          TIEBitmap expected;
          ASSERT_TRUE(ReadPNM(out, expected));
          op.apply(&img);
          EXPECT_TRUE(SamePixels(img, expected))
              << "format " << int(pf) << " " << s[0] << "x" << s[1] << " " << op.flag << " temp " << temp_file;
        }
}
}  // namespace
