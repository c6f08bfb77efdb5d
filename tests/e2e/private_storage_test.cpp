// A decrypted picture leaves no plain pixels in temporary storage: its rows
// and those of its undo copy go to temporary files encrypted.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "tests/e2e/ProgramTestSupport.h"

#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImago.h"
#include "toolbar/TTBKItem.h"

namespace {

// Every temporary image file this process holds open, read whole.
std::vector<std::string> TemporaryImageFiles() {
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ec;
    const std::string target = std::filesystem::read_symlink(e.path(), ec).string();
    if (ec || target.find("/IMG-") == std::string::npos) continue;
    const int fd = std::atoi(e.path().filename().c_str());
    struct stat st;
    if (::fstat(fd, &st) != 0) continue;
    std::string data(static_cast<size_t>(st.st_size), '\0');
    const ssize_t got = ::pread(fd, data.data(), data.size(), 0);
    data.resize(got > 0 ? static_cast<size_t>(got) : 0);
    files.push_back(std::move(data));
  }
  return files;
}

struct ThresholdScope {
  explicit ThresholdScope(int64_t v) : saved(GlobalMemoryThreshold()) { SetGlobalMemoryThreshold(v); }
  ~ThresholdScope() { SetGlobalMemoryThreshold(saved); }
  int64_t saved;
};

}  // namespace

TEST_F(ProgramTest, AfterRotatingADecryptedPictureNoTemporaryFileHoldsAPlainRow) {
  const std::string photo = dir_ + "/pics/photo.png";
  if (!MakeImage(photo, "plasma:fractal", "64x48")) GTEST_SKIP() << "ImageMagick is not installed";
  ThresholdScope scope(1);  // every image of the program goes to a temporary file
  StartProgram();
  const std::string secret = dir_ + "/pics/secret.png";
  UseFileDialogs(photo, secret);
  frmMain->btnLoad->Click();
  WithSteps({AnswerPassword(21, "phrase")}, [] { frmMain->btnSaveCrypted->Click(); });
  frmMain->btnClear->Click();
  WithSteps({AnswerPassword(21, "phrase")}, [&] { frmMain->OpenImage(secret); });
  ASSERT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [secret.png]");

  TIEBitmap* bmp = frmMain->Imago1->GetIEBitmap();
  std::vector<std::string> rows;
  auto take_rows = [&] {
    for (int32_t y = 0; y < bmp->Height(); ++y)
      rows.emplace_back(reinterpret_cast<const char*>(bmp->GetScanline(y)), size_t(bmp->Width()) * 3);
    bmp->UnmapRows();
  };
  take_rows();
  frmMain->btnRotRight->Click();
  ASSERT_EQ(bmp->Width(), 48);
  take_rows();

  const auto files = TemporaryImageFiles();
  ASSERT_FALSE(files.empty()) << "the picture lives in a temporary file";
  size_t bytes = 0;
  for (const std::string& f : files) {
    bytes += f.size();
    for (size_t r = 0; r < rows.size(); ++r)
      ASSERT_EQ(f.find(rows[r]), std::string::npos) << "plain row " << r << " in a temporary file";
  }
  EXPECT_GE(bytes, size_t{64} * 48 * 3);
}
