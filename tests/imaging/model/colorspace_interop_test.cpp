// RGB to CIE Lab against ImageMagick's own conversion (sRGB, D65), on a table
// of colours: primaries, greys, dark colours near the linear toe, and a mix.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/model/ColorSpaces.h"

namespace {

struct Lab {
  double l, a, b;
};

// One ImageMagick run for the whole table: one output line per colour.
std::vector<Lab> PeerLab(const std::vector<TRGB>& colours) {
  std::string cmd = "/usr/bin/convert";
  for (const TRGB& c : colours)
    cmd += " xc:'rgb(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")'";
  // ImageMagick 6 keeps L in 0..1 and a, b shifted by one half and divided by 255.
  cmd += " -colorspace Lab -format '%[fx:r*100] %[fx:(g-0.5)*255] %[fx:(b-0.5)*255]\\n' info: 2>/dev/null";
  std::vector<Lab> out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char line[256];
  while (fgets(line, sizeof line, p)) {
    std::istringstream in(line);
    Lab v{};
    if (in >> v.l >> v.a >> v.b) out.push_back(v);
  }
  pclose(p);
  return out;
}

TEST(ColorSpacesInterop, RGBToCIELabAgreesWithImageMagick) {
  std::vector<TRGB> colours;
  const uint8_t levels[] = {0, 1, 5, 10, 37, 64, 128, 191, 200, 254, 255};
  for (uint8_t v : levels) colours.push_back(MakeRGBTriple(v, v, v));
  const uint8_t rgb[][3] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},    {255, 255, 0}, {0, 255, 255},
                            {255, 0, 255}, {3, 2, 1},     {12, 40, 7},    {128, 64, 32}, {32, 64, 128},
                            {250, 128, 114}, {46, 139, 87}, {75, 0, 130}, {255, 215, 0}, {1, 0, 254},
                            {100, 149, 237}, {210, 105, 30}, {0, 128, 128}, {240, 248, 255}, {17, 200, 90}};
  for (const auto& c : rgb) colours.push_back(MakeRGBTriple(c[0], c[1], c[2]));
  // A coarse cube as well.
  for (int r = 0; r < 256; r += 85)
    for (int g = 0; g < 256; g += 85)
      for (int b = 0; b < 256; b += 85) colours.push_back(MakeRGBTriple(r, g, b));

  const std::vector<Lab> peer = PeerLab(colours);
  ASSERT_EQ(peer.size(), colours.size()) << "ImageMagick gave no answer";
  for (size_t i = 0; i < colours.size(); ++i) {
    const TRGB& c = colours[i];
    const TCIELab ours = RGBToCIELab(c);
    // Our bytes are truncated (L scaled to 0..255): compare with the peer's
    // values cut the same way.
    const std::string at = "rgb " + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
    EXPECT_NEAR(ours.l, std::trunc(peer[i].l * 255.0 / 100.0), 1.0) << at;
    EXPECT_NEAR(ours.a, std::trunc(peer[i].a), 1.0) << at;
    EXPECT_NEAR(ours.b, std::trunc(peer[i].b), 1.0) << at;
  }
}

}  // namespace
