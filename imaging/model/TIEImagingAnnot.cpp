#include "imaging/model/TIEImagingAnnot.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "imaging/model/DIBConvert.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Numeric.h"

namespace {

// Block types of the annotation stream.
constexpr int32_t kFileNamedBlock = 2;
constexpr int32_t kMarkAttributes = 5;
constexpr int32_t kMarkNamedBlock = 6;
constexpr int32_t kNamedBlockSize = 12;
constexpr int32_t kRotationSize = 56;
// Offset of the font's height in the attribute record: after the type,
// the bounds, two colours, highlighting, transparent, line size and the
// two points.
constexpr size_t kFontOffset = 4 + 16 + 8 + 4 * 5;
constexpr int32_t kTextHeaderSize = 16;

int32_t I32(const uint8_t* p) {
  return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
}
void Put32(std::vector<uint8_t>& b, int64_t v) {
  for (int k = 0; k < 4; ++k) b.push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * k)));
}

// Writes one named block: type, size 12, the name in 8 bytes, the data
// length and the data.
void Named(std::vector<uint8_t>& out, int32_t type, const char* name, const std::vector<uint8_t>& data) {
  Put32(out, type);
  Put32(out, kNamedBlockSize);
  // The field is 8 bytes with no terminator: an 8-letter name fills it.
  char n[8] = {};
  std::memcpy(n, name, std::min<size_t>(std::strlen(name), sizeof n));
  out.insert(out.end(), n, n + 8);
  Put32(out, static_cast<int64_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
}

std::vector<uint8_t> Text(const std::string& s) {
  std::vector<uint8_t> v(s.begin(), s.end());
  v.push_back(0);
  return v;
}

}  // namespace

TIEImagingObject::TIEImagingObject() = default;
TIEImagingObject::~TIEImagingObject() = default;

int32_t TIEImagingObject::MarkType() const { return I32(Attributes.data()); }
int32_t TIEImagingObject::FontHeight() const { return I32(Attributes.data() + kFontOffset); }
void TIEImagingObject::SetFontHeight(int32_t Value) {
  for (int k = 0; k < 4; ++k) Attributes[kFontOffset + k] = static_cast<uint8_t>(static_cast<uint32_t>(Value) >> (8 * k));
}

TIEImagingAnnot::~TIEImagingAnnot() = default;

void TIEImagingAnnot::Assign(const TIEImagingAnnot* Source) {
  Clear();
  if (!Source || Source == this) return;
  for (const auto& o : Source->objects_) {
    auto c = std::make_unique<TIEImagingObject>();
    c->Attributes = o->Attributes;
    c->Points = o->Points;
    c->Text = o->Text;
    c->HasText = o->HasText;
    if (o->Image) {
      c->Image = std::make_unique<TIEBitmap>();
      c->Image->Assign(o->Image.get());
    }
    objects_.push_back(std::move(c));
  }
}

void TIEImagingAnnot::LoadFromBuffer(const uint8_t* Buffer, int64_t Length) {
  if (!Buffer || Length < 8) return;
  const bool wide = I32(Buffer + 4) != 0;  // 32-bit integers
  int64_t pos = 8;
  std::array<uint8_t, TIEImagingObject::kAttributesSize> attributes{};
  bool pending = false;
  std::map<std::string, std::vector<uint8_t>> blocks;

  auto finish = [&] {
    if (!pending) return;
    pending = false;
    auto o = std::make_unique<TIEImagingObject>();
    o->Attributes = attributes;
    const int32_t type = o->MarkType();
    if (type < 1) return;
    if (type == iemEmbeddedImage) {
      const auto it = blocks.find("OiDIB");
      if (it != blocks.end()) {
        auto image = std::make_unique<TIEBitmap>();
        if (DIBToTIEBitmap(it->second.data(), static_cast<int64_t>(it->second.size()), image.get()) > 0)
          o->Image = std::move(image);
      }
    } else if (type == iemStraightLine || type == iemFreehandLine) {
      const auto it = blocks.find("OiAnoDat");
      if (it != blocks.end() && it->second.size() >= 8) {
        const std::vector<uint8_t>& d = it->second;
        const int64_t n = std::min<int64_t>(std::max(I32(&d[4]), 0), static_cast<int64_t>((d.size() - 8) / 8));
        for (int64_t i = 0; i < n; ++i) o->Points.push_back({I32(&d[8 + 8 * i]), I32(&d[12 + 8 * i])});
      }
    } else if (type >= iemTypedText && type <= iemAttachANote) {
      const auto it = blocks.find("OiAnText");
      if (it != blocks.end() && it->second.size() >= kTextHeaderSize) {
        const std::vector<uint8_t>& d = it->second;
        const int32_t scale = I32(&d[8]);
        const int32_t length = std::clamp<int32_t>(I32(&d[12]), 0, static_cast<int32_t>(d.size()) - kTextHeaderSize);
        std::string text(reinterpret_cast<const char*>(&d[kTextHeaderSize]), static_cast<size_t>(length));
        const size_t z = text.find('\0');
        if (z != std::string::npos) text.resize(z);
        o->Text = text;
        o->HasText = true;
        if (scale > 0 && ScreenDpiY > 0)
          o->SetFontHeight(static_cast<int32_t>(
              Round(72000.0 / scale * o->FontHeight() / ScreenDpiY)));
      }
    }
    objects_.push_back(std::move(o));
  };

  while (pos + 8 <= Length) {
    const int32_t type = I32(Buffer + pos);
    pos += 8;
    if (type == kMarkAttributes) {
      finish();
      blocks.clear();
      if (pos + TIEImagingObject::kAttributesSize > Length) break;
      std::memcpy(attributes.data(), Buffer + pos, TIEImagingObject::kAttributesSize);
      pos += TIEImagingObject::kAttributesSize;
      pending = true;
    } else if (type == kFileNamedBlock || type == kMarkNamedBlock) {
      const int64_t head = 8 + 4 + (wide ? 0 : 4);
      if (pos + head > Length) break;
      char name[9] = {};
      std::memcpy(name, Buffer + pos, 8);
      const int64_t n = I32(Buffer + pos + 8);
      pos += head;
      if (n < 0 || n > Length - pos) break;
      if (type == kMarkNamedBlock && pending) blocks[name].assign(Buffer + pos, Buffer + pos + n);
      pos += n;
    }
  }
  finish();
}

std::vector<uint8_t> TIEImagingAnnot::SaveToBuffer() const {
  std::vector<uint8_t> out;
  if (objects_.empty()) return out;
  Put32(out, 0);
  Put32(out, 1);
  Named(out, kFileNamedBlock, "OiGroup", Text("0"));
  Named(out, kFileNamedBlock, "OiIndex", Text("1"));
  const int32_t scale = ScreenDpiY > 0 ? 72000 / ScreenDpiY : 750;
  for (size_t i = 0; i < objects_.size(); ++i) {
    const TIEImagingObject& o = *objects_[i];
    Put32(out, kMarkAttributes);
    Put32(out, TIEImagingObject::kAttributesSize);
    out.insert(out.end(), o.Attributes.begin(), o.Attributes.end());
    const int32_t type = o.MarkType();
    if (type == iemEmbeddedImage && o.Image) {
      std::vector<uint8_t> rot;
      Put32(rot, 1);
      Put32(rot, 1000);
      Put32(rot, ScreenDpiX);
      Put32(rot, ScreenDpiY);
      Put32(rot, ScreenDpiX);
      Put32(rot, ScreenDpiY);
      rot.resize(kRotationSize, 0);
      Named(out, kMarkNamedBlock, "OiAnoDat", rot);
      Named(out, kMarkNamedBlock, "OiDIB", CopyRectToDIB(o.Image.get(), 0, 0, 0, 0));
    } else if (type == iemStraightLine || type == iemFreehandLine) {
      std::vector<uint8_t> d;
      Put32(d, static_cast<int64_t>(o.Points.size()));
      Put32(d, static_cast<int64_t>(o.Points.size()));
      for (const auto& p : o.Points) {
        Put32(d, p[0]);
        Put32(d, p[1]);
      }
      Named(out, kMarkNamedBlock, "OiAnoDat", d);
    } else if (type >= iemTypedText && type <= iemAttachANote) {
      std::vector<uint8_t> d;
      Put32(d, 0);
      Put32(d, 1000);
      Put32(d, scale);
      Put32(d, static_cast<int64_t>(o.Text.size()));
      const std::vector<uint8_t> t = Text(o.Text);
      d.insert(d.end(), t.begin(), t.end());
      Named(out, kMarkNamedBlock, "OiAnText", d);
    }
    Named(out, kMarkNamedBlock, "OiGroup", Text("0"));
    Named(out, kMarkNamedBlock, "OiIndex", Text(std::to_string(i)));
  }
  return out;
}
