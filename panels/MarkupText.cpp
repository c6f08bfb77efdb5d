#include "panels/MarkupText.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <vector>

#include "panels/PictureContainer.h"
#include "panels/TUxNavBar.h"
#include "platform/DC.h"
#include "platform/Draw.h"
#include "platform/GdiHolders.h"
#include "platform/Region.h"
#include "platform/ShellIcons.h"
#include "platform/Text.h"
#include "rtl/FileUtils.h"
#include "rtl/Numeric.h"
#include "ui/TCanvas.h"
#include "ui/TGraphicsObject.h"
#include "ui/TImageList.h"

namespace {

// Stand-ins that the text preparation leaves for characters decoded from
// entities, so that a decoded "<", ">", "&" or space never starts a tag,
// a prefix or a line break; they become the characters when a run is
// measured or drawn.
constexpr char kLt = '\x01', kGt = '\x02', kAmp = '\x03', kNbsp = '\x04';

TMarkupTextDevice gPlatformDevice;
TMarkupTextDevice* gDevice = &gPlatformDevice;

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(uint8_t(c)));
  return s;
}
std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(uint8_t(c)));
  return s;
}
bool StartsWithNoCase(const std::string& s, size_t at, const char* what) {
  for (size_t i = 0; what[i]; ++i)
    if (at + i >= s.size() || std::toupper(uint8_t(s[at + i])) != std::toupper(uint8_t(what[i]))) return false;
  return true;
}

// One left-to-right pass over the entities: each is decoded once, so that
// "&amp;lt;" shows "&lt;".
std::string DecodeEntities(const std::string& s) {
  static const struct {
    const char* Name;
    const char* Value;
  } kEntities[] = {
      {"&amp;", "\x03"},      {"&quot;", "\""},         {"&sect;", "\xC2\xA7"}, {"&permil;", "\xE2\x80\xB0"},
      {"&reg;", "\xC2\xAE"},  {"&copy;", "\xC2\xA9"},   {"&para;", "\xC2\xB6"}, {"&trade;", "\xE2\x84\xA2"},
      {"&euro;", "\xE2\x82\xAC"}, {"&nbsp;", "\x04"}, {"&lt;", "\x01"},       {"&gt;", "\x02"},
  };
  if (s.find('&') == std::string::npos) return s;
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    bool done = false;
    if (s[i] == '&')
      for (const auto& e : kEntities)
        if (StartsWithNoCase(s, i, e.Name)) {
          out += e.Value;
          i += std::char_traits<char>::length(e.Name);
          done = true;
          break;
        }
    if (!done) out += s[i++];
  }
  return out;
}

// The text of a run as it is measured and drawn (a decoded ampersand is
// doubled, the prefix processing then showing one).
std::string Shown(const std::string& run) {
  std::string out;
  for (char c : run) {
    if (c == kLt) out += '<';
    else if (c == kGt) out += '>';
    else if (c == kAmp) out += "&&";
    else if (c == kNbsp) out += ' ';
    else out += c;
  }
  return out;
}
// The same for the plain-text output: what the reader sees.
std::string Plain(const std::string& run) {
  std::string out;
  for (size_t i = 0; i < run.size(); ++i) {
    const char c = run[i];
    if (c == kLt) out += '<';
    else if (c == kGt) out += '>';
    else if (c == kAmp) out += '&';
    else if (c == kNbsp) out += ' ';
    else out += c;
  }
  return out;
}

// The value between the first pair of double quotes after Name in the
// upper-cased tag, with the letter case of the tag itself; empty when the
// name or the quotes are missing.
bool AttrValue(const std::string& Tag, const std::string& UpperTag, const std::string& Name, std::string& Value,
               size_t From = 0) {
  size_t at = UpperTag.find(Name, From);
  if (at == std::string::npos) return false;
  size_t q1 = Tag.find('"', at + Name.size());
  Value.clear();
  if (q1 == std::string::npos) return true;
  size_t q2 = Tag.find('"', q1 + 1);
  if (q2 == std::string::npos) return true;
  Value = Tag.substr(q1 + 1, q2 - q1 - 1);
  return true;
}

// The leading integer of a value: optional sign, "$" or "0x" for
// hexadecimal; 0 when there is none. Clean: the whole value was the number.
int32_t LeadingInt(const std::string& v, bool* Clean = nullptr) {
  size_t i = 0;
  bool neg = false;
  while (i < v.size() && v[i] == ' ') ++i;
  if (i < v.size() && (v[i] == '-' || v[i] == '+')) neg = v[i++] == '-';
  int base = 10;
  if (i < v.size() && v[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < v.size() && v[i] == '0' && (v[i + 1] == 'x' || v[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  int64_t n = 0;
  size_t start = i;
  for (; i < v.size(); ++i) {
    int d = std::isdigit(uint8_t(v[i])) ? v[i] - '0'
            : (base == 16 && std::isxdigit(uint8_t(v[i]))) ? std::toupper(uint8_t(v[i])) - 'A' + 10
                                                            : -1;
    if (d < 0) break;
    n = std::min<int64_t>(n * base + d, INT32_MAX);
  }
  if (Clean) *Clean = i > start && i == v.size();
  return int32_t(neg ? -n : n);
}

int32_t FontSizeOf(int32_t n) {
  static const int32_t kSizes[] = {8, 10, 12, 14, 16};
  return n >= 1 && n <= 5 ? kSizes[n - 1] : n;
}

struct TState {
  bool InAnchor = false;
  std::string Anchor;
  int32_t AnchorLeft = 0;
  bool AnchorHovered = false;  // this anchor got the hover look
  TColor KeptAnchorBrush = clNone, KeptAnchorText = clNone;
  bool FocusedAnchor = false;
  int32_t FocusLeft = 0, FocusTop = 0;
  int32_t AnchorCount = 0;
  int32_t ListLevel = 0;
  int32_t ImageCount = 0;
  int32_t Align = 0;  // 0 left, 1 right, 2 centre
  int32_t ParaIndent = 0;
  bool ParaBackground = false;
  TColor ParaColor = clNone;
  TColor KeptParaBrush = clNone;
  bool Shadow = false, Hidden = false, ErrorMark = false, Sub = false, Sup = false;
  TColor Brush = clNone;  // text background; clNone transparent
  TColor KeptFontBrush = clNone;
  TColor KeptHiText = clNone, KeptHiBrush = clNone;
  int32_t RotatedFrom = -1;  // orientation before an opening R, -1 none
};

struct TLine {
  std::string Text;  // the line's text with its tags
  int32_t Height = 0, Width = 0;
  int32_t SubOffset = 0, SupOffset = 0, TextOffset = 0;
};

// The request it was given and the answers it builds up.
class TMarkupRenderer : public TMarkupTextRequest, public TMarkupTextResult {
 public:
  explicit TMarkupRenderer(const TMarkupTextRequest& Request)
      : TMarkupTextRequest(Request), C(Request.Canvas), R(Request.Rect) {}
  TCanvas* C;
  TRect R;

  TState S;
  TFont Base;
  TColor StartBrush = clNone;
  int32_t HitImage = -1;  // the image found under the point
  bool ImageHit = false;

  bool Run(const std::string& Text);

 private:
  bool layout_ = false;  // the layout pass of a line
  bool drawing() const { return !layout_ && !CheckHotSpot && !CheckHeight; }
  bool measuring() const { return !drawing(); }

  int32_t GH() { return gDevice->Extent(C, "gh", RunFlags()).cy; }
  uint32_t RunFlags() const {
    return DT_SINGLELINE | DT_BOTTOM | DT_EXPANDTABS | (WordWrap ? 0 : DT_END_ELLIPSIS);
  }
  TSize Measure(const std::string& Shown) {
    return gDevice->Extent(C, Shown, RunFlags() | DT_EXTERNALLEADING | DT_CALCRECT);
  }
  void SetFontColor(TColor c) { C->Font()->SetColor(c); }
  void SetStyle(TFontStyle f, bool on) {
    TFontStyles st = C->Font()->Style();
    if (on) st.Include(f);
    else st.Exclude(f);
    C->Font()->SetStyle(st);
  }
  TGraphic* FindPicture(const std::string& Src);
  // The small or large system icon of a path (an existing file or folder as
  // it is, another path by its name) or of an index in the system list.
  bool SystemIcon(const std::string& Value, bool Large, HIMAGELIST& List, int32_t& Index);
  // Draws Bmp stretched into Dest as a device-independent bitmap (printing).
  void DrawAsDib(TBitmap& Bmp, const TRect& Dest);
  void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor Color);
  void FillArea(const TRect& A, TColor Color);
  void DrawFocus(int32_t l, int32_t t, int32_t r, int32_t b);

  // One tag as written and upper-cased; L and N are its first two letters
  // after "<" or "</".
  struct TTag {
    std::string Text, Up;
    bool Closing = false;
    char L = 0, N = 0;
  };
  // Where the line being laid out or drawn stands.
  struct TLineCursor {
    const TRect& LineRect;
    TLine& Out;
    int32_t X = 0;
    int32_t LineW = 0;  // width taken so far
    bool LineEnd = false;
    bool LineEmpty = true;  // nothing taken yet
    bool LiOnLine = false;
  };
  // An image tag's source and the room it takes.
  struct TImagePlace {
    int32_t Width = 0, Height = 0;
    int32_t Index = -1;  // in Images
    HIMAGELIST SysList = nullptr;
    int32_t SysIndex = -1;
    TGraphic* Picture = nullptr;
    std::string Align;
  };

  // Lays out (layout_) or draws one line of Text inside Line; consumes
  // what it laid out.
  void InterpretMarkup(std::string& Text, const TRect& LineRect, TLine& Out);
  // Applies the tag at the head of Text; answers false when the tag must
  // stay for the next line (an image that moved there, a second LI).
  bool ApplyTag(std::string& Text, TLineCursor& L);
  static TTag ReadTag(const std::string& Text, size_t Close);
  void Consume(std::string& Text, const TTag& T, TLineCursor& L);
  void CloseTag(const TTag& T, TLineCursor& L);
  void CloseAnchor(TLineCursor& L);
  void OpenAnchor(const TTag& T, TLineCursor& L);
  // B, BLINK, BODY and BR.
  void OpenBFamily(const TTag& T, TLineCursor& L);
  void PaintBody(const TTag& T);
  void OpenFont(const TTag& T);
  // HI and HR.
  void OpenHFamily(const TTag& T, TLineCursor& L);
  // I and IND.
  void OpenIFamily(const TTag& T, TLineCursor& L);
  TImagePlace FindImage(const TTag& T);
  void DrawImage(const TImagePlace& P, int32_t X, int32_t Top);
  bool OpenImage(std::string& Text, const TTag& T, TLineCursor& L);
  bool OpenListItem(std::string& Text, const TTag& T, TLineCursor& L);
  void OpenParagraph(const TTag& T, TLineCursor& L);
  void OpenRotation(const TTag& T);
  // S, SUB, SUP and SHAD.
  void OpenSFamily(const TTag& T);
};

bool TMarkupRenderer::SystemIcon(const std::string& Value, bool Large, HIMAGELIST& List, int32_t& Index) {
  const UINT size = SHGFI_SYSICONINDEX | (Large ? SHGFI_LARGEICON : SHGFI_SMALLICON);
  SHFILEINFO sfi;
  bool number = false;
  const int32_t n = LeadingInt(Value, &number);
  uintptr_t list = 0;
  if (number) {  // an index in the system image list
    list = SHGetFileInfo("", FILE_ATTRIBUTE_NORMAL, &sfi, sizeof sfi, size | SHGFI_USEFILEATTRIBUTES);
    sfi.iIcon = n;
  } else if (FileExists(Value) || DirectoryExists(Value)) {
    list = SHGetFileInfo(Value.c_str(), 0, &sfi, sizeof sfi, size);
  } else {  // by its name alone
    list = SHGetFileInfo(Value.c_str(), FILE_ATTRIBUTE_NORMAL, &sfi, sizeof sfi, size | SHGFI_USEFILEATTRIBUTES);
  }
  List = reinterpret_cast<HIMAGELIST>(list);
  if (!List || sfi.iIcon < 0 || sfi.iIcon >= ImageList_GetImageCount(List)) return false;
  Index = sfi.iIcon;
  return true;
}

void TMarkupRenderer::DrawAsDib(TBitmap& Bmp, const TRect& Dest) {
  const int32_t w = Bmp.Width(), h = Bmp.Height();
  if (w <= 0 || h <= 0) return;
  Bmp.SetPixelFormat(pf32bit);
  std::vector<uint32_t> bits(size_t(w) * size_t(h));
  for (int32_t y = 0; y < h; ++y) {
    const auto* row = static_cast<const uint32_t*>(Bmp.ScanLine(y));
    std::copy(row, row + w, bits.begin() + ptrdiff_t(y) * w);
  }
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top row first
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  StretchDIBits(C->Handle(), Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), 0, 0, w, h, bits.data(), &bi,
                DIB_RGB_COLORS, SRCCOPY);
}

TGraphic* TMarkupRenderer::FindPicture(const std::string& Src) {
  if (Src.find("://") != std::string::npos) {
    if (!PictureCache) return nullptr;
    THTMLPicture* p = PictureCache->FindPicture(Src);
    if (!p) {
      p = PictureCache->AddPicture();
      p->ID = Src;
      p->Asynch = false;
      p->SetURL(Src);
    }
    return p;
  }
  if (Src.find(':') == std::string::npos && PictureContainer) return PictureContainer->FindPicture(Src);
  return nullptr;
}

void TMarkupRenderer::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor Color) {
  C->Pen()->SetStyle(psSolid);
  C->Pen()->SetWidth(1);
  C->Pen()->SetColor(Color);
  C->MoveTo(x1, y1);
  C->LineTo(x2, y2);
}

void TMarkupRenderer::FillArea(const TRect& A, TColor Color) {
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(Color);
  C->FillRect(A);
}

void TMarkupRenderer::DrawFocus(int32_t l, int32_t t, int32_t r, int32_t b) {
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(clWhite);
  C->DrawFocusRect(TRect{l - 1, t, r + 1, b});
}

TMarkupRenderer::TTag TMarkupRenderer::ReadTag(const std::string& Text, size_t Close) {
  TTag t;
  t.Text = Text.substr(0, Close + 1);
  t.Up = Upper(t.Text);
  t.Closing = t.Up.size() >= 4 && t.Up[1] == '/';
  t.L = t.Closing ? t.Up[2] : t.Up[1];
  t.N = t.Closing ? t.Up[3] : t.Up[2];
  return t;
}

void TMarkupRenderer::Consume(std::string& Text, const TTag& T, TLineCursor& L) {
  L.Out.Text += T.Text;
  Text.erase(0, T.Text.size());
}

bool TMarkupRenderer::ApplyTag(std::string& Text, TLineCursor& L) {
  const size_t close = Text.find('>');
  if (close == std::string::npos) {  // an unterminated tag ends the text
    Text.clear();
    L.LineEnd = true;
    return true;
  }
  const TTag t = ReadTag(Text, close);
  if (t.Closing) {
    Consume(Text, t, L);
    CloseTag(t, L);
    return true;
  }
  // An image or a list item may stay for the next line: they consume the
  // tag themselves.
  if (t.L == 'I' && t.N == 'M') return OpenImage(Text, t, L);
  if (t.L == 'L') return OpenListItem(Text, t, L);
  Consume(Text, t, L);
  switch (t.L) {
    case 'A': OpenAnchor(t, L); break;
    case 'B': OpenBFamily(t, L); break;
    case 'E':
      if (drawing()) S.ErrorMark = true;
      break;
    case 'F': OpenFont(t); break;
    case 'H': OpenHFamily(t, L); break;
    case 'I': OpenIFamily(t, L); break;
    case 'P': OpenParagraph(t, L); break;
    case 'R': OpenRotation(t); break;
    case 'S': OpenSFamily(t); break;
    case 'U':
      if (t.N == '>') SetStyle(fsUnderline, true);
      else {
        ++S.ListLevel;
        L.LineEnd = true;
      }
      break;
    case 'Z': S.Hidden = true; break;
    default: break;  // an unknown tag is dropped
  }
  return true;
}

void TMarkupRenderer::CloseAnchor(TLineCursor& L) {
  if (!S.InAnchor) return;
  if (S.AnchorHovered) {
    SetStyle(fsUnderline, false);
    S.Brush = S.KeptAnchorBrush;
    SetFontColor(S.KeptAnchorText);
  }
  if (!Selected) SetFontColor(Base.Color());
  if (S.FocusedAnchor) {
    if (drawing()) {
      const int32_t b = L.LineRect.Bottom - L.Out.TextOffset;
      DrawFocus(S.FocusLeft, b - GH(), L.X, b);
    }
    S.FocusedAnchor = false;
  }
  if (!layout_ && CheckHotSpot && MouseLink == S.AnchorCount && HoverRect.Right == -1) HoverRect.Right = L.X;
  S.InAnchor = false;
  S.AnchorHovered = false;
}

void TMarkupRenderer::CloseTag(const TTag& T, TLineCursor& L) {
  switch (T.L) {
    case 'A': CloseAnchor(L); break;
    case 'B':
      if (T.N == '>') SetStyle(fsBold, false);
      else {  // BLINK, BODY and BR give the base colour back
        if (!Selected) SetFontColor(Base.Color());
        if (T.N == 'R') L.LineEnd = true;
      }
      break;
    case 'E': S.ErrorMark = false; break;
    case 'F':
      C->Font()->SetName(Base.Name());
      C->Font()->SetSize(Base.Size());
      if (!Selected) {
        SetFontColor(Base.Color());
        S.Brush = S.KeptFontBrush;
      }
      break;
    case 'H':
      if (T.N == 'R') {
        if (drawing()) Line(L.LineRect.Left, L.LineRect.Bottom + 1, L.LineRect.Right, L.LineRect.Bottom + 1, clBlack);
        L.LineEnd = true;
      } else if (S.KeptHiText != clNone || S.KeptHiBrush != clNone) {
        SetFontColor(S.KeptHiText);
        S.Brush = S.KeptHiBrush;
        S.KeptHiText = S.KeptHiBrush = clNone;
      }
      break;
    case 'I': SetStyle(fsItalic, false); break;
    case 'L': L.LineEnd = true; break;
    case 'P':
      S.Brush = S.KeptParaBrush;
      S.ParaBackground = false;
      L.LineEnd = true;
      break;
    case 'R':
      if (S.RotatedFrom >= 0) {
        C->Font()->SetOrientation(S.RotatedFrom);
        S.RotatedFrom = -1;
      }
      break;
    case 'S':
      if (T.N == 'U') S.Sub = S.Sup = false;
      else if (T.N == 'H') S.Shadow = false;
      else SetStyle(fsStrikeOut, false);
      break;
    case 'U':
      // </U> ends underlining, </UL> a list level; with no list open, an
      // end of list ends underlining too.
      if (T.N == '>') SetStyle(fsUnderline, false);
      else if (S.ListLevel > 0) --S.ListLevel;
      else SetStyle(fsUnderline, false);
      break;
    case 'Z': S.Hidden = false; break;
    default: break;
  }
}

void TMarkupRenderer::OpenAnchor(const TTag& T, TLineCursor& L) {
  std::string v;
  AttrValue(T.Text, T.Up, "", v);
  S.InAnchor = true;
  S.Anchor = v;
  S.AnchorLeft = L.X;
  if (FocusLink == S.AnchorCount) {
    S.FocusedAnchor = true;
    S.FocusLeft = L.X;
    S.FocusTop = L.LineRect.Top;
  }
  ++S.AnchorCount;
  const bool hovered = S.AnchorCount == HoverLink;
  // Without the hover style every anchor is underlined; with it only the
  // one under the pointer.
  S.AnchorHovered = !HoverStyle || hovered;
  if (S.AnchorHovered) {
    SetStyle(fsUnderline, true);
    S.KeptAnchorBrush = S.Brush;
    if (HoverColor != clNone && hovered) S.Brush = HoverColor;
    S.KeptAnchorText = C->Font()->Color();
    if (HoverFontColor != clNone && hovered) SetFontColor(HoverFontColor);
  }
  if (!Selected && !(hovered && HoverStyle && HoverFontColor != clNone)) SetFontColor(URLColor);
}

void TMarkupRenderer::OpenBFamily(const TTag& T, TLineCursor& L) {
  if (T.N == '>') SetStyle(fsBold, true);
  else if (T.N == 'L') {
    // A blink in its off phase draws in the background colour.
    if (!Blink) SetFontColor(StartBrush);
  } else if (T.N == 'O') {
    if (drawing() && !Selected) PaintBody(T);
  } else if (T.N == 'R') {
    if (layout_) StripVal += '\r';
    L.LineEnd = true;
  }
}

void TMarkupRenderer::PaintBody(const TTag& T) {
  std::string bg;
  if (AttrValue(T.Text, T.Up, " BACKGROUND", bg)) {
    TGraphic* g = FindPicture(bg);
    if (g && !g->Empty() && g->Width() > 0 && g->Height() > 0) {
      TOwnedGdiObject<HRGN> clip(CreateRectRgn(R.Left, R.Top, R.Right, R.Bottom));
      SelectClipRgn(C->Handle(), clip.get());
      for (int32_t y = R.Top; y < R.Bottom; y += g->Height())
        for (int32_t x = R.Left; x < R.Right; x += g->Width()) C->Draw(x, y, g);
      SelectClipRgn(C->Handle(), nullptr);
    }
  }
  std::string c1, c2, dir = "H";
  const bool has1 = AttrValue(T.Text, T.Up, "BGCOLOR", c1, T.Up.find("BODY"));
  const bool has2 = AttrValue(T.Text, T.Up, "BGCOLORTO", c2);
  AttrValue(T.Text, T.Up, " DIR", dir);
  if (!has1 || c1.empty()) return;
  if (has2 && !c2.empty()) DrawGradient(C, MarkupColor(c1), MarkupColor(c2), 64, R, Upper(dir) == "H");
  else FillArea(TRect{R.Left - 2, R.Top, R.Right, R.Bottom}, MarkupColor(c1));
}

void TMarkupRenderer::OpenFont(const TTag& T) {
  std::string v;
  const size_t from = T.Up.find("FONT");
  if (AttrValue(T.Text, T.Up, "FACE", v, from)) C->Font()->SetName(v);
  if (AttrValue(T.Text, T.Up, " COLOR", v, from) && !Selected) SetFontColor(MarkupColor(v));
  if (AttrValue(T.Text, T.Up, "BGCOLOR", v, from) && !Selected) {
    S.KeptFontBrush = S.Brush;
    S.Brush = v.empty() ? clNone : MarkupColor(v);
  }
  // SIZE takes its value with or without quotes.
  const size_t at = T.Up.find("SIZE", from);
  if (at == std::string::npos) return;
  const size_t eq = T.Text.find('=', at);
  if (eq == std::string::npos) return;
  std::string num = T.Text.substr(eq + 1);
  if (!num.empty() && num[0] == '"') num.erase(0, 1);
  C->Font()->SetSize(FontSizeOf(LeadingInt(num)));
}

void TMarkupRenderer::OpenHFamily(const TTag& T, TLineCursor& L) {
  if (T.N == 'I') {
    S.KeptHiText = C->Font()->Color();
    S.KeptHiBrush = S.Brush;
    S.Brush = clHighlight;
    SetFontColor(clHighlightText);
  } else if (T.N == 'R') {
    if (drawing()) Line(L.LineRect.Left, L.LineRect.Bottom + 1, L.LineRect.Right, L.LineRect.Bottom + 1, clBlack);
    L.LineEnd = true;
  }
}

void TMarkupRenderer::OpenIFamily(const TTag& T, TLineCursor& L) {
  if (T.N == '>') {
    SetStyle(fsItalic, true);
    return;
  }
  if (T.N != 'N') return;
  // IND moves the pen to an indent, never back.
  std::string xv;
  const size_t xat = T.Up.find('X', 2);
  if (xat == std::string::npos || !AttrValue(T.Text, T.Up, "X", xv, xat)) return;
  bool clean = false;
  const int32_t x = LeadingInt(xv, &clean);
  if (clean && x > L.LineW) {
    L.LineW = x;
    L.X = L.LineRect.Left + x;
  }
}

TMarkupRenderer::TImagePlace TMarkupRenderer::FindImage(const TTag& T) {
  TImagePlace p;
  std::string src, alt, w, h;
  AttrValue(T.Text, T.Up, "SRC", src);
  // The image under the pointer shows its alternative source.
  if (S.ImageCount == HitImage && AttrValue(T.Text, T.Up, "ALT", alt)) src = alt;
  const bool hasW = AttrValue(T.Text, T.Up, "WIDTH", w), hasH = AttrValue(T.Text, T.Up, "HEIGHT", h);
  const int32_t aw = hasW ? LeadingInt(w) : 0, ah = hasH ? LeadingInt(h) : 0;
  AttrValue(T.Text, T.Up, "ALIGN", p.Align);
  const int32_t ppi = GetDeviceCaps(C->Handle(), LOGPIXELSX);
  const double scale = (ppi > 0 ? ppi : 96) / 96.0;
  if (StartsWithNoCase(src, 0, "IDX:")) {
    p.Index = LeadingInt(src.substr(4));
    if (Images && p.Index >= 0 && p.Index < Images->Count()) {
      p.Width = int32_t(Round(Images->Width() * scale));
      p.Height = int32_t(Round(Images->Height() * scale));
    } else {
      p.Index = -1;
    }
  } else if (StartsWithNoCase(src, 0, "SSYS:") || StartsWithNoCase(src, 0, "LSYS:")) {
    if (SystemIcon(src.substr(5), StartsWithNoCase(src, 0, "LSYS:"), p.SysList, p.SysIndex)) {
      int32_t cx = 0, cy = 0;
      ImageList_GetIconSize(p.SysList, &cx, &cy);
      p.Width = int32_t(Round(cx * scale));
      p.Height = int32_t(Round(cy * scale));
    }
  } else {
    p.Picture = FindPicture(src);
    if (p.Picture && !p.Picture->Empty()) {
      const bool stretch = aw >= 1 && ah >= 1;
      p.Width = int32_t(Round((stretch ? aw : p.Picture->Width()) * scale));
      p.Height = int32_t(Round((stretch ? ah : p.Picture->Height()) * scale));
    } else {
      p.Picture = nullptr;
    }
  }
  if (Print) {
    p.Width = int32_t(Round(p.Width * ResFactor));
    p.Height = int32_t(Round(p.Height * ResFactor));
  }
  // An image larger than the layout area is shrunk to it, keeping its
  // shape, so that it never reaches past the panel.
  const int32_t availW = R.Width() - 1, availH = R.Height();
  if (p.Width > 0 && p.Height > 0 && availW > 0 && availH > 0 && (p.Width > availW || p.Height > availH)) {
    const double f = std::min(double(availW) / p.Width, double(availH) / p.Height);
    p.Width = std::max<int32_t>(1, int32_t(p.Width * f));
    p.Height = std::max<int32_t>(1, int32_t(p.Height * f));
  }
  return p;
}

void TMarkupRenderer::DrawImage(const TImagePlace& P, int32_t X, int32_t Top) {
  const TRect dest{X, Top, X + P.Width, Top + P.Height};
  if (P.Index >= 0) {
    if (Print) {
      TBitmap bmp;
      Images->GetBitmap(P.Index, &bmp);
      DrawAsDib(bmp, dest);
    } else if (P.Width == Images->Width() && P.Height == Images->Height()) {
      Images->Draw(C, X, Top, P.Index);
    } else {
      TBitmap bmp;
      Images->GetBitmap(P.Index, &bmp);
      C->StretchDraw(dest, &bmp);
    }
  } else if (P.SysIndex >= 0) {
    ImageList_DrawEx(P.SysList, P.SysIndex, C->Handle(), X, Top, P.Width, P.Height, CLR_NONE, CLR_NONE,
                     ILD_TRANSPARENT);
  } else if (P.Picture) {
    C->StretchDraw(dest, P.Picture);
  }
}

bool TMarkupRenderer::OpenImage(std::string& Text, const TTag& T, TLineCursor& L) {
  // Its size first, then whether it moves to the next line.
  ++S.ImageCount;
  const TImagePlace p = FindImage(T);
  const int32_t iw = p.Width, ih = p.Height;
  if (layout_ && iw > 0 && L.LineW + iw > L.LineRect.Width() && iw <= L.LineRect.Width() && !L.LineEmpty) {
    --S.ImageCount;  // counted again on the next line
    L.LineEnd = true;
    return false;
  }
  Consume(Text, T, L);
  if (iw <= 0 || ih <= 0) return true;
  const int32_t top = L.LineRect.Bottom - L.Out.TextOffset - ih;
  if (drawing()) DrawImage(p, L.X, top);
  if (!layout_ && CheckHotSpot && XPos > L.X && XPos < L.X + iw && YPos > top && YPos < top + ih) {
    HitImage = S.ImageCount;
    if (S.InAnchor) {
      ImageHit = true;
      AnchorVal = S.Anchor;
      MouseLink = S.AnchorCount;
    }
  }
  L.X += iw;
  L.LineW += iw;
  L.Out.Height = std::max(L.Out.Height, ih);
  // A top or middle image lifts the line's text with it.
  const std::string al = Upper(p.Align);
  const int32_t gh = GH();
  if (al.rfind("TOP", 0) == 0) L.Out.TextOffset = std::max(L.Out.TextOffset, L.Out.Height - gh);
  else if (al.rfind("MIDDLE", 0) == 0) L.Out.TextOffset = std::max(L.Out.TextOffset, (L.Out.Height - gh) / 2);
  return true;
}

bool TMarkupRenderer::OpenListItem(std::string& Text, const TTag& T, TLineCursor& L) {
  if (L.LiOnLine) {  // each LI starts a line
    L.LineEnd = true;
    return false;
  }
  Consume(Text, T, L);
  L.LiOnLine = true;
  const int32_t level = std::max(1, S.ListLevel);
  L.LineW += level * 12;
  L.X = L.LineRect.Left + 12 * (level - 1);
  if (drawing() && !S.Hidden) {
    // Odd levels take a dot, even ones a circle.
    const std::string name = C->Font()->Name();
    C->Font()->SetName("Symbol");
    const std::string bullet = level % 2 == 1 ? "\xC2\xB7" : "o";
    const TSize e = Measure(bullet);
    gDevice->Draw(C, bullet, TRect{L.X, L.LineRect.Top, L.X + e.cx, L.LineRect.Bottom - L.Out.TextOffset},
                  DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX);
    C->Font()->SetName(name);
  }
  L.X += 12;
  return true;
}

void TMarkupRenderer::OpenParagraph(const TTag& T, TLineCursor& L) {
  std::string v;
  const size_t from = T.Up.find('P');
  if (AttrValue(T.Text, T.Up, "ALIGN", v, from)) {
    // Several words: centre wins over left, left over right.
    const std::string a = Upper(v);
    if (a.find("RIGHT") != std::string::npos) S.Align = 1;
    if (a.find("LEFT") != std::string::npos) S.Align = 0;
    if (a.find("CENTER") != std::string::npos) S.Align = 2;
  }
  if (AttrValue(T.Text, T.Up, "INDENT", v, from)) S.ParaIndent = LeadingInt(v);
  std::string c1, c2;
  const bool has1 = AttrValue(T.Text, T.Up, "BGCOLOR", c1, from);
  const bool has2 = AttrValue(T.Text, T.Up, "BGCOLORTO", c2, from);
  if (!has1 || c1.empty()) return;
  if (has2 && !c2.empty()) {
    // A gradient paragraph colours only its first line.
    if (drawing())
      DrawGradient(C, MarkupColor(c1), MarkupColor(c2), 64, TRect{R.Left, L.LineRect.Top, R.Right, L.LineRect.Bottom + 2},
                   true);
    return;
  }
  S.KeptParaBrush = S.Brush;
  S.ParaBackground = true;
  S.ParaColor = MarkupColor(c1);
  if (drawing()) FillArea(TRect{R.Left, L.LineRect.Top, R.Right, L.LineRect.Bottom}, S.ParaColor);
}

void TMarkupRenderer::OpenRotation(const TTag& T) {
  std::string v;
  const size_t at = T.Up.find('A', 2);
  if (at == std::string::npos || !AttrValue(T.Text, T.Up, "A", v, at) || !drawing()) return;
  if (S.RotatedFrom < 0) S.RotatedFrom = C->Font()->Orientation();
  C->Font()->SetOrientation(LeadingInt(v) * 10);
}

void TMarkupRenderer::OpenSFamily(const TTag& T) {
  if (T.N == '>') SetStyle(fsStrikeOut, true);
  else if (StartsWithNoCase(T.Text, 0, "<SUB>")) S.Sub = true;
  else if (StartsWithNoCase(T.Text, 0, "<SUP>")) S.Sup = true;
  else if (T.N == 'H') S.Shadow = true;
}

void TMarkupRenderer::InterpretMarkup(std::string& Text, const TRect& LineRect, TLine& Out) {
  TLineCursor L{LineRect, Out};
  L.X = LineRect.Left;
  int32_t& X = L.X;
  int32_t& lineW = L.LineW;
  int32_t spaceW = 0;
  S.Sub = S.Sup = false;
  if (!layout_ && S.ParaBackground && drawing())
    FillArea(TRect{R.Left, LineRect.Top, R.Right, LineRect.Bottom}, S.ParaColor);
  if (!layout_ && S.FocusedAnchor) S.FocusLeft = LineRect.Left + 1;
  if (!layout_ && S.InAnchor) S.AnchorLeft = LineRect.Left;
  std::string taken;  // what this line took so far, tags included

  while (!Text.empty() && !L.LineEnd) {
    if (Text[0] == '<') {
      if (Text.size() <= 2) {  // "<" alone or with one character
        Text.clear();
        break;
      }
      const size_t before = Out.Text.size();
      L.LineEmpty = taken.empty();
      if (!ApplyTag(Text, L)) break;
      taken += Out.Text.substr(before);
      continue;
    }
    // A run: up to the next tag, or with word wrap up to and including the
    // first space.
    size_t end = Text.find('<');
    if (end == std::string::npos) end = Text.size();
    if (WordWrap) {
      size_t sp = Text.find(' ');
      if (sp != std::string::npos && sp < end) end = sp + 1;
    }
    const std::string run = Text.substr(0, end);
    const std::string shown = Shown(run);
    if (S.Hidden) {  // neither measured nor drawn; still part of the plain text
      if (layout_) {
        StripVal += Plain(run);
        Out.Text += run;
        taken += run;
      }
      Text.erase(0, end);
      continue;
    }
    TSize ext{0, 0};
    if (!run.empty()) {
      ext = Measure(shown);
      Out.Height = std::max(Out.Height, ext.cy);
      if (S.Sub) Out.SubOffset = std::max(Out.SubOffset, ext.cy / 4);
      if (S.Sup) Out.SupOffset = std::max(Out.SupOffset, ext.cy / 4);
    }
    if (layout_) {
      const bool fits = lineW + ext.cx < LineRect.Width() || ext.cx >= LineRect.Width();
      if (WordWrap && !fits && !taken.empty() && taken.back() == ' ') break;
      StripVal += Plain(run);
      Out.Text += run;
      taken += run;
      Text.erase(0, end);
      if (!WordWrap && !fits && lineW > 0) Text.clear();
    } else {
      Text.erase(0, end);
    }
    spaceW = !run.empty() && run.back() == ' ' ? Measure(" ").cx : 0;
    lineW += ext.cx;
    if (!layout_) {
      const int32_t bottom = LineRect.Bottom - Out.SubOffset - Out.TextOffset - (S.Sup ? Out.SupOffset : 0) +
                             (S.Sub ? Out.SubOffset : 0);
      const TRect rr{X, LineRect.Top, WordWrap ? X + ext.cx : LineRect.Right, bottom};
      if (CheckHotSpot) {
        if (S.InAnchor && XPos >= X && XPos < X + ext.cx) {
          const int32_t lb = LineRect.Bottom - Out.TextOffset;
          if (YPos > lb - GH() && YPos < lb) {
            Hit = true;
            AnchorVal = S.Anchor;
            MouseLink = S.AnchorCount;
            HoverRect = TRect{S.AnchorLeft, LineRect.Top, -1, LineRect.Bottom};
          }
        }
      } else if (drawing()) {
        if (S.Brush != clNone) FillArea(TRect{X, rr.Top, X + ext.cx, rr.Bottom}, S.Brush);
        if (S.Shadow) {
          const TColor keep = C->Font()->Color();
          SetFontColor(ShadowColor);
          gDevice->Draw(C, shown, TRect{rr.Left + ShadowOffset, rr.Top + ShadowOffset, rr.Right + ShadowOffset,
                                        rr.Bottom + ShadowOffset},
                        RunFlags());
          SetFontColor(keep);
        }
        gDevice->Draw(C, shown, rr, RunFlags());
        if (S.FocusedAnchor) FocusAnchor = S.Anchor;
        if (S.ErrorMark) {
          C->Pen()->SetColor(clRed);
          // A zigzag of two-pixel steps on even columns, so that runs next
          // to each other join into one line.
          for (int32_t x = (X / 2) * 2; x < X + ext.cx; x += 2) {
            const bool low = (x / 2) % 2 == 0;
            C->SetPixels(x, LineRect.Bottom + (low ? 1 : -1), clRed);
            C->SetPixels(x + 1, LineRect.Bottom + (low ? 1 : -1), clRed);
          }
        }
      }
    }
    X += ext.cx;
  }
  if (!layout_ && CheckHotSpot && S.InAnchor && MouseLink == S.AnchorCount && HoverRect.Right == -1)
    HoverRect.Right = X;
  if (!layout_ && S.FocusedAnchor && drawing())
    DrawFocus(S.FocusLeft, LineRect.Top, X, LineRect.Bottom);
  Out.Width = lineW - spaceW;
}

bool TMarkupRenderer::Run(const std::string& Source) {
  // Text preparation.
  std::string text = DecodeEntities(Source);
  size_t hash = text.find("<#");
  if (hash != std::string::npos) {
    text.erase(hash, 1);
    size_t gt = text.find('>', hash);
    if (gt != std::string::npos) text.erase(gt, 1);
  }
  {
    std::string t;
    for (char c : text) {
      if (c == '\r') t += "<BR>";
      else if (c != '\n') t += c;
    }
    text.swap(t);
  }

  Base.Assign(C->Font());
  StartBrush = C->Brush()->Color();
  C->Brush()->SetStyle(bsClear);
  SetBkMode(C->Handle(), TRANSPARENT);

  int32_t top = R.Top;
  const int32_t left = R.Left + 1;
  while (!text.empty()) {
    const TState keptState = S;
    TFont keptFont;
    keptFont.Assign(C->Font());
    const int32_t gh = GH();
    TLine line;
    line.Height = gh;
    layout_ = true;
    const TRect lineRect{left, top, R.Right, R.Bottom};
    InterpretMarkup(text, lineRect, line);
    layout_ = false;
    line.Height += LineSpacing;
    XSize = std::max(XSize, line.Width);

    TRect dr{left, top, R.Right, top + line.Height + line.SubOffset + line.SupOffset};
    const int32_t avail = R.Right - left;
    if (S.Align == 1 && R.Right - line.Width > dr.Left) dr.Left = R.Right - line.Width;
    if (S.Align == 2 && (avail - line.Width) / 2 > 0) dr.Left = left + (avail - line.Width) / 2;
    dr.Left += S.ParaIndent;

    if (!CheckHeight) {
      S = keptState;
      C->Font()->Assign(&keptFont);
      std::string lineText = line.Text;
      TLine again = line;
      again.Text.clear();
      InterpretMarkup(lineText, dr, again);
    }
    const int32_t step = line.Height + line.SubOffset + line.SupOffset;
    top += step;
    YSize += step;
    if (top + GH() > R.Bottom && !CheckHeight) break;
  }
  if (YSize == 0) YSize = GH();

  // The caller's brush and the base font come back; a rotation that was
  // never closed goes with the base font.
  C->Brush()->SetColor(StartBrush);
  C->Font()->Assign(&Base);
  return Hit || ImageHit;
}

}  // namespace

TSize TMarkupTextDevice::Extent(TCanvas* Canvas, const std::string& Text, uint32_t Flags) {
  TRect r{0, 0, 0, 0};
  HDC dc = Canvas->Handle();
  DrawText(dc, Text.data(), int(Text.size()), &r, (Flags | DT_CALCRECT) & ~UINT(DT_END_ELLIPSIS));
  return TSize{r.Width(), r.Height()};
}

void TMarkupTextDevice::Draw(TCanvas* Canvas, const std::string& Text, const TRect& R, uint32_t Flags) {
  TRect r = R;
  HDC dc = Canvas->Handle();
  DrawText(dc, Text.data(), int(Text.size()), &r, Flags);
}

void SetMarkupTextDevice(TMarkupTextDevice* Device) { gDevice = Device ? Device : &gPlatformDevice; }

TColor MarkupColor(const std::string& Value) {
  if (!Value.empty() && Value[0] == '#') {
    auto hex = [&](size_t i) -> int {
      if (i + 1 >= Value.size()) return 0;
      auto d = [](char c) {
        c = char(std::toupper(uint8_t(c)));
        return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 0;
      };
      return d(Value[i]) * 16 + d(Value[i + 1]);
    };
    return TColor(RGB(uint8_t(hex(1)), uint8_t(hex(3)), uint8_t(hex(5))));
  }
  static const struct {
    const char* Name;
    uint32_t Value;
  } kColors[] = {
      {"clred", 0x0000FF},        {"clblack", 0x000000},          {"clblue", 0xFF0000},
      {"clgreen", 0x008000},      {"claqua", 0xFFFF00},           {"clyellow", 0x00FFFF},
      {"clfuchsia", 0xFF00FF},    {"clwhite", 0xFFFFFF},          {"cllime", 0x00FF00},
      {"clsilver", 0xC0C0C0},     {"clgray", 0x808080},           {"clolive", 0x008080},
      {"clnavy", 0x800000},       {"clpurple", 0x800080},         {"clteal", 0x808000},
      {"clmaroon", 0x000080},     {"clbackground", 0xFF000001},   {"clactivecaption", 0xFF000002},
      {"clinactivecaption", 0xFF000003}, {"clmenu", 0xFF000004},  {"clwindow", 0xFF000005},
      {"clwindowframe", 0xFF000006}, {"clmenutext", 0xFF000007},  {"clwindowtext", 0xFF000008},
      {"clcaptiontext", 0xFF000009}, {"clactiveborder", 0xFF00000A}, {"clinactiveborder", 0xFF00000B},
      {"clappworkspace", 0xFF00000C}, {"clhighlight", 0xFF00000D}, {"clhighlighttext", 0xFF00000E},
      {"clbtnface", 0xFF00000F},  {"clbtnshadow", 0xFF000010},    {"clgraytext", 0xFF000011},
      {"clbtntext", 0xFF000012},  {"clinactivecaptiontext", 0xFF000013}, {"clbtnhighlight", 0xFF000014},
      {"cl3ddkshadow", 0xFF000015}, {"cl3dlight", 0xFF000016},    {"clinfotext", 0xFF000017},
      {"clinfobk", 0xFF000018},
  };
  const std::string l = Lower(Value);
  for (const auto& c : kColors)
    if (l == c.Name) return TColor(int32_t(c.Value));
  return TColor(0);
}

TMarkupTextResult DrawMarkupText(const TMarkupTextRequest& Request) {
  TMarkupRenderer m(Request);
  const bool hit = m.Run(Request.Text);
  TMarkupTextResult out = m;
  out.Hit = hit;
  out.HyperLinks = m.S.AnchorCount;
  return out;
}
