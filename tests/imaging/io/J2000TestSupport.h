// Helpers of the JPEG-2000 tests: our writer and reader on memory streams,
// and pictures coded by the library directly, with component layouts our
// writer never makes (signed samples, YCbCr, subsampled chroma).
#pragma once

#include <openjpeg.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "CodecTestSupport.h"
#include "imaging/io/formats/J2000.h"

namespace j2k {

inline std::vector<uint8_t> Save(TIEBitmap& Bitmap, TIOParamsVals& Params, int32_t Format,
                                 bool* Aborted = nullptr) {
  TMemoryStream s;
  codec::Progress pr;
  WriteJ2000Stream(&s, &Bitmap, Params, pr.rec, Format);
  if (Aborted) *Aborted = pr.aborted;
  return codec::Bytes(s);
}

struct Loaded {
  TIEBitmap bitmap;
  TIOParamsVals params{nullptr};
  bool aborted = false;
  std::string reason;
};

inline void Load(const std::vector<uint8_t>& Data, Loaded& Out, bool ParamsOnly = false) {
  TIEMemStream s(Data.data(), static_cast<int64_t>(Data.size()));
  codec::Progress pr;
  pr.rec.AbortReason = &Out.reason;
  ReadJ2000Stream(&s, &Out.bitmap, Out.params, pr.rec, ParamsOnly);
  Out.aborted = pr.aborted;
}

// One component of a picture coded by the library itself.
struct Component {
  uint32_t dx = 1, dy = 1;
  uint32_t prec = 8;
  bool sgnd = false;
  // The sample at (x, y) of the component's own grid.
  std::function<int32_t(uint32_t x, uint32_t y)> sample;
};

// Codes Width x Height with the components given, losslessly, as a JP2 file
// (colour space as given) or a bare code stream; empty on failure.
inline std::vector<uint8_t> Encode(uint32_t Width, uint32_t Height,
                                   const std::vector<Component>& Comps, OPJ_COLOR_SPACE Space,
                                   bool JP2) {
  std::vector<opj_image_cmptparm_t> cp(Comps.size());
  for (size_t i = 0; i < Comps.size(); ++i) {
    cp[i] = {};
    cp[i].dx = Comps[i].dx;
    cp[i].dy = Comps[i].dy;
    cp[i].w = (Width + Comps[i].dx - 1) / Comps[i].dx;
    cp[i].h = (Height + Comps[i].dy - 1) / Comps[i].dy;
    cp[i].prec = Comps[i].prec;
    cp[i].sgnd = Comps[i].sgnd;
  }
  opj_image_t* image = opj_image_create(static_cast<OPJ_UINT32>(cp.size()), cp.data(), Space);
  image->x1 = Width;
  image->y1 = Height;
  for (size_t i = 0; i < Comps.size(); ++i)
    for (uint32_t y = 0; y < cp[i].h; ++y)
      for (uint32_t x = 0; x < cp[i].w; ++x) image->comps[i].data[y * cp[i].w + x] = Comps[i].sample(x, y);
  opj_cparameters_t ep;
  opj_set_default_encoder_parameters(&ep);
  ep.tcp_numlayers = 1;
  ep.cp_disto_alloc = 1;
  ep.tcp_rates[0] = 0;
  ep.numresolution = 2;
  opj_codec_t* codec = opj_create_compress(JP2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
  codec::Folder folder;
  const std::string file = folder / "coded";
  opj_stream_t* stream = opj_stream_create_default_file_stream(file.c_str(), OPJ_FALSE);
  const bool ok = opj_setup_encoder(codec, &ep, image) && opj_start_compress(codec, image, stream) &&
                  opj_encode(codec, stream) && opj_end_compress(codec, stream);
  opj_stream_destroy(stream);
  opj_destroy_codec(codec);
  opj_image_destroy(image);
  return ok ? codec::ReadFile(file) : std::vector<uint8_t>();
}

// Offset of the first two-byte marker in a code stream (or a JP2 file's
// code-stream box), or -1.
inline int64_t FindMarker(const std::vector<uint8_t>& Data, uint16_t Marker) {
  for (size_t i = 0; i + 1 < Data.size(); ++i)
    if (Data[i] == Marker >> 8 && Data[i + 1] == (Marker & 0xFF)) return static_cast<int64_t>(i);
  return -1;
}

}  // namespace j2k
