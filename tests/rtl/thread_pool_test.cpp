#include "rtl/TThreadPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

TEST(TThreadPool, EveryIndexRunsOnceInBandsOfAtLeastMinBand) {
  TThreadPool pool(3);
  for (int64_t count : {1, 7, 100, 1001}) {
    for (int64_t min_band : {1, 16}) {
      std::vector<std::atomic<int>> hits(static_cast<size_t>(count));
      std::atomic<int> short_bands{0};
      pool.ParallelFor(count, min_band, [&](int64_t first, int64_t last) {
        if (last - first < min_band && last != count) ++short_bands;
        for (int64_t i = first; i < last; ++i) ++hits[static_cast<size_t>(i)];
      });
      for (auto& h : hits) ASSERT_EQ(h.load(), 1) << count << " " << min_band;
      EXPECT_EQ(short_bands.load(), 0);
    }
  }
}

TEST(TThreadPool, ErrorsComeBackAndNestedLoopsRunInTheirBand) {
  TThreadPool pool(2);
  EXPECT_THROW(pool.ParallelFor(100, 1,
                                [](int64_t first, int64_t) {
                                  if (first > 50) throw std::runtime_error("band");
                                }),
               std::runtime_error);
  // The pool is usable again, and a loop inside a band does not wait for it.
  std::atomic<int64_t> total{0};
  pool.ParallelFor(8, 1, [&](int64_t first, int64_t last) {
    for (int64_t i = first; i < last; ++i)
      pool.ParallelFor(10, 1, [&](int64_t a, int64_t b) { total += b - a; });
  });
  EXPECT_EQ(total.load(), 80);
  // With one thread allowed, the caller runs the whole range as one band.
  pool.SetMaxThreads(1);
  int bands = 0;
  pool.ParallelFor(1000, 1, [&](int64_t, int64_t) { ++bands; });
  EXPECT_EQ(bands, 1);
}
