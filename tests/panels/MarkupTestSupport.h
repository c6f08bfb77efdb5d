#pragma once
// A fixed text metric for the mark-up renderer: every character 6 pixels
// wide (7 in bold), lines of the point size + 5 pixels; "&&" counts as one
// character and a lone "&" as none. Every run drawn is recorded with its
// font and colour.

#include <string>
#include <vector>

#include "panels/MarkupText.h"
#include "platform/Text.h"
#include "ui/TCanvas.h"
#include "ui/TGraphicsObject.h"

struct TDrawnRun {
  std::string Text;
  TRect Rect;
  TColor Color;
  TFontStyles Style;
  std::string FontName;
  int32_t Size;
};

class TFixedMarkupDevice : public TMarkupTextDevice {
 public:
  TFixedMarkupDevice() { SetMarkupTextDevice(this); }
  ~TFixedMarkupDevice() override { SetMarkupTextDevice(nullptr); }

  static int32_t Chars(const std::string& t) {
    int32_t n = 0;
    for (size_t i = 0; i < t.size(); ++i) {
      if (t[i] == '&') {
        if (i + 1 < t.size() && t[i + 1] == '&') {
          ++n;
          ++i;
        }
        continue;
      }
      if ((uint8_t(t[i]) & 0xC0) != 0x80) ++n;  // whole characters
    }
    return n;
  }
  TSize Extent(TCanvas* Canvas, const std::string& Text, uint32_t) override {
    TFont* f = Canvas->Font();
    return TSize{Chars(Text) * (f->Style().Contains(fsBold) ? 7 : 6), f->Size() + 5};
  }
  void Draw(TCanvas* Canvas, const std::string& Text, const TRect& R, uint32_t) override {
    TFont* f = Canvas->Font();
    Runs.push_back(TDrawnRun{Text, R, f->Color(), f->Style(), f->Name(), f->Size()});
  }
  const TDrawnRun* Find(const std::string& Text) const {
    for (const auto& r : Runs)
      if (r.Text == Text) return &r;
    return nullptr;
  }
  std::vector<TDrawnRun> Runs;
};

// What one call answers.
struct TMarkupResult {
  bool Hit = false;
  std::string Anchor, Plain, Focus;
  int32_t Width = 0, Height = 0, Links = 0, Link = -1;
  TRect LinkRect{0, 0, 0, 0};
};

enum class TMarkupMode { Paint, Measure, HitTest };

inline TMarkupResult RunMarkup(TCanvas* C, const std::string& Text, const TRect& R, TMarkupMode Mode,
                            bool WordWrap = true, TPoint P = {0, 0}, TCustomImageList* Images = nullptr,
                            int32_t HoverLink = 0, bool HoverStyle = false) {
  TMarkupTextRequest q;
  q.Canvas = C;
  q.Text = Text;
  q.Rect = R;
  q.Images = Images;
  q.XPos = P.X;
  q.YPos = P.Y;
  q.HoverLink = HoverLink;
  q.CheckHotSpot = Mode == TMarkupMode::HitTest;
  q.CheckHeight = Mode == TMarkupMode::Measure;
  q.HoverStyle = HoverStyle;
  q.WordWrap = WordWrap;
  q.URLColor = clBlue;
  q.ShadowColor = clGray;
  const TMarkupTextResult r = DrawMarkupText(q);
  TMarkupResult m;
  m.Hit = r.Hit;
  m.Anchor = r.AnchorVal;
  m.Plain = r.StripVal;
  m.Focus = r.FocusAnchor;
  m.Width = r.XSize;
  m.Height = r.YSize;
  m.Links = r.HyperLinks;
  m.Link = r.MouseLink;
  m.LinkRect = r.HoverRect;
  return m;
}
