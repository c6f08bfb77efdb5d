// Fuzz target: the metafile content tests, the reading of Windows and
// enhanced metafiles and their drawing, at a small size and, for pictures
// that are small themselves, at their own size.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/formats/Metafile.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "platform/Metafile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TIEMemStream stream(Data, static_cast<int64_t>(Size));
  (void)IsWMFStream(&stream);
  (void)IsEMFStream(&stream);
  TMetafile metafile;
  if (!metafile.Load(Data, Size)) return 0;
  bool aborted = false;
  TIOProgressRec progress;
  progress.Aborting = &aborted;
  TIEBitmap picture;
  int32_t w = 48, h = -1;
  if (MetafileTargetSize(metafile.Width(), metafile.Height(), w, h) &&
      RenderMetafile(metafile, w, std::min(h, 256), 0xFFFFFF, true, &picture, progress) &&
      (picture.Width() != w || !picture.HasAlphaChannel()))
    __builtin_trap();
  if (metafile.Width() > 0 && metafile.Height() > 0 && metafile.Width() <= 128 &&
      metafile.Height() <= 128)
    (void)RenderMetafile(metafile, metafile.Width(), metafile.Height(), 0, false, &picture,
                         progress);
  return 0;
}
