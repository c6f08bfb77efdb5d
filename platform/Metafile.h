// Windows metafiles (plain or behind a placeable header) and enhanced
// metafiles: read from their bytes and played on a device context with the
// platform's own drawing calls.
//
// The player knows the records of the drawing state (colours, modes, window
// and viewport, world transform of enhanced metafiles, saved states), of
// pens, brushes and fonts, of lines, polygons, rectangles, ellipses, pixels,
// text, clip rectangles, pattern fills and device-independent bitmaps.
// Records it does not know are skipped. The bytes are untrusted: a record
// that claims more than the file holds ends the playback, a record too short
// for what it needs is skipped, and the work of one playback is bounded by
// the size of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/DC.h"
#include "platform/Geometry.h"

class TMetafile {
 public:
  // Takes a copy of the bytes; false (and empty) when they hold no metafile
  // this player reads: an enhanced metafile needs its header record, a
  // Windows metafile its standard header and, without a placeable header, a
  // window extent to size it by.
  bool Load(const uint8_t* Data, size_t Size);
  void Clear();
  bool Empty() const { return data_.empty(); }
  bool Enhanced() const { return enhanced_; }
  // The picture's size in pixels at 96 pixels per inch: the frame of an
  // enhanced metafile, the bounding box of a placeable metafile, the window
  // extent of a plain one.
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

  // Plays the records on Dc with the picture stretched over Rect (Dc's
  // logical coordinates). Dc's state is the same afterwards.
  void Play(HDC Dc, const TRect& Rect) const;

  // Of the last Play: records drawn or applied, and records skipped.
  int32_t PlayedRecords() const { return played_; }
  int32_t SkippedRecords() const { return skipped_; }

 private:
  std::vector<uint8_t> data_;
  bool enhanced_ = false;
  // Windows metafiles: where the records start, the object table's size and
  // the picture's box in metafile units (placeable: its bounding box).
  size_t records_at_ = 0;
  int32_t objects_ = 0;
  TRect box_{};
  bool has_box_ = false;
  // Enhanced metafiles: the frame in reference-device pixels.
  double frame_[4] = {};
  int32_t width_ = 0, height_ = 0;
  mutable int32_t played_ = 0, skipped_ = 0;
  friend class TMetafilePlayer;
};
