// The program's own drawn pictures for the toolbar and the folder list:
// 16 x 16, 32 bits with alpha, placed at the indexes the main window uses.
#pragma once

#include <cstdint>
#include <vector>

class TCustomImageList;

// Indexes of the pictures in the main window's image list.
namespace ButtonImage {
constexpr int32_t FullScreen = 20;
constexpr int32_t RotateRight = 37;
constexpr int32_t RotateLeft = 45;
constexpr int32_t Open = 72;
constexpr int32_t Save = 73;
constexpr int32_t Options = 79;
constexpr int32_t Page = 86;  // clearing the image, and a file in the folder list
constexpr int32_t About = 111;
constexpr int32_t SaveEncrypted = 114;
constexpr int32_t Folder = 115;
constexpr int32_t ImageFile = 116;
constexpr int32_t Count = 117;
}  // namespace ButtonImage

// The picture drawn for Index (16 x 16 values 0xAARRGGBB, top row first,
// alpha not premultiplied); fully transparent for an unused index.
std::vector<uint32_t> DrawButtonImage(int32_t Index);

// Empties List, sizes it to 16 x 16 and fills it with every picture, so
// that each index above holds its picture.
void FillButtonImages(TCustomImageList* List);
