// imaging_peer_decode: the peers' libraries called in a process of their own,
// the counterpart of `imaging_convert --loads N`: each load decodes the whole
// picture into one freshly allocated buffer (as our loads hold the whole
// picture), and its seconds are printed on standard error, one per line.
//
//   imaging_peer_decode --loads N LIBRARY FILE
//
// LIBRARY is one of jpeg (libjpeg-turbo, blue first and the exact integer
// transform as our reader asks), png (libpng), tiff (libtiff, strip by strip),
// openjpeg, gif (giflib) and vips (libvips, the whole picture into memory).
// A library whose headers were missing at build time answers "not built".
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <jpeglib.h>
#include <png.h>
#ifdef NOBRIVO_BENCH_LIBTIFF
#include <tiffio.h>
#endif
#ifdef NOBRIVO_BENCH_OPENJPEG
#include <openjpeg.h>
#endif
#ifdef NOBRIVO_BENCH_GIFLIB
#include <gif_lib.h>
#endif
#ifdef NOBRIVO_BENCH_LIBVIPS
#include <vips/vips.h>
#endif

namespace {

// The decoded picture: fresh memory for every load, as a reader allocates it.
struct TPixels {
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
  uint8_t* Allocate(size_t n) {
    data.reset(new uint8_t[n]);
    size = n;
    return data.get();
  }
};

bool DecodeJpeg(const char* file, TPixels& out) {
  FILE* f = std::fopen(file, "rb");
  if (!f) return false;
  jpeg_decompress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);  // a fault ends the run: the files are the benchmark's own
  jpeg_create_decompress(&c);
  jpeg_stdio_src(&c, f);
  jpeg_read_header(&c, TRUE);
  c.out_color_space = JCS_EXT_BGR;
  c.dct_method = JDCT_ISLOW;
  jpeg_start_decompress(&c);
  const size_t stride = size_t{c.output_width} * c.output_components;
  uint8_t* p = out.Allocate(stride * c.output_height);
  // As many rows a call as the library can give at once: its fastest use.
  JSAMPROW rows[16];
  const int batch = std::min(c.rec_outbuf_height, 16);
  while (c.output_scanline < c.output_height) {
    const int n = std::min<int>(batch, int(c.output_height - c.output_scanline));
    for (int i = 0; i < n; ++i) rows[i] = p + stride * (c.output_scanline + i);
    jpeg_read_scanlines(&c, rows, JDIMENSION(n));
  }
  jpeg_finish_decompress(&c);
  jpeg_destroy_decompress(&c);
  std::fclose(f);
  return true;
}

bool DecodePng(const char* file, TPixels& out) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, file)) return false;
  image.format = PNG_FORMAT_BGR;
  uint8_t* p = out.Allocate(PNG_IMAGE_SIZE(image));
  const bool ok = png_image_finish_read(&image, nullptr, p, 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

#ifdef NOBRIVO_BENCH_LIBTIFF
bool DecodeTiff(const char* file, TPixels& out) {
  TIFFSetWarningHandler(nullptr);
  TIFF* t = TIFFOpen(file, "r");
  if (!t) return false;
  const tmsize_t strip = TIFFStripSize(t);
  const uint32_t strips = TIFFNumberOfStrips(t);
  uint8_t* p = out.Allocate(static_cast<size_t>(strip) * strips);
  bool ok = true;
  for (uint32_t s = 0; s < strips && ok; ++s) ok = TIFFReadEncodedStrip(t, s, p + size_t(strip) * s, strip) >= 0;
  TIFFClose(t);
  return ok;
}
#endif

#ifdef NOBRIVO_BENCH_OPENJPEG
bool DecodeOpenJpeg(const char* file, TPixels& out) {
  opj_stream_t* s = opj_stream_create_default_file_stream(file, OPJ_TRUE);
  if (!s) return false;
  const std::string name = file;
  const bool j2k = name.size() > 4 && (name.substr(name.size() - 4) == ".j2k" || name.substr(name.size() - 4) == ".j2c");
  opj_codec_t* codec = opj_create_decompress(j2k ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
  opj_dparameters_t params;
  opj_set_default_decoder_parameters(&params);
  opj_image_t* image = nullptr;
  bool ok = opj_setup_decoder(codec, &params) && opj_read_header(s, codec, &image) &&
            opj_decode(codec, s, image) && opj_end_decompress(codec, s);
  if (ok) {
    // Interleaved 8-bit samples, as the picture is held.
    const size_t w = image->comps[0].w, h = image->comps[0].h, n = image->numcomps;
    uint8_t* p = out.Allocate(w * h * n);
    for (size_t c = 0; c < n; ++c)
      for (size_t i = 0; i < w * h; ++i) p[i * n + c] = static_cast<uint8_t>(image->comps[c].data[i]);
  }
  if (image) opj_image_destroy(image);
  opj_destroy_codec(codec);
  opj_stream_destroy(s);
  return ok;
}
#endif

#ifdef NOBRIVO_BENCH_GIFLIB
bool DecodeGif(const char* file, TPixels& out) {
  int error = 0;
  GifFileType* g = DGifOpenFileName(file, &error);
  if (!g) return false;
  bool ok = DGifSlurp(g) == GIF_OK && g->ImageCount > 0;
  if (ok) {
    // Colour pixels, as our reader gives them.
    const SavedImage& im = g->SavedImages[0];
    const ColorMapObject* map = im.ImageDesc.ColorMap ? im.ImageDesc.ColorMap : g->SColorMap;
    const size_t n = size_t(im.ImageDesc.Width) * im.ImageDesc.Height;
    uint8_t* p = out.Allocate(n * 3);
    // Through a full table of 256 (an index past the map shows black), as
    // our reader looks colours up: no division a pixel.
    uint8_t bgr[256][3] = {};
    for (int i = 0; i < std::min(map->ColorCount, 256); ++i) {
      bgr[i][0] = map->Colors[i].Blue;
      bgr[i][1] = map->Colors[i].Green;
      bgr[i][2] = map->Colors[i].Red;
    }
    for (size_t i = 0; i < n; ++i) std::memcpy(p + i * 3, bgr[im.RasterBits[i]], 3);
  }
  DGifCloseFile(g, &error);
  return ok;
}
#endif

#ifdef NOBRIVO_BENCH_LIBVIPS
bool DecodeVips(const char* file, TPixels& out) {
  VipsImage* im = vips_image_new_from_file(file, "access", VIPS_ACCESS_SEQUENTIAL, nullptr);
  if (!im) return false;
  size_t n = 0;
  void* mem = vips_image_write_to_memory(im, &n);
  g_object_unref(im);
  if (!mem) return false;
  // vips gives its own buffer: the copy is not timed against it, it is
  // freed instead, and the size kept as the result.
  out.data.reset();
  out.size = n;
  g_free(mem);
  return true;
}
#endif

using TDecode = bool (*)(const char*, TPixels&);

TDecode Find(const std::string& name) {
  if (name == "jpeg") return DecodeJpeg;
  if (name == "png") return DecodePng;
#ifdef NOBRIVO_BENCH_LIBTIFF
  if (name == "tiff") return DecodeTiff;
#endif
#ifdef NOBRIVO_BENCH_OPENJPEG
  if (name == "openjpeg") return DecodeOpenJpeg;
#endif
#ifdef NOBRIVO_BENCH_GIFLIB
  if (name == "gif") return DecodeGif;
#endif
#ifdef NOBRIVO_BENCH_LIBVIPS
  if (name == "vips") return DecodeVips;
#endif
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 || std::strcmp(argv[1], "--loads") != 0) {
    std::fprintf(stderr, "usage: imaging_peer_decode --loads N LIBRARY FILE\n");
    return 2;
  }
  const int loads = std::atoi(argv[2]);
  const TDecode decode = Find(argv[3]);
  if (!decode) {
    std::fprintf(stderr, "imaging_peer_decode: %s not built\n", argv[3]);
    return 3;
  }
#ifdef NOBRIVO_BENCH_LIBVIPS
  if (VIPS_INIT(argv[0])) return 1;
  vips_cache_set_max(0);  // every load decodes again
#endif
  for (int i = 0; i < loads; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    TPixels pixels;
    if (!decode(argv[4], pixels) || pixels.size == 0) {
      std::fprintf(stderr, "imaging_peer_decode: cannot decode %s\n", argv[4]);
      return 1;
    }
    pixels.data.reset();
    std::fprintf(stderr, "%.6f\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  return 0;
}
