#include "toolbar/TShadows.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Bitmap.h"
#include "platform/DC.h"
#include "platform/Draw.h"
#include "platform/GdiHolders.h"
#include "platform/Window.h"
#include "toolbar/DKCommon.h"
#include "ui/TApplication.h"
#include "ui/TForm.h"

RTL_DEFINE_CLASS(TShadow, TCustomControl)

namespace {

// The platform blends but has no layered-window update: strips blend onto
// what lies under them when they erase.
bool PlatformBlends() { return true; }
bool PlatformUpdatesLayeredWindows() { return false; }

// A rounded corner of w by h at (X0, Y0) in the picture; DX and DY give the
// distances from the corner's darkest pixel.
void FillCorner(std::vector<uint8_t>& A, int32_t Stride, int32_t X0, int32_t Y0, int32_t W, int32_t H,
                int32_t (*DX)(int32_t X, int32_t S, int32_t W), int32_t (*DY)(int32_t Y, int32_t S, int32_t H)) {
  int32_t s = std::max(W, H);
  if (s <= 0) return;
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      int32_t dx = DX(x, s, W), dy = DY(y, s, H);
      int32_t e = 128 * (std::max(dx, dy) + dx + dy) / s;
      A[size_t((Y0 + y) * Stride + X0 + x)] = uint8_t(e > 254 ? 0 : 255 - e);
    }
}

int32_t FromRight(int32_t X, int32_t S, int32_t) { return std::abs(X - (S - 1)); }
int32_t FromLeftEnd(int32_t X, int32_t S, int32_t W) { return std::abs(X + S - W); }
int32_t FromTopEnd(int32_t Y, int32_t S, int32_t H) { return std::abs(Y + S - H); }
int32_t FromBottom(int32_t Y, int32_t S, int32_t) { return std::abs(Y - (S - 1)); }

// Corner lengths along a strip of length L and thickness T.
void CornerLengths(uint8_t Edges, int32_t L, int32_t T, int32_t& C1, int32_t& C2) {
  C1 = (Edges & sheStart) ? T : 0;
  C2 = (Edges & sheEnd) ? T : 0;
  if (C1 + C2 > L) {
    if (C1 && C2)
      C1 = C2 = L / 2;
    else if (C1)
      C1 = L;
    else
      C2 = L;
  }
}

}  // namespace

TShadow::TShadow(const TRect& Rect, uint8_t Edges, bool Plain, uint8_t Opacity)
    : TCustomControl(nullptr), opacity_(Opacity), edges_(Edges) {
  style_ = Plain ? ssPlain
                 : (PlatformUpdatesLayeredWindows() && PlatformBlends()) ? ssLayered
                 : PlatformBlends()                                       ? ssAlphaBlend
                                                                          : ssPlain;
  SetVisible(false);
  SetColor(clBtnShadow);
  SetBounds(Rect.Left, Rect.Top, Rect.Right - Rect.Left, Rect.Bottom - Rect.Top);
}

void TShadow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = (Params.Style & ~(WS_CHILD | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) | WS_POPUP;
  Params.ExStyle |= WS_EX_TOOLWINDOW;
  if (saveBits_) Params.ClassStyle |= CS_SAVEBITS;
  Params.WndParent = (Application && Application->MainForm() && Application->MainForm()->HandleAllocated())
                         ? Application->MainForm()->Handle()
                         : nullptr;
}

std::vector<uint8_t> TShadow::AlphaPicture() {
  std::vector<uint8_t> a(size_t(std::max(0, Width()) * std::max(0, Height())), 0);
  if (!a.empty()) FillBuffer(a, Width(), Height());
  return a;
}

void TShadow::Show(HWND InsertAfter) {
  SetWindowPos(Handle(), InsertAfter, 0, 0, 0, 0,
               SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOOWNERZORDER | SWP_NOSENDCHANGING | SWP_SHOWWINDOW);
}

void TShadow::BlendOnto(HDC DC) {
  int32_t w = Width(), h = Height();
  if (w <= 0 || h <= 0) return;
  std::vector<uint8_t> alpha = AlphaPicture();
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  TOwnedGdiObject<HBITMAP> bmp(CreateDIBSection(DC, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bmp || !bits) return;
  // Black with the alpha in the top byte (premultiplied: the colour stays 0).
  auto* px = static_cast<uint32_t*>(bits);
  for (size_t i = 0; i < alpha.size(); ++i) px[i] = uint32_t(alpha[i]) << 24;
  TMemoryDC mem(DC);
  SelectObject(mem, bmp.get());
  BLENDFUNCTION bf{AC_SRC_OVER, 0, opacity_, AC_SRC_ALPHA};
  AlphaBlend(DC, 0, 0, w, h, mem, 0, 0, w, h, bf);
}

void TShadow::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCHITTEST:
      Message.Result = HTTRANSPARENT;
      return;
    case WM_ERASEBKGND:
      if (style_ == ssAlphaBlend) {
        // The windows below first, so that the shadow falls on what they show.
        PumpPaintMessages();
        BlendOnto(reinterpret_cast<HDC>(Message.WParam));
        Message.Result = 1;
        return;
      }
      break;
    default:
      break;
  }
  TCustomControl::WndProc(Message);
}

void THorzShadow::FillBuffer(std::vector<uint8_t>& A, int32_t W, int32_t H) {
  int32_t c1, c2;
  CornerLengths(Edges(), W, H, c1, c2);
  for (int32_t y = 0; y < H; ++y) {
    uint8_t v = uint8_t(std::max(0, 255 - y * 256 / H));
    for (int32_t x = c1; x < W - c2; ++x) A[size_t(y * W + x)] = v;
  }
  FillCorner(A, W, 0, 0, c1, H, &FromRight, &FromTopEnd);
  FillCorner(A, W, W - c2, 0, c2, H, &FromLeftEnd, &FromTopEnd);
}

void TVertShadow::FillBuffer(std::vector<uint8_t>& A, int32_t W, int32_t H) {
  int32_t c1, c2;
  CornerLengths(Edges(), H, W, c1, c2);
  for (int32_t y = c1; y < H - c2; ++y)
    for (int32_t x = 0; x < W; ++x) A[size_t(y * W + x)] = uint8_t(std::max(0, 255 - x * 256 / W));
  FillCorner(A, W, 0, 0, W, c1, &FromLeftEnd, &FromBottom);
  FillCorner(A, W, 0, H - c2, W, c2, &FromLeftEnd, &FromTopEnd);
}

TShadows::TShadows(const TRect& ParentItemRect, const TRect& PopupRect, int32_t Size, uint8_t Opacity, bool Plain) {
  if (Plain || !PlatformBlends()) Size /= 2;
  const int32_t s = Size;
  auto vert = [&](int32_t i, TRect r, uint8_t e) { strips_[size_t(i)] = new TVertShadow(r, e, Plain, Opacity); };
  auto horz = [&](int32_t i, TRect r, uint8_t e) { strips_[size_t(i)] = new THorzShadow(r, e, Plain, Opacity); };
  const bool pEmpty = IsRectEmpty(&ParentItemRect), rEmpty = IsRectEmpty(&PopupRect);
  if (pEmpty != rEmpty) {
    const TRect& a = pEmpty ? PopupRect : ParentItemRect;
    vert(V1, TRect{a.Right, a.Top + s, a.Right + s, a.Bottom}, 1);
    horz(H1, TRect{a.Left + s, a.Bottom, a.Right + s, a.Bottom + s}, 3);
  } else if (!pEmpty) {
    TRect a = ParentItemRect, b = PopupRect;
    const bool overlapV = a.Top + 2 < b.Bottom && b.Top < a.Bottom - 2;
    if (overlapV) {
      const bool sideBySide = a.Left >= b.Right - 2 || b.Left >= a.Right - 2;
      if (sideBySide) {
        // B the left one, A the right one.
        if (a.Left < b.Left) std::swap(a, b);
        if (b.Top + s < a.Top) vert(V1, TRect{b.Right, b.Top + s, b.Right + s, a.Top}, 1);
        vert(V2, TRect{a.Right, a.Top + s, a.Right + s, a.Bottom + s}, 3);
        horz(H1, TRect{b.Left + s, b.Bottom, b.Right, b.Bottom + s}, 1);
        if (a.Bottom < b.Bottom) vert(V3, TRect{b.Right, a.Bottom, b.Right + s, b.Bottom + s}, 3);
        if (b.Bottom + s < a.Bottom)
          horz(H2, TRect{a.Left + s, a.Bottom, a.Right, a.Bottom + s}, 1);
        else
          horz(H2, TRect{a.Left, a.Bottom, a.Right, a.Bottom + s}, 0);
      }
    } else {
      // B the upper one, A the lower one.
      if (a.Top < b.Top) std::swap(a, b);
      if (b.Left + s < a.Left) horz(H1, TRect{b.Left + s, b.Bottom, a.Left, b.Bottom + s}, 1);
      horz(H2, TRect{a.Left + s, a.Bottom, a.Right + s, a.Bottom + s}, 3);
      vert(V1, TRect{b.Right, b.Top + s, b.Right + s, b.Bottom}, 1);
      if (a.Right < b.Right) horz(H3, TRect{a.Right, b.Bottom, b.Right + s, b.Bottom + s}, 3);
      if (b.Right + s < a.Right)
        vert(V2, TRect{a.Right, a.Top + s, a.Right + s, a.Bottom}, 1);
      else
        vert(V2, TRect{a.Right, a.Top + 1, a.Right + s, a.Bottom}, 0);
    }
  }
  saveBits_ = true;
  for (TShadow* t : strips_)
    if (t) t->SetSaveBits(true);
}

TShadows::~TShadows() {
  for (TShadow*& t : strips_) {
    if (t) t->Free();
    t = nullptr;
  }
}

void TShadows::Show(HWND PopupWindow) {
  for (TShadow* t : strips_)
    if (t) t->Show(PopupWindow);
}
