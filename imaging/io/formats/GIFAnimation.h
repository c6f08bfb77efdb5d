// GIF animations: several frames written into one file, each with its own
// colour table, position, delay and disposal, looping for ever.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/io/IEFormats.h"

class TStream;
class TIEBitmap;
class TIOParamsVals;

struct TIEGIFFrame {
  TIEBitmap* Bitmap = nullptr;
  // The frame's settings as the single-frame writer takes them (bits per
  // sample, position, delay in hundredths of a second, disposal, comments).
  TIOParamsVals* Params = nullptr;
};

// Writes the frames as one GIF89a at the stream's position: the logical
// screen covers every frame at its position, each frame carries its colour
// table as a local one, and an application extension makes it loop. No
// frames, a frame the single-frame writer refuses, or a short write set the
// abort flag.
void WriteGIFAnimation(TStream* Stream, const std::vector<TIEGIFFrame>& Frames, TIOProgressRec& Progress);
