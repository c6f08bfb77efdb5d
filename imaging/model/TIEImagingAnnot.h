// The annotation marks that TIFF files carry in their imaging-annotation
// tag: kept and passed on (read, copied, written back), never drawn.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "rtl/TObject.h"

class TIEBitmap;

// One mark: its attribute record kept byte for byte, and what its type
// carries (points of lines, text, an embedded image).
class TIEImagingObject : public TObject {
 public:
  TIEImagingObject();
  ~TIEImagingObject() override;

  static constexpr int32_t kAttributesSize = 164;
  // Mark type, bounds, colours, line size, font, flags, as stored.
  std::array<uint8_t, kAttributesSize> Attributes{};
  std::vector<std::array<int32_t, 2>> Points;
  std::string Text;
  bool HasText = false;
  std::unique_ptr<TIEBitmap> Image;

  int32_t MarkType() const;
  int32_t FontHeight() const;
  void SetFontHeight(int32_t Value);
};

// Mark types.
enum : int32_t {
  iemEmbeddedImage = 1, iemImageReference = 2, iemStraightLine = 3, iemFreehandLine = 4,
  iemHollowRectangle = 5, iemFilledRectangle = 6, iemTypedText = 7, iemTextFromFile = 8,
  iemTextStamp = 9, iemAttachANote = 10, iemForm = 12
};

class TIEImagingAnnot : public TObject {
 public:
  TIEImagingAnnot() = default;
  ~TIEImagingAnnot() override;

  int32_t Count() const { return static_cast<int32_t>(objects_.size()); }
  TIEImagingObject* Objects(int32_t Index) const { return objects_[static_cast<size_t>(Index)].get(); }
  void Add(std::unique_ptr<TIEImagingObject> Object) { objects_.push_back(std::move(Object)); }

  void Clear() { objects_.clear(); }
  // Deep copies of Source's marks.
  void Assign(const TIEImagingAnnot* Source);
  // Appends the marks of a block; a block, or a part of it, that claims
  // more bytes than it holds ends the reading there.
  void LoadFromBuffer(const uint8_t* Buffer, int64_t Length);
  // The block of all marks; empty when there are none.
  std::vector<uint8_t> SaveToBuffer() const;

  // The screen resolution the marks' sizes and text heights refer to.
  int32_t ScreenDpiX = 96, ScreenDpiY = 96;

 private:
  std::vector<std::unique_ptr<TIEImagingObject>> objects_;
};
