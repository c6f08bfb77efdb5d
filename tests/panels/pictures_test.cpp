// The panel controls' pictures: decoding by content, sizes, drawing, the
// addresses "RES://" and "FILE://", the cache and the container.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "panels/PictureContainer.h"
#include "panels/TUxImage.h"
#include "rtl/Exception.h"
#include "rtl/Resources.h"
#include "rtl/TStream.h"
#include "tests/panels/PanelsTestSupport.h"

namespace {

// A W x H picture, red on its left half and blue on its right, as the
// bytes of a file of the given type.
std::string PictureFile(int32_t W, int32_t H, int32_t FileType = ieftBMP) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(W, H);
  b.Canvas()->Brush()->SetColor(clRed);
  b.Canvas()->FillRect(TRect{0, 0, W / 2, H});
  b.Canvas()->Brush()->SetColor(clBlue);
  b.Canvas()->FillRect(TRect{W / 2, 0, W, H});
  TIEBitmap image;
  image.CopyFromTBitmap(&b);
  TImagoIO io(nullptr);
  io.AttachIEBitmap(&image);
  TMemoryStream file;
  io.SaveToStream(&file, FileType);
  return std::string(static_cast<const char*>(file.Memory()), size_t(file.Size()));
}

template <class TPic>
void LoadBytes(TPic& p, const std::string& Bytes) {
  TMemoryStream s;
  s.WriteBuffer(Bytes.data(), int64_t(Bytes.size()));
  s.SetPosition(0);
  p.LoadFromStream(&s);
}

class PicturesTest : public PanelsTest {
 protected:
  void TearDown() override {
    UnregisterResource("LOGO");
    PanelsTest::TearDown();
  }
  // Draws P on a white 120 x 80 bitmap.
  template <class TPic>
  void DrawOnWhite(TPic& P, const TRect& R) {
    shot.SetPixelFormat(pf24bit);
    shot.SetSize(120, 80);
    shot.Canvas()->Brush()->SetColor(clWhite);
    shot.Canvas()->FillRect(TRect{0, 0, 120, 80});
    shot.Canvas()->StretchDraw(R, &P);
  }
};

TEST_F(PicturesTest, ReadersChosenByContentGiveSizeAndPixels) {
  for (int32_t type : {int32_t(ieftBMP), int32_t(ieftPNG), int32_t(ieftJPEG)}) {
    THTMLPicture p;
    EXPECT_TRUE(p.Empty());
    LoadBytes(p, PictureFile(96, 40, type));
    EXPECT_FALSE(p.Empty()) << type;
    // 96 pixels at 96 to the inch are 2540 hundredths of a millimetre.
    EXPECT_EQ(p.Width(), 96) << type;
    EXPECT_EQ(p.Height(), 40) << type;
    EXPECT_EQ(p.FrameCount(), -1) << "not a GIF";
    EXPECT_FALSE(p.IsGIF());
  }
}

TEST_F(PicturesTest, NaturalSizeOrStretchedDrawing) {
  THTMLPicture p;
  LoadBytes(p, PictureFile(20, 10));
  // At its own size from the rectangle's top-left corner.
  DrawOnWhite(p, TRect{30, 20, 110, 70});
  EXPECT_EQ(At(30, 20), 0xFF0000u);
  EXPECT_EQ(At(39, 29), 0xFF0000u);
  EXPECT_EQ(At(40, 20), 0x0000FFu);
  EXPECT_EQ(At(49, 29), 0x0000FFu);
  EXPECT_EQ(At(50, 20), 0xFFFFFFu);
  EXPECT_EQ(At(30, 30), 0xFFFFFFu);
  // Stretched into the whole rectangle.
  p.SetStretch(true);
  DrawOnWhite(p, TRect{30, 20, 110, 70});
  EXPECT_EQ(At(31, 21), 0xFF0000u);
  EXPECT_EQ(At(69, 69), 0xFF0000u);
  EXPECT_EQ(At(71, 21), 0x0000FFu);
  EXPECT_EQ(At(109, 69), 0x0000FFu);
  // The caption panel's picture is always stretched.
  TUxImage u;
  LoadBytes(u, PictureFile(20, 10));
  DrawOnWhite(u, TRect{0, 0, 40, 40});
  EXPECT_EQ(At(19, 39), 0xFF0000u);
  EXPECT_EQ(At(20, 0), 0x0000FFu);
  EXPECT_EQ(At(40, 0), 0xFFFFFFu);
}

TEST_F(PicturesTest, BadDataFromAStreamRaisesFromAFileStaysEmpty) {
  THTMLPicture p;
  try {
    LoadBytes(p, std::string("no picture at all, just text"));
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Could not load image. Invalid format");
  }
  EXPECT_TRUE(p.Empty());
  // A picture cut short is no picture either.
  EXPECT_THROW(LoadBytes(p, PictureFile(30, 30).substr(0, 20)), Exception);
  const std::string path = testing::TempDir() + "nobrivo-not-a-picture-" + std::to_string(getpid()) + ".txt";
  std::ofstream(path) << "plain text";
  TUxImage u;
  EXPECT_NO_THROW(u.LoadFromFile(path));
  EXPECT_TRUE(u.Empty());
  EXPECT_NO_THROW(p.LoadFromFile(path + ".missing"));
  EXPECT_TRUE(p.Empty());
  std::remove(path.c_str());
}

TEST_F(PicturesTest, StoredBytesComeBackUnchangedAndAssigningCopies) {
  const std::string bytes = PictureFile(8, 8, ieftPNG);
  THTMLPicture p;
  LoadBytes(p, bytes);
  TMemoryStream out;
  p.SaveToStream(&out);
  EXPECT_EQ(std::string(static_cast<const char*>(out.Memory()), size_t(out.Size())), bytes);
  THTMLPicture q;
  int changes = 0;
  q.OnChange = [&](TObject*) { ++changes; };
  q.SetFrame(3);
  q.Assign(&p);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(q.Width(), 8);
  EXPECT_EQ(q.Frame(), 1) << "assigning shows the first frame";
  q.Assign(nullptr);
  EXPECT_TRUE(q.Empty());
  EXPECT_EQ(changes, 1) << "clearing tells nobody";
  TUxImage u, v;
  LoadBytes(u, bytes);
  int uChanges = 0;
  v.OnChange = [&](TObject*) { ++uChanges; };
  v.Assign(&u);
  EXPECT_EQ(v.Width(), 8);
  v.Assign(nullptr);
  EXPECT_TRUE(v.Empty());
  EXPECT_EQ(uChanges, 2) << "the caption panel's picture tells also of clearing";
}

TEST_F(PicturesTest, AddressesLoadFromTheProgramAndFromFiles) {
  RegisterResource("LOGO", PictureFile(12, 6));
  THTMLPicture p;
  p.SetURL("res://Logo");
  EXPECT_FALSE(p.Empty()) << "the prefix in any case, the name as resources compare";
  EXPECT_EQ(p.Width(), 12);
  EXPECT_EQ(p.ID, "res://Logo");
  THTMLPicture unknown;
  unknown.SetURL("RES://NOSUCH");
  EXPECT_TRUE(unknown.Empty());
  EXPECT_EQ(unknown.ID, "RES://NOSUCH");

  const std::string path = testing::TempDir() + "nobrivo-picture-" + std::to_string(getpid()) + ".bmp";
  {
    std::ofstream f(path, std::ios::binary);
    const std::string bytes = PictureFile(7, 5);
    f.write(bytes.data(), std::streamsize(bytes.size()));
  }
  THTMLPicture f;
  f.SetURL("File://" + path);
  EXPECT_EQ(f.Height(), 5);
  std::remove(path.c_str());

  // Other addresses never give a picture.
  THTMLPicture web;
  web.Asynch = false;
  web.SetURL("http://example.invalid/a.png");
  EXPECT_EQ(web.URL, "http://example.invalid/a.png");
  EXPECT_EQ(web.ID, "http://example.invalid/a.png");
  EXPECT_TRUE(web.Empty());
  THTMLPicture later;
  later.SetURL("http://example.invalid/b.png");
  EXPECT_TRUE(later.ThreadBusy);
  EXPECT_EQ(later.URL, "http://example.invalid/b.png");
  EXPECT_EQ(later.ID, "");
  later.SetURL("http://example.invalid/c.png");
  EXPECT_EQ(later.URL, "http://example.invalid/b.png") << "a download is still thought to be running";
  EXPECT_TRUE(later.Empty());
}

TEST_F(PicturesTest, TheCacheComparesExactlyTheContainerIgnoresCase) {
  THTMLPictureCache cache;
  THTMLPicture* a = cache.AddPicture();
  a->ID = "RES://Logo";
  EXPECT_EQ(cache.FindPicture("RES://Logo"), a);
  EXPECT_EQ(cache.FindPicture("res://logo"), nullptr);
  EXPECT_EQ(cache.Count(), 1);
  EXPECT_TRUE(cache.GetPicture(0)->Empty());

  auto* c = new TPictureContainer(form);
  EXPECT_EQ(c->Version(), "1.0.0.0");
  c->SetVersion("2.0");
  EXPECT_EQ(c->Version(), "1.0.0.0");
  TPictureItem* first = c->Items()->Add();
  first->SetName("Logo");
  TPictureItem* second = c->Items()->Add();
  second->SetName("logo");
  TPictureItem* other = c->Items()->Add();
  other->SetName("\xC3\xA9t\xC3\xA9");  // letters outside a to z compare as they are
  EXPECT_EQ(c->FindPicture("LOGO"), first->Picture());
  EXPECT_EQ(c->FindPicture("\xC3\xA9T\xC3\xA9"), other->Picture());
  EXPECT_EQ(c->FindPicture("\xC3\x89T\xC3\x89"), nullptr);
  EXPECT_EQ(c->FindPicture("nothing"), nullptr);
  THTMLPicture pic;
  LoadBytes(pic, PictureFile(4, 4));
  first->SetPicture(&pic);
  EXPECT_EQ(first->Picture()->Width(), 4);
  EXPECT_NE(first->Picture(), &pic) << "the item keeps a copy";
}

}  // namespace

namespace {

// An animation of three 8 x 6 frames, red, green and blue, made by
// ImageMagick; empty when it is not installed.
std::string ThreeFrameGif() {
  if (access("/usr/bin/convert", X_OK) != 0) return "";
  const std::string path = testing::TempDir() + "nobrivo-three-frames-" + std::to_string(getpid()) + ".gif";
  const std::string cmd =
      "/usr/bin/convert -size 8x6 xc:red xc:lime xc:blue -loop 0 '" + path + "' 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) return "";
  std::ifstream f(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::remove(path.c_str());
  return bytes;
}

TEST_F(PicturesTest, AnimatedGifShowsTheFrameAsked) {
  const std::string gif = ThreeFrameGif();
  if (gif.empty()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  THTMLPicture p;
  try {
    LoadBytes(p, gif);
  } catch (const Exception&) {
    GTEST_SKIP() << "no GIF reader in this build";
  }
  EXPECT_TRUE(p.IsGIF());
  EXPECT_EQ(p.FrameCount(), 3);
  EXPECT_EQ(p.Width(), 8);
  EXPECT_EQ(p.GifInfo().ScreenWidth, 8);
  EXPECT_EQ(p.GifInfo().ScreenHeight, 6);
  int changes = 0;
  p.OnFrameChange = [&](TObject*) { ++changes; };
  const uint32_t want[] = {0xFF0000, 0x00FF00, 0x0000FF};
  for (int frame = 3; frame >= 1; --frame) {
    p.SetFrame(frame);
    DrawOnWhite(p, TRect{10, 10, 60, 60});
    EXPECT_EQ(At(12, 12), want[frame - 1]) << "frame " << frame;
    EXPECT_EQ(At(18, 16), 0xFFFFFFu) << "natural size";
  }
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(p.FrameCount(), 3);
}

}  // namespace
