// Writes small Windows and enhanced metafiles for the tests, record by
// record, from the record layouts of the two formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace mf {

inline void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
inline void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
inline void Set32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

constexpr uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) { return r | g << 8 | uint32_t{b} << 16; }

// A Windows metafile: records of 16-bit parameters (given in the order they
// are stored), behind a placeable header when Inch is not 0.
class Wmf {
 public:
  // The record: size in words, function, parameters.
  Wmf& Record(uint16_t Function, std::initializer_list<uint16_t> Params) {
    Put32(records_, static_cast<uint32_t>(3 + Params.size()));
    Put16(records_, Function);
    for (uint16_t p : Params) Put16(records_, p);
    return *this;
  }
  Wmf& Record(uint16_t Function, const std::vector<uint16_t>& Params) {
    Put32(records_, static_cast<uint32_t>(3 + Params.size()));
    Put16(records_, Function);
    for (uint16_t p : Params) Put16(records_, p);
    return *this;
  }
  // A record with its size field set to Words whatever it holds.
  Wmf& RawRecord(uint32_t Words, uint16_t Function, std::initializer_list<uint16_t> Params) {
    Put32(records_, Words);
    Put16(records_, Function);
    for (uint16_t p : Params) Put16(records_, p);
    return *this;
  }
  static uint16_t Lo(uint32_t v) { return static_cast<uint16_t>(v); }
  static uint16_t Hi(uint32_t v) { return static_cast<uint16_t>(v >> 16); }
  static uint16_t S(int v) { return static_cast<uint16_t>(static_cast<int16_t>(v)); }

  Wmf& WindowOrg(int x, int y) { return Record(0x020B, {S(y), S(x)}); }
  Wmf& WindowExt(int x, int y) { return Record(0x020C, {S(y), S(x)}); }
  // Style, width, colour.
  Wmf& Pen(uint16_t Style, int Width, uint32_t Colour) {
    return Record(0x02FA, {Style, S(Width), 0, Lo(Colour), Hi(Colour)});
  }
  // Style, colour, hatch.
  Wmf& Brush(uint16_t Style, uint32_t Colour, uint16_t Hatch = 0) {
    return Record(0x02FC, {Style, Lo(Colour), Hi(Colour), Hatch});
  }
  Wmf& Select(uint16_t Index) { return Record(0x012D, {Index}); }
  Wmf& Delete(uint16_t Index) { return Record(0x01F0, {Index}); }
  Wmf& Rectangle(int l, int t, int r, int b) { return Record(0x041B, {S(b), S(r), S(t), S(l)}); }
  Wmf& Ellipse(int l, int t, int r, int b) { return Record(0x0418, {S(b), S(r), S(t), S(l)}); }
  Wmf& MoveTo(int x, int y) { return Record(0x0214, {S(y), S(x)}); }
  Wmf& LineTo(int x, int y) { return Record(0x0213, {S(y), S(x)}); }
  Wmf& Polygon(std::initializer_list<std::pair<int, int>> Points) {
    std::vector<uint16_t> p = {static_cast<uint16_t>(Points.size())};
    for (auto [x, y] : Points) {
      p.push_back(S(x));
      p.push_back(S(y));
    }
    Put32(records_, static_cast<uint32_t>(3 + p.size()));
    Put16(records_, 0x0324);
    for (uint16_t v : p) Put16(records_, v);
    return *this;
  }
  // Rings filled together.
  Wmf& PolyPolygon(std::initializer_list<std::initializer_list<std::pair<int, int>>> Rings) {
    std::vector<uint16_t> p = {static_cast<uint16_t>(Rings.size())};
    for (const auto& r : Rings) p.push_back(static_cast<uint16_t>(r.size()));
    for (const auto& r : Rings)
      for (auto [x, y] : r) {
        p.push_back(S(x));
        p.push_back(S(y));
      }
    Put32(records_, static_cast<uint32_t>(3 + p.size()));
    Put16(records_, 0x0538);
    for (uint16_t v : p) Put16(records_, v);
    return *this;
  }
  Wmf& SaveDC() { return Record(0x001E, {}); }
  Wmf& RestoreDC(int Level) { return Record(0x0127, {S(Level)}); }
  Wmf& Eof() { return Record(0x0000, {}); }

  // The file; Objects is the object table's size.
  std::vector<uint8_t> Bytes(int l, int t, int r, int b, uint16_t Inch, uint16_t Objects = 8) const {
    std::vector<uint8_t> f;
    if (Inch) {
      Put32(f, 0x9AC6CDD7);
      Put16(f, 0);
      for (int v : {l, t, r, b}) Put16(f, S(v));
      Put16(f, Inch);
      Put32(f, 0);
      uint16_t sum = 0;
      for (size_t i = 0; i < f.size(); i += 2) sum ^= static_cast<uint16_t>(f[i] | f[i + 1] << 8);
      Put16(f, sum);
    }
    Put16(f, 1);
    Put16(f, 9);
    Put16(f, 0x0300);
    Put32(f, static_cast<uint32_t>((18 + records_.size()) / 2));
    Put16(f, Objects);
    Put32(f, 0);
    Put16(f, 0);
    f.insert(f.end(), records_.begin(), records_.end());
    return f;
  }

 private:
  std::vector<uint8_t> records_;
};

// An enhanced metafile: records of 32-bit parameters; the header is made by
// Bytes from the frame (hundredths of a millimetre) on a reference device of
// 96 pixels per inch.
class Emf {
 public:
  Emf& Record(uint32_t Type, std::initializer_list<uint32_t> Params) {
    Put32(records_, Type);
    Put32(records_, static_cast<uint32_t>(8 + 4 * Params.size()));
    for (uint32_t p : Params) Put32(records_, p);
    ++count_;
    return *this;
  }
  Emf& Record(uint32_t Type, const std::vector<uint32_t>& Params) {
    Put32(records_, Type);
    Put32(records_, static_cast<uint32_t>(8 + 4 * Params.size()));
    for (uint32_t p : Params) Put32(records_, p);
    ++count_;
    return *this;
  }
  static uint32_t S(int v) { return static_cast<uint32_t>(v); }
  // The bounds field that drawing records begin with.
  static constexpr uint32_t kNoBounds = 0;

  Emf& MapMode(uint32_t Mode) { return Record(17, {Mode}); }
  Emf& WindowExt(int x, int y) { return Record(9, {S(x), S(y)}); }
  Emf& WindowOrg(int x, int y) { return Record(10, {S(x), S(y)}); }
  Emf& ViewportExt(int x, int y) { return Record(11, {S(x), S(y)}); }
  Emf& ViewportOrg(int x, int y) { return Record(12, {S(x), S(y)}); }
  Emf& Brush(uint32_t Index, uint32_t Style, uint32_t Colour, uint32_t Hatch = 0) {
    return Record(39, {Index, Style, Colour, Hatch});
  }
  Emf& Pen(uint32_t Index, uint32_t Style, int Width, uint32_t Colour) {
    return Record(38, {Index, Style, S(Width), 0, Colour});
  }
  Emf& Select(uint32_t Index) { return Record(37, {Index}); }
  Emf& SelectStock(uint32_t Stock) { return Record(37, {0x80000000u | Stock}); }
  Emf& Rectangle(int l, int t, int r, int b) { return Record(43, {S(l), S(t), S(r), S(b)}); }
  Emf& Ellipse(int l, int t, int r, int b) { return Record(42, {S(l), S(t), S(r), S(b)}); }
  Emf& MoveTo(int x, int y) { return Record(27, {S(x), S(y)}); }
  Emf& LineTo(int x, int y) { return Record(54, {S(x), S(y)}); }
  // Scale and offset as the world transform (x' = x * Sx + Dx, ...).
  Emf& World(float Sx, float Sy, float Dx, float Dy) {
    auto bits = [](float f) {
      uint32_t u;
      static_assert(sizeof u == sizeof f);
      __builtin_memcpy(&u, &f, 4);
      return u;
    };
    return Record(35, {bits(Sx), 0, 0, bits(Sy), bits(Dx), bits(Dy)});
  }
  Emf& Eof() { return Record(14, {0, 16, 20}); }

  std::vector<uint8_t> Bytes(int FrameRight, int FrameBottom, uint16_t Handles = 8) const {
    std::vector<uint8_t> f;
    Put32(f, 1);
    Put32(f, 88);
    for (int v : {0, 0, 0, 0}) Put32(f, S(v));  // bounds
    for (int v : {0, 0, FrameRight, FrameBottom}) Put32(f, S(v));
    Put32(f, 0x464D4520);
    Put32(f, 0x10000);
    Put32(f, static_cast<uint32_t>(88 + records_.size()));
    Put32(f, count_ + 1);
    Put16(f, Handles);
    Put16(f, 0);
    Put32(f, 0);  // description
    Put32(f, 0);
    Put32(f, 0);  // palette entries
    Put32(f, 960);  // reference device: 960 x 960 pixels ...
    Put32(f, 960);
    Put32(f, 254);  // ... on 254 x 254 millimetres
    Put32(f, 254);
    f.insert(f.end(), records_.begin(), records_.end());
    return f;
  }

 private:
  std::vector<uint8_t> records_;
  uint32_t count_ = 0;
};

// A frame side in hundredths of a millimetre for a side of Pixels at 96 per
// inch.
constexpr int FrameOf(int Pixels) { return (Pixels * 2540 + 48) / 96; }

// A picture to start fuzzing from: a pen, a brush, shapes, a line, a saved
// and restored state.
inline std::vector<uint8_t> SeedWmf() {
  Wmf w;
  w.WindowOrg(0, 0).WindowExt(40, 30).Pen(0, 1, Rgb(0, 0, 255)).Brush(0, Rgb(255, 0, 0));
  w.Select(0).Select(1).SaveDC().Rectangle(4, 4, 20, 16).Ellipse(10, 10, 36, 28);
  w.Polygon({{1, 1}, {30, 2}, {15, 25}}).RestoreDC(-1).MoveTo(0, 29).LineTo(39, 0);
  w.Delete(0).Delete(1).Eof();
  return w.Bytes(0, 0, 40, 30, 96, 4);
}

inline std::vector<uint8_t> SeedEmf() {
  Emf e;
  e.MapMode(8).WindowExt(40, 30).ViewportExt(40, 30).Brush(1, 0, Rgb(0, 128, 0));
  e.Pen(2, 0, 2, Rgb(0, 0, 0)).Select(1).Select(2).Rectangle(2, 2, 30, 20);
  e.Ellipse(10, 5, 38, 28).MoveTo(0, 0).LineTo(39, 29).SelectStock(4).World(1, 1, 3, 3);
  e.Rectangle(0, 0, 5, 5).Eof();
  return e.Bytes(FrameOf(40), FrameOf(30), 4);
}

}  // namespace mf
