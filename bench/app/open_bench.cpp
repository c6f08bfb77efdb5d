// Opening a 6000 x 4000 (24-megapixel) JPEG in the main window, plain and
// encrypted under the default cipher ("RC4"), in one run. The encrypted open
// is the whole road: the failed plain load, the decryption in memory and the
// load of the decrypted bytes, with the pass phrase from the main window's
// box. The ratio encrypted / plain is printed at the end (aim: at most 1.3),
// and so is the plain open beside the bare decode of the same file into an
// image without a view: what the road adds to the reader's own work (the
// view's display bitmap, fitting, the status bar).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "app/TAppImago.h"
#include "app/CipherList.h"
#include "app/Program.h"
#include "app/TfrmMain.h"
#include "crypto/TCipherManager.h"
#include "crypto/THashManager.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "platform/Backend.h"
#include "toolbar/TTBKCheckBox.h"
#include "ui/TApplication.h"
#include "ui/TComboBox.h"
#include "ui/TEdit.h"

namespace {
constexpr int kW = 6000, kH = 4000;
constexpr const char* kPhrase = "a pass phrase for the benchmark";

struct TFixture {
  std::string dir, plain, coded;
  TFixture() {
    char tmpl[] = "/tmp/nobrivo-app-bench-XXXXXX";
    const char* d = mkdtemp(tmpl);
    dir = d ? d : "/tmp";
    setenv("NOBRIVO_CONFIG_DIR", (dir + "/config").c_str(), 1);
    plain = dir + "/plain.jpg";
    coded = dir + "/coded.jpg";
    {
      TImagoIO io(nullptr);
      TIEBitmap* b = io.IEBitmap();
      b->MemoryThreshold = int64_t{1} << 40;
      b->Allocate(kW, kH, ieRGB24);
      for (int y = 0; y < kH; ++y) {
        uint8_t* row = b->GetScanline(y);
        for (int x = 0; x < kW; ++x) {
          row[x * 3] = static_cast<uint8_t>(x / 24 + (x * y) % 7);
          row[x * 3 + 1] = static_cast<uint8_t>(y / 16 + x % 5);
          row[x * 3 + 2] = static_cast<uint8_t>((x + y) / 40);
        }
      }
      io.Params()->JpegQuality = 90;
      io.SaveToFile(plain);
    }
    THashManager hash(nullptr);
    TCipherManager cipher(nullptr);
    cipher.SetHashManager(&hash);
    cipher.SetAlgorithm(kCipherNames[kDefaultCipher]);
    cipher.InitKey(kPhrase, nullptr);
    cipher.EncodeFile(plain, coded);
    cipher.SetHashManager(nullptr);

    std::string reason;
    InitPlatformWith("headless", &reason);
    InitControls();
    CreateProgramWindows();
    frmMain->Show();
    Application->ProcessMessages();
    frmMain->cbCipher->SetItemIndex(kDefaultCipher);
    frmMain->edPassword->SetText(kPhrase);
    frmMain->cbPassWordMain->SetChecked(true);
  }
  ~TFixture() {
    DoneControls();
    ShutdownPlatform();
    std::filesystem::remove_all(dir);
  }
};

TFixture& Fixture() {
  static TFixture f;
  return f;
}

std::map<std::string, double>& Seconds() {
  static std::map<std::string, double> m;
  return m;
}

void Open(benchmark::State& state, const std::string& name, const std::string& file) {
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    frmMain->OpenImage(file);
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (frmMain->Caption() == kTitle) {
      state.SkipWithError(("failed: " + name).c_str());
      return;
    }
    state.SetIterationTime(t);
    auto& s = Seconds()[name];
    s = s == 0 ? t : std::min(s, t);
  }
}

void OpenPlain(benchmark::State& state) { Open(state, "plain", Fixture().plain); }

void DecodePlain(benchmark::State& state) {
  const std::string file = Fixture().plain;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    TImagoIO io(nullptr);
    io.IEBitmap()->MemoryThreshold = int64_t{1} << 40;
    io.LoadFromFile(file);
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (io.Aborted() || io.IEBitmap()->Width() != kW) {
      state.SkipWithError("failed: decode");
      return;
    }
    state.SetIterationTime(t);
    auto& s = Seconds()["decode"];
    s = s == 0 ? t : std::min(s, t);
  }
}
void OpenEncrypted(benchmark::State& state) { Open(state, "encrypted", Fixture().coded); }
}  // namespace

BENCHMARK(DecodePlain)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(OpenPlain)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(OpenEncrypted)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  const auto& s = Seconds();
  if (s.count("plain") && s.count("encrypted"))
    std::printf("encrypted / plain open (best of 5): %.2f (aim: at most 1.30)\n",
                s.at("encrypted") / s.at("plain"));
  if (s.count("plain") && s.count("decode"))
    std::printf("plain open / bare decode (best of 5): %.2f (%.0f ms beside %.0f ms)\n",
                s.at("plain") / s.at("decode"), s.at("plain") * 1000, s.at("decode") * 1000);
  benchmark::Shutdown();
  return 0;
}
