// A set of enumeration values, as the libraries' set types use them:
// TSet<TFontStyle> styles{fsBold, fsItalic}; styles.Contains(fsBold).
#pragma once

#include <bitset>
#include <cstdint>
#include <initializer_list>

template <typename E, std::size_t N = 64>
class TSet {
 public:
  constexpr TSet() = default;
  TSet(std::initializer_list<E> values) {
    for (E v : values) Include(v);
  }

  static TSet FromBits(uint64_t bits) {
    TSet s;
    for (std::size_t i = 0; i < N && i < 64; ++i)
      if (bits >> i & 1) s.bits_.set(i);
    return s;
  }
  uint64_t Bits() const {
    uint64_t out = 0;
    for (std::size_t i = 0; i < N && i < 64; ++i)
      if (bits_.test(i)) out |= uint64_t{1} << i;
    return out;
  }

  bool Contains(E v) const { return bits_.test(Index(v)); }
  TSet& Include(E v) {
    bits_.set(Index(v));
    return *this;
  }
  TSet& Exclude(E v) {
    bits_.reset(Index(v));
    return *this;
  }
  TSet& Set(E v, bool on) { return on ? Include(v) : Exclude(v); }
  bool Empty() const { return bits_.none(); }
  std::size_t Count() const { return bits_.count(); }
  void Clear() { bits_.reset(); }

  TSet operator+(const TSet& o) const { return TSet(bits_ | o.bits_); }
  TSet operator-(const TSet& o) const { return TSet(bits_ & ~o.bits_); }
  TSet operator*(const TSet& o) const { return TSet(bits_ & o.bits_); }
  TSet& operator+=(const TSet& o) { bits_ |= o.bits_; return *this; }
  TSet& operator-=(const TSet& o) { bits_ &= ~o.bits_; return *this; }
  TSet& operator*=(const TSet& o) { bits_ &= o.bits_; return *this; }
  TSet operator+(E v) const { TSet s(*this); return s.Include(v); }
  TSet operator-(E v) const { TSet s(*this); return s.Exclude(v); }
  bool operator==(const TSet& o) const { return bits_ == o.bits_; }
  // Whether every member of this set is in o (the `<=` of set types).
  bool SubsetOf(const TSet& o) const { return (bits_ & ~o.bits_).none(); }

 private:
  explicit TSet(const std::bitset<N>& b) : bits_(b) {}
  static std::size_t Index(E v) { return static_cast<std::size_t>(v); }
  std::bitset<N> bits_;
};
