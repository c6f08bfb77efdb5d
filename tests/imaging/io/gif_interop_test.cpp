// GIF files made by netpbm, ImageMagick and the giflib tools load as those
// tools decode them (interlaced, transparent, local tables, animations with
// their disposal methods), and the files we write decode in them to our
// pixels.
#include <gtest/gtest.h>

#include <cstring>

#include "CodecTestSupport.h"
#include "GifTestSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/PixelHelpers.h"

namespace {

using peer::Image;

const char* kGifBuild = "/usr/bin/gifbuild";
const char* kGifToPnm = "/usr/bin/giftopnm";

// At most Colours distinct colours (red first), or a smooth picture.
std::vector<uint8_t> Picture(int w, int h, int colours) {
  if (colours == 0) return codec::Picture(w, h);
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (int i = 0; i < w * h; ++i) {
    const int k = (i / 3 + i / w) % colours;
    rgb[static_cast<size_t>(i) * 3] = static_cast<uint8_t>(k * 37 + 1);
    rgb[static_cast<size_t>(i) * 3 + 1] = static_cast<uint8_t>(k * 91 + 2);
    rgb[static_cast<size_t>(i) * 3 + 2] = static_cast<uint8_t>(k * 13 + 3);
  }
  return rgb;
}

// Ours against the peer's; with alpha, colours only where the peer's pixel
// is opaque.
void ExpectSame(TIEBitmap* ours, const Image& theirs, const std::string& what, bool alpha = false) {
  ASSERT_EQ(ours->Width(), theirs.width) << what;
  ASSERT_EQ(ours->Height(), theirs.height) << what;
  int bad = 0;
  for (int y = 0; y < theirs.height && bad < 5; ++y)
    for (int x = 0; x < theirs.width && bad < 5; ++x) {
      const uint8_t* p = theirs.At(x, y);
      const int a = ours->HasAlphaChannel() ? ours->GetAlpha(x, y) : 255;
      if (alpha && a != p[3]) {
        ADD_FAILURE() << what << " alpha at " << x << "," << y << ": ours " << a << ", peer "
                      << int(p[3]);
        ++bad;
      }
      if (alpha && p[3] == 0) continue;
      const TRGB c = ours->GetPixelRGB(x, y);
      if (c.r != p[0] || c.g != p[1] || c.b != p[2]) {
        ADD_FAILURE() << what << " at " << x << "," << y << ": ours " << int(c.r) << " "
                      << int(c.g) << " " << int(c.b) << ", peer " << int(p[0]) << " " << int(p[1])
                      << " " << int(p[2]);
        ++bad;
      }
    }
}

class GifInterop : public testing::Test {
 protected:
  void SetUp() override {
    if (!peer::Available(peer::kConvert) || !peer::Available(kGifToPnm) ||
        !peer::Available(kGifBuild))
      GTEST_SKIP() << "ImageMagick, netpbm or the giflib tools are not installed";
  }
  std::string Source(int w, int h, int colours) {
    const std::string f = dir / "src.ppm";
    peer::WritePPM(f, w, h, Picture(w, h, colours));
    return f;
  }
  // ImageMagick's decoding of frame Index (coalesced), with alpha.
  Image Magick(const std::string& file, int index = 0) {
    const std::string pattern = dir / "magick-%d.pam";
    const std::string cmd = std::string(peer::kConvert) + " '" + file +
                            "' -coalesce -depth 8 -alpha on pam:'" + pattern + "'";
    EXPECT_TRUE(peer::Run(cmd)) << cmd;
    Image img;
    EXPECT_TRUE(peer::ReadPNM(dir / ("magick-" + std::to_string(index) + ".pam"), img)) << file;
    return img;
  }
  // netpbm's decoding, the transparency as an alpha plane.
  Image Netpbm(const std::string& file) {
    const std::string ppm = dir / "net.ppm", alpha = dir / "net.pgm";
    EXPECT_TRUE(peer::Run(std::string(kGifToPnm) + " -alphaout='" + alpha + "' '" + file +
                          "' | ppmtoppm > '" + ppm + "'"));
    Image img;
    EXPECT_TRUE(peer::ReadPNM(ppm, img)) << file;
    Image a;
    if (peer::ReadPNM(alpha, a) && a.width == img.width && a.height == img.height)
      for (size_t i = 0; i < img.rgba.size(); i += 4) img.rgba[i + 3] = a.rgba[i];
    return img;
  }
  TOwned<TImagoIO> Load(const std::string& file, int index = 0) {
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    io->Params()->GifImageIndex = index;
    io->LoadFromFile(file);
    EXPECT_FALSE(io->Aborted()) << file;
    return io;
  }
  peer::Folder dir;
};

}  // namespace

TEST_F(GifInterop, FilesMadeByNetpbmAndImageMagick) {
  struct Case {
    const char* name;
    int colours;
    std::string command;  // {src} and {out} replaced
  } cases[] = {
      {"ppmtogif", 200, "ppmtogif {src} > {out}"},
      {"ppmtogif interlaced", 200, "ppmtogif -interlace {src} > {out}"},
      {"ppmtogif two colours", 2, "ppmtogif {src} > {out}"},
      {"ppmtogif transparent", 12, "ppmtogif -transparent=rgb:26/5d/10 {src} > {out}"},
      {"ImageMagick dithered", 0, std::string(peer::kConvert) + " {src} {out}"},
      {"ImageMagick 16 colours interlaced", 16,
       std::string(peer::kConvert) + " {src} -interlace GIF {out}"},
      {"ImageMagick bilevel", 0, std::string(peer::kConvert) + " {src} -monochrome {out}"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string src = Source(61, 37, c.colours), out = dir / "peer.gif";
    std::string cmd = c.command;
    cmd.replace(cmd.find("{src}"), 5, "'" + src + "'");
    cmd.replace(cmd.find("{out}"), 5, "'" + out + "'");
    ASSERT_TRUE(peer::Run(cmd)) << cmd;
    auto io = Load(out);
    const bool transparent = std::strstr(c.name, "transparent") != nullptr;
    ExpectSame(io->IEBitmap(), Netpbm(out), c.name, transparent);
    if (transparent) {
      EXPECT_TRUE(io->IEBitmap()->HasAlphaChannel());
    }
    if (std::strstr(c.name, "interlaced")) {
      EXPECT_TRUE(io->Params()->GifInterlaced);
    }
  }
}

TEST_F(GifInterop, AnimationsFromGifbuildComposeAsImageMagickCoalesces) {
  // Frame 0 full screen with a transparent index; frame 1 interlaced with a
  // local table, disposal 2; frame 2 partly transparent over what frame 1
  // left, disposal 1; frame 3 after it; frame 4 with disposal 3 (restore
  // what was there before it) and frame 5 partly transparent over the
  // restored screen.
  const std::string spec = dir / "anim.txt", file = dir / "anim.gif";
  {
    std::ofstream t(spec);
    t << "screen width 7\nscreen height 5\nscreen colors 4\nscreen background 3\n"
         "screen map\n rgb 255 0 0 is r\n rgb 0 255 0 is g\n rgb 0 0 255 is b\n"
         " rgb 128 128 128 is k\nend\n\n"
         "graphics control\n disposal mode 1\n transparent index 1\nend\n"
         "image\nimage left 0\nimage top 0\nimage bits 7 by 5\n"
         "rgrrbrr\nrrgrrbr\nrrrrrrr\nbbbbrrr\nrgggrrk\n\n"
         "graphics control\n disposal mode 2\nend\n"
         "image\nimage left 1\nimage top 1\nimage interlaced\n"
         "image map\n rgb 10 20 30 is x\n rgb 40 50 60 is y\nend\n"
         "image bits 3 by 4\nxyx\nyxy\nxxy\nyyx\n\n"
         "graphics control\n disposal mode 1\n transparent index 0\nend\n"
         "image\nimage left 2\nimage top 2\nimage bits 5 by 3\nrbbgk\nrrbgr\nkkrrb\n\n"
         "graphics control\n disposal mode 1\nend\n"
         "image\nimage left 0\nimage top 4\nimage bits 2 by 1\nbb\n\n"
         "graphics control\n disposal mode 3\nend\n"
         "image\nimage left 1\nimage top 0\nimage bits 4 by 3\nkkkk\nkggk\nkkkk\n\n"
         "graphics control\n disposal mode 1\n transparent index 0\nend\n"
         "image\nimage left 0\nimage top 0\nimage bits 3 by 2\nrrg\nbrr\n";
  }
  ASSERT_TRUE(peer::Run(std::string(kGifBuild) + " '" + spec + "' > '" + file + "'"));
  for (int k = 0; k < 6; ++k) {
    SCOPED_TRACE(k);
    auto io = Load(file, k);
    EXPECT_EQ(io->Params()->GifImageCount, 6);
    ExpectSame(io->IEBitmap(), Magick(file, k), "frame " + std::to_string(k), true);
  }
}

TEST_F(GifInterop, OurFilesDecodeInThePeers) {
  struct Case {
    const char* name;
    int colours, bits;
    bool interlaced, alpha;
    bool comment;  // the giflib tools refused our files without one once
  } cases[] = {
      {"8 bits", 0, 8, false, false, true},   {"8 bits interlaced", 200, 8, true, false, false},
      {"4 bits", 12, 4, false, false, true},  {"1 bit", 2, 1, false, false, false},
      {"8 bits with alpha", 100, 8, false, true, true}, {"2 bits interlaced", 4, 2, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int w = 83, h = 29;
    TIEBitmap image;
    codec::FillBitmap(image, w, h, Picture(w, h, c.colours));
    if (c.alpha) {
      image.GetAlphaChannel()->Fill(255);
      for (int x = 0; x < w; x += 3) image.SetAlpha(x, x % h, 0);
    }
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    io->AttachIEBitmap(&image);
    io->Params()->BitsPerSample = c.bits;
    io->Params()->GifInterlaced = c.interlaced;
    if (c.comment) io->Params()->GifComments = {"made by the tests"};
    const std::string file = dir / "ours.gif";
    io->SaveToFile(file);
    ASSERT_FALSE(io->Aborted());
    ASSERT_TRUE(peer::Run("giftext '" + file + "' > /dev/null"));
    auto back = Load(file);
    // The peers decode what we read back; with few enough colours that is the
    // picture itself.
    ExpectSame(back->IEBitmap(), Netpbm(file), c.name, c.alpha);
    ExpectSame(back->IEBitmap(), Magick(file), c.name, c.alpha);
    // (One bit is always black and white.)
    if (c.bits > 1 && c.colours && c.colours <= (1 << c.bits) - (c.alpha ? 1 : 0)) {
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          if (!c.alpha || image.GetAlpha(x, y) == 255) {
            ASSERT_EQ(back->IEBitmap()->GetPixelRGB(x, y), image.GetPixelRGB(x, y)) << x << "," << y;
          }
        }
      }
    }
    EXPECT_EQ(codec::Capture("gifbuild -d '" + file + "' | grep -c 'made by the tests'"),
              c.comment ? "1\n" : "0\n");
  }
}

TEST_F(GifInterop, ADeferredClearDecodesAsThePeersDecodeIt) {
  // An encoder that lets the code table fill and goes on coding with it,
  // never sending a clear code: legal, and read by both peers.
  gif::File f;
  f.width = f.height = 64;
  f.global = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  gif::Frame fr;
  fr.width = fr.height = 64;
  fr.bits = 2;
  fr.data = gif::DeferredClearData();
  f.frames.push_back(fr);
  const std::string file = dir / "deferred.gif";
  const auto bytes = gif::Build(f);
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                               static_cast<std::streamsize>(bytes.size()));
  auto io = Load(file);
  ExpectSame(io->IEBitmap(), Netpbm(file), "giftopnm");
  ExpectSame(io->IEBitmap(), Magick(file), "ImageMagick");
}
