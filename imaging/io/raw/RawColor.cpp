#include "imaging/io/raw/RawColor.h"

#include <cmath>
#include <cstring>
#include <vector>

void ScaleColors(TIERawContext& Ctx) {
  Ctx.RgbMax -= Ctx.Black;
  double sum[4] = {}, count[4] = {};
  if (Ctx.UseAutoWB || (Ctx.UseCameraWB && Ctx.CameraRed == -1)) {
    for (const auto& p : Ctx.Image)
      for (int32_t c = 0; c < Ctx.Colors; ++c) {
        if (p[static_cast<size_t>(c)] == 0) continue;
        int32_t v = p[static_cast<size_t>(c)] - Ctx.Black;
        if (v > Ctx.RgbMax - 100) continue;
        if (v < 0) v = 0;
        sum[c] += v;
        count[c] += 1;
      }
    double mean[4] = {}, max = 0;
    for (int32_t c = 0; c < Ctx.Colors; ++c) {
      mean[c] = count[c] > 0 ? sum[c] / count[c] : 0;
      if (mean[c] > max) max = mean[c];
    }
    // A colour without a counted sample keeps a multiplier of 1.
    for (int32_t c = 0; c < Ctx.Colors; ++c)
      Ctx.PreMul[c] = mean[c] > 0 ? static_cast<float>(max / mean[c]) : 1.0f;
  }
  if (Ctx.UseCameraWB && Ctx.CameraRed != -1) {
    std::memset(sum, 0, sizeof sum);
    std::memset(count, 0, sizeof count);
    for (int32_t r = 0; r < 8; ++r)
      for (int32_t k = 0; k < 8; ++k) {
        const int32_t c = FilterColor(Ctx, r, k);
        count[c] += 1;
        const int32_t v = Ctx.White[r][k] - Ctx.Black;
        if (v > 0) sum[c] += v;
      }
    double mean[4] = {}, min = 1.7e308, max = 0;
    for (int32_t c = 0; c < Ctx.Colors; ++c) {
      if (count[c] == 0) continue;  // not in the sample: a multiplier of 1
      mean[c] = sum[c] / count[c];
      if (mean[c] < min) min = mean[c];
      if (mean[c] > max) max = mean[c];
    }
    if (min > 0 && max > 0) {
      for (int32_t c = 0; c < Ctx.Colors; ++c)
        Ctx.PreMul[c] = count[c] > 0 ? static_cast<float>(max / mean[c]) : 1.0f;
    } else if (Ctx.CameraRed != 0 && Ctx.CameraBlue != 0) {
      Ctx.PreMul[0] = Ctx.CameraRed;
      Ctx.PreMul[1] = 1;
      Ctx.PreMul[2] = Ctx.CameraBlue;
      Ctx.PreMul[3] = 1;
    }
  }
  if (!Ctx.UseCoeff) {
    Ctx.PreMul[0] *= Ctx.RedScale;
    Ctx.PreMul[2] *= Ctx.BlueScale;
  }
  for (auto& p : Ctx.Image)
    for (int32_t c = 0; c < Ctx.Colors; ++c) {
      uint16_t& s = p[static_cast<size_t>(c)];
      if (s == 0) continue;
      double v = std::trunc(static_cast<float>(s - Ctx.Black) * Ctx.PreMul[c]);
      if (v > Ctx.RgbMax) v = Ctx.RgbMax;
      if (v > 65535) v = 65535;  // a tone curve may claim more than a sample holds
      if (!(v >= 0)) v = 0;
      s = static_cast<uint16_t>(v);
    }
}

namespace {

struct Neighbour {
  int64_t Offset;  // in pixels from the centre
  int32_t Color, Shift;
};

struct CellCode {
  std::vector<Neighbour> Neighbours;
  std::vector<std::pair<int32_t, int32_t>> Missing;  // colour, weight
};

}  // namespace

void InterpolateMosaic(TIERawContext& Ctx) {
  CellCode code[8][2];
  for (int32_t row = 0; row < 8; ++row)
    for (int32_t col = 0; col < 2; ++col) {
      CellCode& cc = code[row][col];
      int32_t weight[4] = {};
      for (int32_t y = -1; y <= 1; ++y)
        for (int32_t x = -1; x <= 1; ++x) {
          if (y == 0 && x == 0) continue;
          const int32_t shift = (y == 0) + (x == 0);
          const int32_t color = FilterColor(Ctx, row + y, col + x);
          cc.Neighbours.push_back({int64_t{x} + int64_t{Ctx.Width} * y, color, shift});
          weight[color] += 1 << shift;
        }
      const int32_t own = FilterColor(Ctx, row, col);
      for (int32_t c = 0; c < Ctx.Colors; ++c)
        if (c != own) cc.Missing.emplace_back(c, weight[c]);
    }
  for (int32_t row = 1; row < Ctx.Height - 1; ++row) {
    RawCheckAbort(Ctx);
    for (int32_t col = 1; col < Ctx.Width - 1; ++col) {
      const int64_t at = int64_t{row} * Ctx.Width + col;
      const CellCode& cc = code[row & 7][col & 1];
      int64_t sum[4] = {};
      for (const Neighbour& n : cc.Neighbours)
        sum[n.Color] += int64_t{Ctx.Image[static_cast<size_t>(at + n.Offset)][static_cast<size_t>(n.Color)]} << n.Shift;
      auto& p = Ctx.Image[static_cast<size_t>(at)];
      for (const auto& [c, w] : cc.Missing)
        if (w > 0) p[static_cast<size_t>(c)] = static_cast<uint16_t>(sum[c] / w);
    }
  }
}

void ConvertToRGB(TIERawContext& Ctx) {
  std::memset(Ctx.Histogram, 0, sizeof Ctx.Histogram);
  for (int32_t row = Ctx.Trim; row < Ctx.Height - Ctx.Trim; ++row) {
    RawCheckAbort(Ctx);
    for (int32_t col = Ctx.Trim; col < Ctx.Width - Ctx.Trim; ++col) {
      auto& p = Ctx.Image[static_cast<size_t>(int64_t{row} * Ctx.Width + col)];
      if (Ctx.Colors == 4 && !Ctx.UseCoeff) p[1] = static_cast<uint16_t>((p[1] + p[3]) >> 1);
      float rgb[3];
      bool convert = true;
      if (Ctx.Colors == 1) {
        rgb[0] = rgb[1] = rgb[2] = p[0];
      } else if (Ctx.UseCoeff) {
        for (int32_t r = 0; r < 3; ++r) {
          rgb[r] = 0;
          for (int32_t g = 0; g < Ctx.Colors; ++g) rgb[r] += p[static_cast<size_t>(g)] * Ctx.Coeff[r][g];
        }
      } else if (Ctx.IsCmy) {
        rgb[0] = static_cast<float>(p[0] + p[1] - p[2]);
        rgb[1] = static_cast<float>(p[1] + p[2] - p[0]);
        rgb[2] = static_cast<float>(p[2] + p[0] - p[1]);
      } else {
        convert = false;
      }
      if (convert)
        for (int32_t k = 0; k < 3; ++k) {
          float v = rgb[k];
          if (v > Ctx.RgbMax) v = static_cast<float>(Ctx.RgbMax);
          if (v > 65535) v = 65535;
          if (!(v >= 0)) v = 0;
          p[static_cast<size_t>(k)] = static_cast<uint16_t>(v);
        }
      const double p0 = p[0], p1 = p[1], p2 = p[2];
      double mag = std::sqrt(p0 * p0 + p1 * p1 + p2 * p2) / 2;
      if (mag > 65535) mag = 65535;
      p[3] = static_cast<uint16_t>(mag);
      ++Ctx.Histogram[p[3] >> 3];
    }
  }
}

void ComputeCmygCoeff(TIERawContext& Ctx) {
  static const double kG[4][3] = {{0.11, 0.86, 0.08}, {0.50, 0.29, 0.51}, {0.11, 0.92, 0.75}, {0.81, 0.98, 0.08}};
  std::memset(Ctx.Coeff, 0, sizeof Ctx.Coeff);
  double coeff[3][4] = {};
  for (int32_t o = 0; o < 4; ++o) {
    double m[3][6];
    int32_t g[3];
    for (int32_t j = 0; j < 3; ++j) {
      g[j] = j < o ? j : j + 1;
      for (int32_t k = 0; k < 3; ++k) {
        m[j][k] = kG[g[j]][k];
        m[j][k + 3] = k == j ? 1 : 0;
      }
    }
    for (int32_t j = 0; j < 3; ++j) {
      const double d = m[j][j];
      for (int32_t k = 0; k < 6; ++k) m[j][k] /= d;
      for (int32_t i = 0; i < 3; ++i) {
        if (i == j) continue;
        const double f = m[i][j];
        for (int32_t k = 0; k < 6; ++k) m[i][k] -= f * m[j][k];
      }
    }
    for (int32_t j = 0; j < 3; ++j)
      for (int32_t r = 0; r < 3; ++r) coeff[r][g[j]] += m[r][j + 3];
  }
  for (int32_t r = 0; r < 3; ++r) {
    const double s = coeff[r][0] + coeff[r][1] + coeff[r][2] + coeff[r][3];
    for (int32_t k = 0; k < 4; ++k) Ctx.Coeff[r][k] = static_cast<float>(coeff[r][k] / s);
  }
  Ctx.UseCoeff = true;
}
