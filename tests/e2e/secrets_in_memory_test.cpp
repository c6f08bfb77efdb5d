// After an encrypted picture is opened and closed, the process's readable
// memory holds neither its pass phrase nor its pixels.
//
// The test must not hold them itself: the encrypted file is made in a forked
// child, the phrase is typed one character at a time, and the needles are
// built only after closing, in a mapping the scan leaves out.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <sstream>

#include "tests/e2e/ProgramTestSupport.h"

#include "crypto/TCipherManager.h"
#include "crypto/THashManager.h"
#include "platform/Backend.h"
#include "rtl/TStream.h"
#include "toolbar/TTBKItem.h"

namespace {

constexpr int32_t kPhraseLength = 27;
constexpr int32_t kSide = 64;
// The needle's pixels: 16 of the middle of one row.
constexpr int32_t kNeedleRow = 23, kNeedleX = 20, kNeedlePixels = 16;

// Character I of the pass phrase, a lower-case letter.
char PhraseChar(int32_t I) { return char('a' + (I * 11 + 7) % 26); }

// Byte I of the marker picture's pixel data (bottom-up BGR rows), from a
// generator nothing else in the program produces.
uint8_t MarkerByte(uint32_t I) {
  uint32_t x = I * 2654435761u + 0x9E3779B9u;
  x ^= x >> 15;
  x *= 0x85EBCA6Bu;
  x ^= x >> 13;
  return uint8_t(x >> 5);
}

void Put16(std::string& S, uint16_t V) { S.append({char(V & 0xFF), char(V >> 8)}); }
void Put32(std::string& S, uint32_t V) {
  Put16(S, uint16_t(V & 0xFFFF));
  Put16(S, uint16_t(V >> 16));
}

// In a child process: the marker picture as a 24-bit bitmap file, encrypted
// under the phrase with "RC4" (the dialog's first choice) into Path.
void MakeEncryptedMarkerInChild(const std::string& Path) {
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const uint32_t rowLen = kSide * 3, dataLen = rowLen * kSide;
    std::string file = "BM";
    Put32(file, 54 + dataLen);
    Put32(file, 0);
    Put32(file, 54);
    Put32(file, 40);
    Put32(file, kSide);
    Put32(file, kSide);
    Put16(file, 1);
    Put16(file, 24);
    for (uint32_t v : {0u, dataLen, 2835u, 2835u, 0u, 0u}) Put32(file, v);
    for (uint32_t i = 0; i < dataLen; ++i) file += char(MarkerByte(i));
    std::string phrase;
    for (int32_t i = 0; i < kPhraseLength; ++i) phrase += PhraseChar(i);
    THashManager hashes(nullptr);
    TCipherManager ciphers(nullptr);
    ciphers.SetHashManager(&hashes);
    ciphers.SetAlgorithm("RC4");
    ciphers.InitKey(phrase, nullptr);
    TMemoryStream plain, coded;
    plain.WriteBuffer(file.data(), int64_t(file.size()));
    plain.SetPosition(0);
    ciphers.GetCipher()->ProcessStream(&plain, &coded, plain.Size(), caEncode);
    TFileStream out(Path, fmCreate);
    out.WriteBuffer(coded.Memory(), coded.Size());
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Scratch memory of the scan, left out of it: the needles and the read buffer.
struct TScratch {
  static constexpr size_t kSize = size_t{2} << 20;
  static constexpr size_t kChunk = size_t{1} << 20;
  uint8_t* base = static_cast<uint8_t*>(
      mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ~TScratch() {
    std::memset(base, 0, kSize);
    munmap(base, kSize);
  }
  uint8_t* needles() { return base; }
  uint8_t* chunk() { return base + (size_t{1} << 19); }
};

// A pattern of Count units of Width bytes, Stride bytes apart in memory.
struct TNeedle {
  const char* name;
  const uint8_t* bytes;
  int32_t width, count, stride;
  size_t span() const { return size_t(stride) * size_t(count - 1) + size_t(width); }
  bool At(const uint8_t* P) const {
    for (int32_t i = 0; i < count; ++i)
      if (std::memcmp(P + size_t(i) * size_t(stride), bytes + size_t(i) * size_t(width), size_t(width)) != 0)
        return false;
    return true;
  }
};

// Every place in readable memory (outside Skip) where a needle lies, as
// "needle in region+offset" lines.
std::vector<std::string> FindInMemory(const std::vector<TNeedle>& Needles, TScratch& Scratch) {
  std::vector<std::string> found;
  const int mem = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
  if (mem < 0) {
    found.push_back("cannot open /proc/self/mem");
    return found;
  }
  std::ifstream maps("/proc/self/maps");
  std::vector<std::string> lines;
  for (std::string line; std::getline(maps, line);) lines.push_back(line);
  size_t longest = 0;
  for (const TNeedle& n : Needles) longest = std::max(longest, n.span());
  const auto skipFrom = reinterpret_cast<uintptr_t>(Scratch.base);
  const auto skipTo = skipFrom + TScratch::kSize;
  for (const std::string& line : lines) {
    std::istringstream in(line);
    std::string range, perms, offset, dev, inode, path;
    in >> range >> perms >> offset >> dev >> inode;
    std::getline(in, path);
    if (perms.empty() || perms[0] != 'r' || path.find("[vvar]") != std::string::npos ||
        path.find("[vsyscall]") != std::string::npos)
      continue;
    const uintptr_t from = std::stoull(range.substr(0, range.find('-')), nullptr, 16);
    const uintptr_t to = std::stoull(range.substr(range.find('-') + 1), nullptr, 16);
    // The sanitizer's shadow and reserved ranges are vast and hold no data.
    if (to - from > (uintptr_t{1} << 30)) continue;
    if (from < skipTo && skipFrom < to) continue;
    for (uintptr_t at = from; at < to;) {
      const size_t want = std::min<uintptr_t>(TScratch::kChunk, to - at);
      const ssize_t got = ::pread(mem, Scratch.chunk(), want, off_t(at));
      if (got <= 0) break;
      const uint8_t* c = Scratch.chunk();
      for (const TNeedle& n : Needles) {
        const size_t span = n.span();
        for (size_t i = 0; i + span <= size_t(got); ++i)
          if (c[i] == n.bytes[0] && n.At(c + i)) {
            std::ostringstream where;
            where << n.name << " at 0x" << std::hex << at + i << " in" << path;
            found.push_back(where.str());
          }
      }
      // Chunks overlap by a needle, so one lying across a border is seen.
      if (size_t(got) < want || to - at <= want) break;
      at += want - longest;
    }
  }
  ::close(mem);
  return found;
}

}  // namespace

TEST_F(ProgramTest, ClosingAnEncryptedPictureLeavesNeitherItsPhraseNorItsPixelsInMemory) {
  const std::string secret = dir_ + "/pics/secret.bmp";
  MakeEncryptedMarkerInChild(secret);
  StartProgram();
  WithSteps({[] {
              ASSERT_EQ(Screen->ActiveForm(), frmPassword);
              for (int32_t i = 0; i < kPhraseLength; ++i) {
                InjectChar(uint8_t(PhraseChar(i)));
                Application->ProcessMessages();
              }
              InjectKey(VK_RETURN, true);
              InjectKey(VK_RETURN, false);
              Application->ProcessMessages();
            }},
            [&] { frmMain->OpenImage(secret); });
  ASSERT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [secret.bmp]") << "the typed phrase opens the picture";
  // A turn moves the picture to new storage and frees or leaves the old.
  frmMain->btnRotRight->Click();
  frmMain->btnClear->Click();
  Pump();

  TScratch scratch;
  ASSERT_NE(scratch.base, MAP_FAILED);
  uint8_t* phrase = scratch.needles();
  for (int32_t i = 0; i < kPhraseLength; ++i) phrase[i] = uint8_t(PhraseChar(i));
  // The needle's pixels in the file's order (blue, green, red) and turned
  // round (red, green, blue).
  uint8_t* bgr = phrase + 64;
  uint8_t* rgb = bgr + 3 * kNeedlePixels;
  const uint32_t first = uint32_t(kSide - 1 - kNeedleRow) * kSide * 3 + kNeedleX * 3;
  for (int32_t i = 0; i < 3 * kNeedlePixels; ++i) bgr[i] = MarkerByte(first + uint32_t(i));
  for (int32_t p = 0; p < kNeedlePixels; ++p)
    for (int32_t c = 0; c < 3; ++c) rgb[3 * p + c] = bgr[3 * p + 2 - c];
  const std::vector<TNeedle> needles = {
      {"the phrase", phrase, kPhraseLength, 1, kPhraseLength},
      {"24-bit pixels", bgr, 3, kNeedlePixels, 3},
      {"24-bit pixels turned round", rgb, 3, kNeedlePixels, 3},
      {"32-bit pixels", bgr, 3, kNeedlePixels, 4},
      {"32-bit pixels turned round", rgb, 3, kNeedlePixels, 4},
  };

  // The scan sees the heap: a copy put there on purpose is found.
  {
    std::vector<uint8_t> planted(bgr, bgr + 3 * kNeedlePixels);
    const auto seen = FindInMemory({needles[1]}, scratch);
    EXPECT_GE(seen.size(), 1u) << "the scan misses a copy in the heap";
    std::memset(planted.data(), 0, planted.size());
    asm volatile("" : : "r"(planted.data()) : "memory");
  }

  const auto found = FindInMemory(needles, scratch);
  std::string list;
  for (const std::string& f : found) list += "\n  " + f;
  EXPECT_TRUE(found.empty()) << "left in memory:" << list;
}
