// Builds small AVI files for the tests: RIFF chunks and lists, and a file of
// 8-bit run-length frames.
#pragma once

#include <cstdint>
#include <vector>

namespace avi {

inline void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
inline void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
inline std::vector<uint8_t> Chunk(const char* id, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> c(id, id + 4);
  Put32(c, static_cast<uint32_t>(data.size()));
  c.insert(c.end(), data.begin(), data.end());
  if (data.size() & 1) c.push_back(0);
  return c;
}
inline std::vector<uint8_t> List(const char* type, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> d(type, type + 4);
  d.insert(d.end(), body.begin(), body.end());
  return Chunk("LIST", d);
}


// An AVI of 8-bit run-length frames (ffmpeg decodes them but cannot make
// them): 8 x 4, a key frame of runs and absolute runs, then a frame that
// skips ahead and paints three pixels over the previous one.
inline std::vector<uint8_t> RunLengthAVI() {
  const int w = 8, h = 4;
  std::vector<std::vector<uint8_t>> frames(2);
  for (int y = 0; y < h; ++y) {
    auto& f = frames[0];
    const uint8_t y8 = static_cast<uint8_t>(y);
    f.insert(f.end(), {4, static_cast<uint8_t>(y * 10 + 1), 0, 4, y8, uint8_t(y8 + 1), uint8_t(y8 + 2),
                       uint8_t(y8 + 3), 0, 0});
  }
  frames[0].insert(frames[0].end(), {0, 1});
  frames[1] = {0, 2, 2, 1, 3, 200, 0, 1};
  std::vector<uint8_t> avih;
  Put32(avih, 40000);
  for (int i = 0; i < 3; ++i) Put32(avih, 0);
  Put32(avih, 2);  // frames
  Put32(avih, 0);
  Put32(avih, 1);
  Put32(avih, 0);
  Put32(avih, w);
  Put32(avih, h);
  for (int i = 0; i < 4; ++i) Put32(avih, 0);
  std::vector<uint8_t> strh = {'v', 'i', 'd', 's', 'm', 'r', 'l', 'e'};
  for (uint32_t v : {0u, 0u, 0u, 1u, 25u, 0u, 2u, 0u, 0xFFFFFFFFu, 0u}) Put32(strh, v);
  for (int i = 0; i < 4; ++i) Put16(strh, static_cast<uint16_t>(i == 2 ? w : i == 3 ? h : 0));
  std::vector<uint8_t> strf;
  Put32(strf, 40);
  Put32(strf, w);
  Put32(strf, h);
  Put16(strf, 1);
  Put16(strf, 8);
  Put32(strf, 1);  // run-length, 8 bits
  Put32(strf, 0);
  Put32(strf, 0);
  Put32(strf, 0);
  Put32(strf, 256);
  Put32(strf, 0);
  for (int i = 0; i < 256; ++i) {
    strf.push_back(static_cast<uint8_t>(i * 7));
    strf.push_back(static_cast<uint8_t>(i * 5));
    strf.push_back(static_cast<uint8_t>(i * 3));
    strf.push_back(0);
  }
  std::vector<uint8_t> strl = Chunk("strh", strh);
  const auto f = Chunk("strf", strf);
  strl.insert(strl.end(), f.begin(), f.end());
  std::vector<uint8_t> hdrl = Chunk("avih", avih);
  const auto sl = List("strl", strl);
  hdrl.insert(hdrl.end(), sl.begin(), sl.end());
  std::vector<uint8_t> movi, idx;
  for (const auto& fr : frames) {
    Put32(idx, 0x63643030);  // "00dc"
    Put32(idx, &fr == &frames[0] ? 0x10 : 0);
    Put32(idx, static_cast<uint32_t>(4 + movi.size()));
    Put32(idx, static_cast<uint32_t>(fr.size()));
    const auto c = Chunk("00dc", fr);
    movi.insert(movi.end(), c.begin(), c.end());
  }
  std::vector<uint8_t> body = {'A', 'V', 'I', ' '};
  for (const auto& part : {List("hdrl", hdrl), List("movi", movi), Chunk("idx1", idx)})
    body.insert(body.end(), part.begin(), part.end());
  return Chunk("RIFF", body);
}

}  // namespace avi
