// The input/output component: dispatch by name, type and content, the
// failure rule, notices, view attachment; the registry and detection; the
// parameter record.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "BmpTestSupport.h"
#include "imaging/io/IEFormats.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/PixelHelpers.h"
#include "rtl/Exception.h"
#include "rtl/FileUtils.h"
#include "rtl/TStream.h"
#include "ui/TBitmap.h"
#include "ui/TImage.h"

namespace fs = std::filesystem;

namespace {

// A view with an image of its own that counts what the component asks of it.
class FakeView : public TIEView {
 public:
  explicit FakeView(TComponent* Owner) : TIEView(Owner) {}
  TIEBitmap* GetIEBitmap() override { return &image; }
  void Update() override { ++updates; }
  void ImageChange() override { ++changes; }
  TIEBitmap image;
  int updates = 0, changes = 0;
};

class TempDir {
 public:
  TempDir() {
    path_ = fs::temp_directory_path() / ("nbv-io-" + std::to_string(::getpid()) + "-" +
                                         std::to_string(counter_++));
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
  static inline int counter_ = 0;
};

void WriteFile(const std::string& name, const std::vector<uint8_t>& data) {
  std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(data.data()),
                                              static_cast<std::streamsize>(data.size()));
}

std::vector<uint8_t> SmallBMP(int w = 3, int h = 2) {
  BmpSpec s;
  s.width = w;
  s.height = h;
  s.ppm = 3780;
  const int64_t row = (w * 3 + 3) / 4 * 4;
  s.pixels.assign(static_cast<size_t>(row * h), 0);
  for (int i = 0; i < w * 3; ++i) s.pixels[i] = static_cast<uint8_t>(i * 20);
  return BuildBMP(s);
}

// Records the notices of one component.
struct Notices {
  explicit Notices(TImagoIO& io) {
    io.OnFinishWork = [this](TObject*) { ++finished; };
    io.OnProgress = [this](TObject*, int32_t p) { progress.push_back(p); };
  }
  int finished = 0;
  std::vector<int32_t> progress;
};

}  // namespace

TEST(TImagoIO, LoadsBMPByNameStreamAndBuffer) {
  TempDir dir;
  const auto bytes = SmallBMP();
  WriteFile(dir.File("a.BMP"), bytes);
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  Notices n(*io);
  io->LoadFromFile(dir.File("a.BMP"));
  EXPECT_FALSE(io->Aborted());
  EXPECT_EQ(n.finished, 1);
  ASSERT_FALSE(n.progress.empty());
  EXPECT_EQ(n.progress.back(), 100);
  EXPECT_EQ(io->IEBitmap()->Width(), 3);
  EXPECT_EQ(io->IEBitmap()->GetPixelRGB(1, 1), MakeRGB(100, 80, 60));
  EXPECT_EQ(io->Params()->FileType, ieftBMP);
  EXPECT_EQ(io->Params()->FileName, dir.File("a.BMP"));
  EXPECT_EQ(io->Params()->DpiX(), 96);

  TIEMemStream s(bytes.data(), static_cast<int64_t>(bytes.size()));
  io->LoadFromStream(&s);
  EXPECT_FALSE(io->Aborted());
  EXPECT_EQ(io->Params()->FileName, "");
  EXPECT_EQ(io->Params()->FileType, ieftBMP);

  io->IEBitmap()->Allocate(1, 1, ieRGB24);
  io->LoadFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()), 0);
  EXPECT_FALSE(io->Aborted());
  EXPECT_EQ(io->IEBitmap()->Width(), 3);
  io->LoadFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()), ieftBMP);
  EXPECT_FALSE(io->Aborted());

  // By content: the extension does not matter.
  WriteFile(dir.File("b.png"), bytes);
  io->LoadFromFileByContent(dir.File("b.png"));
  EXPECT_FALSE(io->Aborted());
  EXPECT_EQ(io->Params()->FileType, ieftBMP);
  EXPECT_EQ(n.finished, 5);
}

// Every load or save that does not complete sets Aborted and fires the
// finish notice.
TEST(TImagoIO, EveryFailureAbortsAndFinishes) {
  TempDir dir;
  const auto bytes = SmallBMP();
  WriteFile(dir.File("ok.bmp"), bytes);
  WriteFile(dir.File("x.unknown"), bytes);
  WriteFile(dir.File("bad.bmp"), {'B', 'M', 1, 2, 3});
  std::vector<uint8_t> garbage(100, 0x55);
  WriteFile(dir.File("g.tif"), garbage);

  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  Notices n(*io);
  auto fails = [&](const char* what, auto op) {
    io->LoadFromFile(dir.File("ok.bmp"));
    ASSERT_FALSE(io->Aborted());
    const int before = n.finished;
    op();
    EXPECT_TRUE(io->Aborted()) << what;
    EXPECT_EQ(n.finished, before + 1) << what;
  };
  fails("unknown extension", [&] { io->LoadFromFile(dir.File("x.unknown")); });
  fails("empty name", [&] { io->LoadFromFile(""); });
  fails("web address", [&] { io->LoadFromFile("HTTP://example/x.bmp"); });
  fails("video", [&] { io->LoadFromFile(dir.File("x.AVI")); });
  fails("bad data", [&] { io->LoadFromFile(dir.File("bad.bmp")); });
  fails("format without a reader here", [&] { io->LoadFromFile(dir.File("g.tif")); });
  fails("unknown type id", [&] { io->LoadFromFileOfType(dir.File("ok.bmp"), 999); });
  fails("unrecognised content", [&] {
    TIEMemStream s(garbage.data(), 100);
    io->LoadFromStream(&s);
  });
  fails("unrecognised buffer", [&] { io->LoadFromBuffer(garbage.data(), 100, 0); });
  fails("save without a name", [&] { io->SaveToFile(""); });
  fails("save to an unknown extension", [&] { io->SaveToFile(dir.File("x.zzz")); });
  fails("save to a format without a writer", [&] { io->SaveToFile(dir.File("x.cur")); });
  fails("stream save of an unknown type", [&] {
    TMemoryStream m;
    io->SaveToStream(&m, 999);
  });
  EXPECT_FALSE(fs::exists(dir.File("x.zzz")));
  EXPECT_FALSE(fs::exists(dir.File("x.cur")));

  // A file that cannot be opened raises, with the flag set and the notice fired.
  const int before = n.finished;
  EXPECT_THROW(io->LoadFromFile(dir.File("missing.bmp")), EFOpenError);
  EXPECT_TRUE(io->Aborted());
  EXPECT_EQ(n.finished, before + 1);
}

TEST(TImagoIO, ProgressHandlerStopsTheLoad) {
  TempDir dir;
  WriteFile(dir.File("tall.bmp"), SmallBMP(4, 50));
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  int finished = 0;
  std::vector<int32_t> seen;
  io->OnFinishWork = [&](TObject*) { ++finished; };
  io->OnProgress = [&](TObject*, int32_t p) {
    seen.push_back(p);
    if (p >= 10 && p < 100) io->SetAborted(true);
  };
  io->LoadFromFile(dir.File("tall.bmp"));
  EXPECT_TRUE(io->Aborted());
  EXPECT_EQ(finished, 1);
  // Reports 0, 2, .., 10, then stops; DoFinishWork adds 100.
  EXPECT_EQ(seen.size(), 7u);
  EXPECT_EQ(seen.back(), 100);
}

TEST(TImagoIO, SavesBMPAndReadsParams) {
  TempDir dir;
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->IEBitmap()->Allocate(5, 4, ieRGB24);
  io->IEBitmap()->SetRGB24(2, 3, MakeRGB(1, 2, 3));
  Notices n(*io);
  for (const char* name : {"s.bmp", "s.DIB", "s.rle"}) {
    io->SaveToFile(dir.File(name));
    EXPECT_FALSE(io->Aborted()) << name;
    EXPECT_EQ(io->Params()->FileName, dir.File(name));
    EXPECT_EQ(FindFileFormat(dir.File(name), true), ieftBMP) << name;
  }
  EXPECT_EQ(n.finished, 3);

  TMemoryStream m;
  io->SaveToStream(&m, ieftBMP);
  EXPECT_FALSE(io->Aborted());
  EXPECT_EQ(m.Size(), fs::file_size(dir.File("s.bmp")));

  TOwned<TImagoIO> other(new TImagoIO(nullptr));
  other->ReadParamsFromFile(dir.File("s.bmp"));
  EXPECT_FALSE(other->Aborted());
  EXPECT_EQ(other->Params()->FileType, ieftBMP);
  EXPECT_EQ(other->Params()->Width, 5);
  EXPECT_EQ(other->Params()->Height, 4);
  EXPECT_EQ(other->IEBitmap()->Width(), 0);  // the image is not read

  m.SetPosition(0);
  other->ReadParamsFromStream(&m);
  EXPECT_EQ(other->Params()->FileType, ieftBMP);

  // A missing file leaves type 0 and raises nothing.
  other->ReadParamsFromFile(dir.File("none.bmp"));
  EXPECT_EQ(other->Params()->FileType, 0);
  EXPECT_TRUE(other->Aborted());

  other->LoadFromFile(dir.File("s.rle"));
  EXPECT_EQ(other->IEBitmap()->GetPixelRGB(2, 3), MakeRGB(1, 2, 3));
}

TEST(TImagoIO, AttachedViewGetsImageResolutionAndNotices) {
  TempDir dir;
  WriteFile(dir.File("v.bmp"), SmallBMP());
  TOwned<FakeView> view(new FakeView(nullptr));
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->SetAttachedImago(view.get());
  EXPECT_EQ(io->IEBitmap(), &view->image);
  EXPECT_FALSE(io->OwnsBitmap());
  EXPECT_EQ(view->BitmapChangeHandlerCount(), 1);
  io->LoadFromFile(dir.File("v.bmp"));
  EXPECT_EQ(view->image.Width(), 3);
  EXPECT_EQ(view->DpiX(), 96);
  EXPECT_EQ(view->updates, 1);
  EXPECT_EQ(view->changes, 1);

  // Resolution setters of the record reach the view.
  io->Params()->SetDpiX(72);
  EXPECT_EQ(view->DpiX(), 72);
  EXPECT_DOUBLE_EQ(io->Params()->EXIFXResolution(), 72.0);

  // Background is the view's while attached.
  view->SetBackground(0x123456);
  io->SetBackground(7);
  EXPECT_EQ(io->Background(), 0x123456);

  // A view's image change hands the component the new image and resolution.
  view->SetDpi(200, 0);
  view->CallBitmapChangeHandlers();
  EXPECT_EQ(io->Params()->DpiX(), 200);

  // The view goes away: the component forgets it and works on its own image.
  view.reset();
  EXPECT_EQ(io->AttachedImago(), nullptr);
  ASSERT_NE(io->IEBitmap(), nullptr);
  EXPECT_TRUE(io->OwnsBitmap());
  io->LoadFromFile(dir.File("v.bmp"));
  EXPECT_FALSE(io->Aborted());

  // The component goes away: its handler leaves the view.
  TOwned<FakeView> view2(new FakeView(nullptr));
  {
    TOwned<TImagoIO> io2(new TImagoIO(nullptr));
    io2->SetAttachedImago(view2.get());
    EXPECT_EQ(view2->BitmapChangeHandlerCount(), 1);
  }
  EXPECT_EQ(view2->BitmapChangeHandlerCount(), 0);

  // A lent bitmap.
  TIEBitmap lent;
  io->AttachIEBitmap(&lent);
  io->LoadFromFile(dir.File("v.bmp"));
  EXPECT_EQ(lent.Width(), 3);
  EXPECT_FALSE(io->OwnsBitmap());
}

TEST(TIEView, HandlerListAndResolution) {
  TOwned<TIEView> view(new TIEView(nullptr));
  struct Log {
    std::vector<bool> calls;
  } log;
  auto proc = [](void* d, TIEView*, bool destroying) { static_cast<Log*>(d)->calls.push_back(destroying); };
  auto h1 = view->AddBitmapChangeHandler(proc, &log);
  auto h2 = view->AddBitmapChangeHandler(proc, &log);
  view->CallBitmapChangeHandlers();
  EXPECT_EQ(log.calls, (std::vector<bool>{false, false}));
  view->RemoveBitmapChangeHandler(h1);
  view->RemoveBitmapChangeHandler(-1);
  view->RemoveBitmapChangeHandler(h1);
  EXPECT_EQ(view->BitmapChangeHandlerCount(), 1);
  (void)h2;
  EXPECT_EQ(view->GetIEBitmap(), nullptr);
  view->SetDpi(150, 0);
  view->SetDpi(0, 75);
  EXPECT_EQ(view->DpiX(), 150);
  EXPECT_EQ(view->DpiY(), 75);
  view->LockUpdate();
  EXPECT_EQ(view->UnlockUpdateNoRepaint(), 0);
  EXPECT_EQ(view->UnlockUpdateNoRepaint(), 0);
  log.calls.clear();
  view.reset();
  EXPECT_EQ(log.calls, (std::vector<bool>{true}));
}

TEST(FormatRegistry, LookupsByExtensionAndId) {
  for (const char* ext : {"JPG", ".jpg", "jPg", ".JPG"}) {
    ASSERT_NE(FindFormatInfoByExtension(ext), nullptr) << ext;
    EXPECT_EQ(FindFormatInfoByExtension(ext)->TypeId, ieftJPEG);
  }
  EXPECT_EQ(FindFormatInfoByExtension(""), nullptr);
  EXPECT_EQ(FindFormatInfoByExtension("."), nullptr);
  EXPECT_EQ(GetFormatExtension(ieftTIFF, 5), "XIF");
  EXPECT_EQ(GetFormatExtension(ieftTIFF, 6), "");
  EXPECT_EQ(CountFormatExtensions(ieftTIFF), 6);
  EXPECT_EQ(CountFormatExtensions(ieftRAW), 12);
  EXPECT_EQ(CountFormatExtensions(ieftAVI), 0);
  EXPECT_EQ(FindFileTypeByExtension(".DIB"), ieftBMP);
  EXPECT_EQ(FindFileTypeByExtension(".win"), ieftUnknown);
  EXPECT_EQ(FindFormatInfo(ieftRawPixels), nullptr);
  ASSERT_NE(FindFormatInfo(ieftBMP), nullptr);
  EXPECT_EQ(FindFormatInfo(ieftBMP)->Description, "Windows Bitmap");
  EXPECT_TRUE(FindFormatInfo(ieftBMP)->IsBuiltIn);
  EXPECT_NE(FindFormatInfo(ieftBMP)->ReadProc, nullptr);
  EXPECT_NE(FindFormatInfo(ieftBMP)->WriteProc, nullptr);
  EXPECT_EQ(FindFormatInfo(ieftCUR)->WriteProc, nullptr);
  EXPECT_EQ(FindFormatInfo(ieftBMP)->DialogPages, ieppBMP);

  TIOParamsVals p(nullptr);
  p.FileType = ieftBMP;
  p.BmpVersion = 2;
  EXPECT_EQ(DescribeImageParams(&p), "Windows Bitmap (BMP) OS/2 v.1");
  p.FileType = 0;
  EXPECT_EQ(DescribeImageParams(&p), "");
  p.FileType = ieftJPEG;
  p.JpegColorSpace = 1;
  EXPECT_EQ(DescribeImageParams(&p), "JPEG Bitmap (JPG) Gray level");
}

TEST(FormatRegistry, DetectionByContent) {
  auto detect = [](std::vector<uint8_t> d) {
    TIEMemStream s(d.data(), static_cast<int64_t>(d.size()));
    s.SetPosition(0);
    const int32_t id = FindStreamFormat(&s);
    EXPECT_EQ(s.Position(), 0);
    return id;
  };
  std::vector<uint8_t> bm = {'B', 'M'};
  bm.resize(15);
  EXPECT_EQ(detect(bm), ieftBMP);
  bm.resize(14);  // too short for a bitmap
  EXPECT_EQ(detect(bm), ieftUnknown);
  std::vector<uint8_t> tiff_header = {'T', 'I', 'F', 'F', 0, 0, 0, 0, 20, 0, 0, 0, 0x0A, 5};
  tiff_header.resize(200);
  EXPECT_EQ(detect(tiff_header), ieftTIFF);  // header before a PCX image
  std::vector<uint8_t> pcx(129, 0);
  pcx[0] = 0x0A;
  pcx[1] = 5;
  EXPECT_EQ(detect(pcx), ieftPCX);
  std::vector<uint8_t> jfif = {'J', 'F', 'I', 'F', 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(detect(jfif), ieftJPEG);
  EXPECT_EQ(detect({'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0}), ieftGIF);
  EXPECT_EQ(detect({'B', 'M', 0, 0}), ieftUnknown);
  std::vector<uint8_t> avi = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '};
  EXPECT_EQ(detect(avi), ieftAVI);

  // The stream's own position is where detection looks.
  std::vector<uint8_t> shifted = {9, 9, 9};
  const auto bmp = SmallBMP();
  shifted.insert(shifted.end(), bmp.begin(), bmp.end());
  TIEMemStream s(shifted.data(), static_cast<int64_t>(shifted.size()));
  s.SetPosition(3);
  EXPECT_EQ(FindStreamFormat(&s), ieftBMP);
  EXPECT_EQ(s.Position(), 3);

  TempDir dir;
  WriteFile(dir.File("x.jpg"), bmp);
  EXPECT_EQ(FindFileFormat(dir.File("x.jpg"), false), ieftBMP);
  EXPECT_EQ(FindFileFormat(dir.File("x.jpg"), true), ieftUnknown);
  EXPECT_EQ(FindFileFormat(dir.File("missing.bmp"), false), ieftUnknown);
  EXPECT_EQ(FindFileFormat("", false), ieftUnknown);

  EXPECT_EQ(CountFileImages(dir.File("x.bmp")), 1);
  EXPECT_EQ(CountFileImages(dir.File("x.zzz")), 0);
}

// A format registered from outside: read, write and test routines of its own.
namespace {
constexpr int32_t kTestFormat = 1000;
void ReadTest(TStream* s, TIEBitmap* b, TIOParamsVals& p, bool params_only, TIOProgressRec& pr) {
  uint8_t h[4];
  if (s->Read(h, 4) != 4) return pr.Abort();
  p.Width = h[3];
  if (!params_only) b->Allocate(h[3], 1, ieRGB24);
}
void WriteTest(TStream* s, TIEBitmap* b, TIOParamsVals&, TIOProgressRec&) {
  const uint8_t h[4] = {'T', 'S', 'T', static_cast<uint8_t>(b->Width())};
  s->Write(h, 4);
}
bool TestTest(TStream* s, int32_t) {
  uint8_t h[3];
  return s->Read(h, 3) == 3 && std::memcmp(h, "TST", 3) == 0;
}
}  // namespace

TEST(FormatRegistry, FormatsRegisteredLater) {
  TIOFormatEntry e;
  e.TypeId = kTestFormat;
  e.Description = "Test";
  e.ExtensionList = "TST;TS2";
  e.ReadProc = ReadTest;
  e.WriteProc = WriteTest;
  e.TestProc = TestTest;
  RegisterFormat(e);
  TempDir dir;
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->IEBitmap()->Allocate(9, 1, ieGray8);
  io->SaveToFile(dir.File("a.ts2"));
  EXPECT_FALSE(io->Aborted());
  EXPECT_EQ(io->IEBitmap()->PixelFormat(), ieRGB24);  // converted for the writer
  io->IEBitmap()->Allocate(1, 1, ieRGB24);
  io->LoadFromFile(dir.File("a.ts2"));
  EXPECT_FALSE(io->Aborted());
  EXPECT_EQ(io->IEBitmap()->Width(), 9);
  EXPECT_EQ(io->Params()->FileType, kTestFormat);
  EXPECT_EQ(FindFileFormat(dir.File("a.ts2"), true), kTestFormat);
  const uint8_t data[4] = {'T', 'S', 'T', 4};
  io->LoadFromBuffer(data, 4, 0);
  EXPECT_EQ(io->IEBitmap()->Width(), 4);
  UnregisterFormat(kTestFormat);
  EXPECT_EQ(FindFormatInfo(kTestFormat), nullptr);
  io->LoadFromBuffer(data, 4, 0);
  EXPECT_TRUE(io->Aborted());
}

TEST(TIOParamsVals, DefaultsSettersAndResets) {
  TIOParamsVals p(nullptr);
  EXPECT_EQ(p.BitsPerSample, 8);
  EXPECT_EQ(p.SamplesPerPixel, 3);
  EXPECT_EQ(p.DpiX(), DefaultDpiX);
  EXPECT_EQ(p.BmpVersion, 1);
  EXPECT_EQ(p.BmpCompression, 0);
  EXPECT_EQ(p.JpegQuality, 80);
  EXPECT_EQ(p.GifVersion, "GIF89a");
  EXPECT_EQ(p.TiffPageNumber, -1);
  EXPECT_EQ(p.PsTitle, "No Title");
  EXPECT_EQ(p.IcoSizes[0][0], 64);
  EXPECT_EQ(p.IcoSizes[1][0], 0);
  EXPECT_EQ(p.IcoBitCount[0], 8);
  EXPECT_EQ(p.RawOptions[0], 1);
  EXPECT_DOUBLE_EQ(p.TgaGamma, 2.2);
  EXPECT_EQ(p.IcoBackground, MakeRGB(255, 255, 255));
  EXPECT_GT(p.TgaDate, 40000);

  p.SetEXIFOrientation(6);
  EXPECT_EQ(p.TiffOrientation(), 6);
  p.SetTiffOrientation(1);
  EXPECT_EQ(p.EXIFOrientation(), 1);
  p.SetImageIndex(3);
  EXPECT_EQ(p.TiffImageIndex + p.DcxImageIndex + p.GifImageIndex + p.IcoImageIndex + p.CurImageIndex, 15);
  p.SetImageCount(4);
  EXPECT_EQ(p.GifImageCount, 4);
  EXPECT_EQ(p.AviFrameCount, 4);
  p.SetEXIFXResolution(72.7);
  EXPECT_EQ(p.DpiX(), 72);

  // A load keeps the writing options.
  p.JpegQuality = 55;
  p.TgaAuthor = "me";
  p.EXIFHasData = 1;
  p.EXIFMake = "cam";
  p.GifComments = {"x"};
  p.ResetPerLoad();
  EXPECT_EQ(p.JpegQuality, 55);
  EXPECT_EQ(p.TgaAuthor, "");
  EXPECT_EQ(p.EXIFHasData, 0);
  EXPECT_EQ(p.EXIFMake, "");
  EXPECT_TRUE(p.GifComments.empty());

  TIOParamsVals q(nullptr);
  q.Width = 77;
  q.FileName = "keep";
  q.AssignCompressionInfo(&p);
  EXPECT_EQ(q.JpegQuality, 55);
  EXPECT_EQ(q.Width, 77);
  EXPECT_EQ(q.FileName, "keep");
  p.FileName = "f";
  p.ColorMap = {MakeRGB(1, 2, 3)};
  q.Assign(&p);
  EXPECT_EQ(q.FileName, "f");
  EXPECT_EQ(q.ColorMapCount(), 1);
  EXPECT_EQ(q.DpiX(), 72);
  p.IsNativePixelFormat = 1;
  p.Width = 5;
  p.ResetAllDefaults();
  EXPECT_EQ(p.IsNativePixelFormat, 0);
  EXPECT_EQ(p.Width, 5);  // no platform bitmap: unchanged
  EXPECT_EQ(p.JpegQuality, 80);
  EXPECT_EQ(p.ColorMapCount(), 0);
}

TEST(TImagoIO, SaveToText) {
  TempDir dir;
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->IEBitmap()->Allocate(2, 1, ieRGB24);
  io->IEBitmap()->SetRGB24(0, 0, MakeRGB(0, 0, 0));
  io->IEBitmap()->SetRGB24(1, 0, MakeRGB(255, 255, 255));
  auto read = [](const std::string& f) {
    std::ifstream in(f, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
  };
  io->SaveToText(dir.File("art.txt"), ieftBMP, 3);
  EXPECT_EQ(read(dir.File("art.txt")), "W \n");
  EXPECT_EQ(io->Params()->FileName, dir.File("art.txt"));

  TMemoryStream bmp;
  io->SaveToStream(&bmp, ieftBMP);
  const std::string n = std::to_string(bmp.Size());
  io->SaveToText(dir.File("img.pas"), ieftBMP, 0);
  const std::string pas = read(dir.File("img.pas"));
  EXPECT_EQ(pas.substr(0, pas.find("$42")),
            "const\n  img_pas_Size = " + n + ";\n  img_pas : array [0..img_pas_Size-1] of byte = (\n    ");
  EXPECT_EQ(pas.substr(pas.size() - 6), "$00);\n");
  for (size_t at = 0, next; (next = pas.find('\n', at)) != std::string::npos; at = next + 1)
    EXPECT_LE(next - at, 4u + 71 + 4);  // written as soon as longer than 70

  io->SaveToText(dir.File("img.h"), ieftBMP, 1);
  const std::string c = read(dir.File("img.h"));
  EXPECT_EQ(c.substr(0, c.find('\n') + 1), "\\\\ Size=" + n + "\n");
  EXPECT_EQ(c.substr(c.find('\n') + 1, 10), "0x42,0x4D,");
  EXPECT_EQ(c.substr(c.size() - 5), "0x00\n");

  io->SaveToText(dir.File("img.b64"), ieftBMP, 2);
  EXPECT_EQ(read(dir.File("img.b64")).substr(0, 4), "Qk0+");  // "BM" and the size 62
}

TEST(TImagoIO, ScanlineConversions) {
  uint8_t bgr[3] = {0, 0, 255}, grey = 0;
  ConvertScanlineICC(bgr, 1, &grey, nullptr, 1, 5);
  EXPECT_EQ(grey, 53);
  uint8_t rgb[6] = {1, 2, 3, 4, 5, 6}, out[6] = {};
  ConvertScanlineICC(rgb, 0, out, nullptr, 2, 1);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
  uint8_t le[6] = {0x11, 0xAA, 0x22, 0xBB, 0x33, 0xCC};
  ConvertScanlineICC(le, 6, out, nullptr, 1, 1);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 3), (std::vector<uint8_t>{0xCC, 0xBB, 0xAA}));
  ConvertScanlineICC(le, 7, out, nullptr, 1, 1);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 3), (std::vector<uint8_t>{0x33, 0x22, 0x11}));
  // Inverted CMYK of no ink is white; full-ink CMYK is inverted in place first.
  uint8_t cmyk[4] = {255, 255, 255, 255};
  ConvertScanlineICC(cmyk, 2, out, nullptr, 1, 1);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 3), (std::vector<uint8_t>{255, 255, 255}));
  uint8_t ink[6] = {0, 0, 0, 255, 9, 9};
  ConvertScanlineICC(ink, 3, out, nullptr, 1, 1);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 3), (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(ink[0], 255);
  // Other pairs leave the target alone.
  out[0] = 77;
  ConvertScanlineICC(rgb, 5, out, nullptr, 1, 1);
  EXPECT_EQ(out[0], 77);
}

// With colour management on and a valid profile on both sides the row goes
// through the colour engine; sRGB to sRGB leaves the colours as they are.
TEST(TImagoIO, ScanlineConversionThroughProfiles) {
  struct Enable {
    Enable() { ColorManagementEnabled = true; }
    ~Enable() { ColorManagementEnabled = false; }
  } on;
  TIOParamsVals params(nullptr);
  params.GetInputICCProfile()->LoadSRGB();
  std::vector<uint8_t> src, dst(3 * 64);
  for (int i = 0; i < 64; ++i)
    for (int k = 0; k < 3; ++k) src.push_back(static_cast<uint8_t>((i * 37 + k * 101) & 0xFF));
  ConvertScanlineICC(src.data(), 1, dst.data(), &params, 64, 1);
  EXPECT_TRUE(params.GetInputICCProfile()->Applied());
  for (size_t i = 0; i < src.size(); ++i) EXPECT_NEAR(dst[i], src[i], 1) << i;
  // Red, green, blue in, the image's blue, green, red out.
  ConvertScanlineICC(src.data(), 0, dst.data(), &params, 64, 1);
  for (size_t i = 0; i < src.size(); i += 3) {
    EXPECT_NEAR(dst[i], src[i + 2], 1);
    EXPECT_NEAR(dst[i + 1], src[i + 1], 1);
    EXPECT_NEAR(dst[i + 2], src[i], 1);
  }
  // A pair the profiles cannot serve (RGB to grey) takes the built-in road.
  uint8_t bgr[3] = {0, 0, 255}, grey = 0;
  ConvertScanlineICC(bgr, 1, &grey, &params, 1, 5);
  EXPECT_EQ(grey, 53);
  // Without colour management the engine is not asked.
  ColorManagementEnabled = false;
  params.GetInputICCProfile()->SetApplied(false);
  ConvertScanlineICC(src.data(), 1, dst.data(), &params, 64, 1);
  EXPECT_FALSE(params.GetInputICCProfile()->Applied());
  EXPECT_EQ(dst, src);
}

namespace {
class PlatformOnlyView : public TIEView {
 public:
  explicit PlatformOnlyView(TComponent* Owner) : TIEView(Owner) {}
  TBitmap* GetTBitmap() override { return &bitmap; }
  TBitmap bitmap;
};
}  // namespace

// Loads land in an image control's own bitmap and saves read it, changes
// made to it outside included.
TEST(TImagoIO, LoadsIntoAndSavesFromAnImageControl) {
  auto* control = new TImage(nullptr);
  TBitmap* bitmap = control->Picture()->Bitmap();
  int repaints = 0;
  control->Picture()->OnChange = [&](TObject*) { ++repaints; };
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->SetAttachedTImage(control);
  EXPECT_EQ(io->AttachedTImage(), control);
  EXPECT_EQ(io->Bitmap(), bitmap);
  const auto bytes = SmallBMP(5, 4);
  TIEMemStream s(bytes.data(), static_cast<int64_t>(bytes.size()));
  io->LoadFromStream(&s);
  EXPECT_FALSE(io->Aborted());
  ASSERT_EQ(control->Picture()->Bitmap(), bitmap);
  EXPECT_EQ(bitmap->Width(), 5);
  EXPECT_EQ(bitmap->Height(), 4);
  EXPECT_GE(repaints, 1);
  // Row 0 of the file is the bottom row: its second pixel is 60, 80, 100 (B, G, R).
  const auto* bottom = static_cast<const uint8_t*>(bitmap->ScanLine(3));
  EXPECT_EQ(std::vector<uint8_t>(bottom + 3, bottom + 6), (std::vector<uint8_t>{60, 80, 100}));

  // The bitmap changed outside: the save writes what it holds now.
  bitmap->SetSize(2, 3);
  static_cast<uint8_t*>(bitmap->ScanLine(2))[0] = 77;
  TMemoryStream m;
  io->SaveToStream(&m, ieftBMP);
  EXPECT_FALSE(io->Aborted());
  TOwned<TImagoIO> reader(new TImagoIO(nullptr));
  m.SetPosition(0);
  reader->LoadFromStream(&m);
  EXPECT_EQ(reader->IEBitmap()->Width(), 2);
  EXPECT_EQ(reader->IEBitmap()->Height(), 3);
  EXPECT_EQ(reader->IEBitmap()->GetRGB24(0, 2).b, 77);

  // Lending a bitmap lets go of the control; the control going does too.
  TIEBitmap lent;
  io->AttachIEBitmap(&lent);
  EXPECT_EQ(io->AttachedTImage(), nullptr);
  EXPECT_EQ(io->Bitmap(), nullptr);
  io->SetAttachedTImage(control);
  control->Picture()->OnChange = nullptr;
  control->Free();
  EXPECT_EQ(io->AttachedTImage(), nullptr);
  EXPECT_EQ(io->Bitmap(), nullptr);
  ASSERT_NE(io->IEBitmap(), nullptr);
  EXPECT_TRUE(io->IEBitmap()->IsEmpty());
  // The lent image was never made to wrap the control's bitmap.
  EXPECT_FALSE(lent.ExternalBitmap());
}

TEST(TImagoIO, ViewWithOnlyAPlatformBitmap) {
  auto* view = new PlatformOnlyView(nullptr);
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  io->SetAttachedImago(view);
  EXPECT_EQ(io->Bitmap(), &view->bitmap);
  const auto bytes = SmallBMP(6, 2);
  io->LoadFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()), ieftBMP);
  EXPECT_FALSE(io->Aborted());
  EXPECT_EQ(view->bitmap.Width(), 6);
  EXPECT_EQ(view->bitmap.PixelFormat(), pf24bit);
  // An image kept in a platform bitmap of its own is its own Bitmap.
  TIEBitmap own;
  own.Allocate(2, 2, ieRGB24);
  TBitmap* platform = own.GetPlatformBitmap();
  io->AttachIEBitmap(&own);
  EXPECT_EQ(io->Bitmap(), platform);
  view->Free();
}
