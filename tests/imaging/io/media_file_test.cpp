// Media files through the video graph: an AVI file's frame count, frame
// delay and frames, the same frames as the AVI road gives; other media and
// missing files report that they cannot be played; the video format names.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "AviTestSupport.h"
#include "imaging/io/IEFormats.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"

namespace fs = std::filesystem;

namespace {

class MediaFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("nbv-media-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Write(const std::vector<uint8_t>& Data, const std::string& Name) {
    const std::string path = (dir_ / Name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(Data.data()),
                                                static_cast<std::streamsize>(Data.size()));
    return path;
  }
  fs::path dir_;
};

bool SamePixels(TIEBitmap* a, TIEBitmap* b) {
  if (a->Width() != b->Width() || a->Height() != b->Height() || a->PixelFormat() != b->PixelFormat())
    return false;
  for (int32_t y = 0; y < a->Height(); ++y)
    if (std::memcmp(a->GetScanline(y), b->GetScanline(y), static_cast<size_t>(a->Width()) * 3) != 0)
      return false;
  return true;
}

}  // namespace

TEST_F(MediaFile, AnAviFilePlaysFrameByFrame) {
  const std::string file = Write(avi::RunLengthAVI(), "clip.avi");  // 8 x 4, 2 frames at 25 a second
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  EXPECT_FALSE(io->IsMediaFileOpen());
  ASSERT_EQ(io->OpenMediaFile(file), 2);
  EXPECT_TRUE(io->IsMediaFileOpen());
  EXPECT_FALSE(io->Aborted());
  EXPECT_EQ(io->Params()->MediaFileFrameCount, 2);
  EXPECT_EQ(io->Params()->Width, 8);
  EXPECT_EQ(io->Params()->Height, 4);
  EXPECT_EQ(io->Params()->FileName, file);

  TOwned<TImagoIO> avi(new TImagoIO(nullptr));
  ASSERT_EQ(avi->OpenAVIFile(file), 2);
  for (int32_t i : {1, 0, 5}) {
    SCOPED_TRACE(i);
    io->LoadMediaFileFrame(i);
    EXPECT_EQ(io->Params()->ImageIndex, i);
    EXPECT_EQ(io->Params()->TiffImageIndex, i);
    // 25 frames a second: 4 hundredths of a second a frame.
    EXPECT_EQ(io->Params()->MediaFileFrameDelay, 4);
    avi->LoadAVIFrame(i > 1 ? 1 : i);  // past the end: the last frame
    avi->IEBitmap()->SetPixelFormat(ieRGB24);
    EXPECT_TRUE(SamePixels(io->IEBitmap(), avi->IEBitmap()));
  }
  io->CloseMediaFile();
  EXPECT_FALSE(io->IsMediaFileOpen());
  EXPECT_EQ(CountFileImages(file), 2);
}

TEST_F(MediaFile, OtherMediaAreNotAvailable) {
  // A stream of a coding no decoder here reads: its fourcc made unknown.
  std::vector<uint8_t> other = avi::RunLengthAVI();
  bool changed = false;
  for (size_t i = 0; i + 4 <= other.size(); ++i)
    if (std::memcmp(&other[i], "strf", 4) == 0) {
      std::memcpy(&other[i + 8 + 16], "XVID", 4);  // the compression of the format
      changed = true;
    }
  ASSERT_TRUE(changed);
  const std::string cases[] = {Write(other, "x.avi"), Write({'n', 'o', 't'}, "x.mpg"),
                               (dir_ / "missing.avi").string()};
  for (const std::string& f : cases) {
    SCOPED_TRACE(f);
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    io->IEBitmap()->Allocate(3, 3, ieRGB24);
    EXPECT_EQ(io->OpenMediaFile(f), 0);
    EXPECT_TRUE(io->Aborted());
    EXPECT_FALSE(io->IsMediaFileOpen());
    io->LoadMediaFileFrame(0);  // nothing open: nothing happens
    EXPECT_EQ(io->IEBitmap()->Width(), 3);
    EXPECT_EQ(CountFileImages(f), 0);
    TIEDirectShow graph;
    graph.FileName = f;
    EXPECT_FALSE(graph.BuildGraph());
    EXPECT_STREQ(graph.UnavailableReason(), kMediaNotAvailable);
  }
}

TEST(VideoFormats, NamesOfTheSubtypes) {
  auto code = [](const char* c) {
    return static_cast<uint32_t>(c[0] | c[1] << 8 | c[2] << 16 | static_cast<uint32_t>(c[3]) << 24);
  };
  EXPECT_EQ(kVideoSubtypeNames.size(), 36u);
  EXPECT_EQ(VideoFormatName(code("MJPG"), 24), "MJPG");
  EXPECT_EQ(VideoFormatName(code("Plum"), 24), "Plum");
  EXPECT_EQ(VideoFormatName(code("YUY2"), 16), "YUY2");
  EXPECT_EQ(VideoFormatName(code("IA44"), 8), "IA44");
  EXPECT_EQ(VideoFormatName(code("XVID"), 24), "");
  EXPECT_EQ(VideoFormatName(code("RGB8"), 8), "");  // RGB subtypes have no code
  EXPECT_EQ(VideoFormatName(1, 8), "");  // 8-bit run-length is not in the table
  EXPECT_EQ(VideoFormatName(0, 24), "RGB24");
  EXPECT_EQ(VideoFormatName(0, 16), "RGB555");
  EXPECT_EQ(VideoFormatName(3, 16), "RGB565");
  EXPECT_EQ(VideoFormatName(0, 8), "RGB8");
}
