#pragma once
// The desktop's icons for files and folders, in two system image lists
// (small and large icons) that share their indexes. An icon comes from the
// freedesktop icon theme ("default", its parents, then "hicolor") when one
// is installed, else from the platform's own drawn set. Icon directories:
// $XDG_DATA_HOME/icons, ~/.icons, $XDG_DATA_DIRS/icons, /usr/share/pixmaps;
// file types by name from the shared MIME database (mime/globs2).

#include <cstdint>
#include <vector>

#include "platform/DC.h"
#include "platform/Types.h"

struct SystemImageListObject;
using HIMAGELIST = SystemImageListObject*;

struct SHFILEINFO {
  void* hIcon = nullptr;  // not filled: icons are drawn through the image list
  int32_t iIcon = 0;      // index in the system image list
  DWORD dwAttributes = 0;
  char szDisplayName[260] = {};
  char szTypeName[80] = {};
};

constexpr UINT SHGFI_LARGEICON = 0x0000;
constexpr UINT SHGFI_SMALLICON = 0x0001;
constexpr UINT SHGFI_USEFILEATTRIBUTES = 0x0010;
constexpr UINT SHGFI_SYSICONINDEX = 0x4000;

constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x0010;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x0080;

constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
constexpr UINT ILD_NORMAL = 0x0000;
constexpr UINT ILD_TRANSPARENT = 0x0001;

// With SHGFI_SYSICONINDEX: puts the index of path's icon into sfi->iIcon and
// answers the small (SHGFI_SMALLICON) or large system image list as a
// number; 0 when path is missing or, without SHGFI_USEFILEATTRIBUTES, names
// nothing that exists. With SHGFI_USEFILEATTRIBUTES only the name and the
// attributes (FILE_ATTRIBUTE_DIRECTORY) count. Other requests answer 0.
uintptr_t SHGetFileInfo(const char* path, DWORD attributes, SHFILEINFO* sfi, UINT cbFileInfo, UINT flags);

// The side of the list's icons: the small or large icon metric.
BOOL ImageList_GetIconSize(HIMAGELIST list, int32_t* cx, int32_t* cy);
// Icons known so far (the first four always: a file, a folder, an open
// folder, an image file).
int32_t ImageList_GetImageCount(HIMAGELIST list);
// Draws icon i at (x, y), stretched to dx x dy (0: the icon's own size),
// blended over the DC by its transparency. Colours and style are not used.
BOOL ImageList_DrawEx(HIMAGELIST list, int32_t i, HDC dc, int32_t x, int32_t y, int32_t dx, int32_t dy,
                      COLORREF bk, COLORREF fg, UINT style);
// The pixels of icon i (side x side, 0xAARRGGBB, top row first, alpha not
// premultiplied); false for an unknown index.
bool ImageList_GetPixels(HIMAGELIST list, int32_t i, std::vector<uint32_t>& pixels);

// Forgets the themes, file types and icons read so far, so that the next
// request reads the icon directories again (after the theme changed).
void ReloadShellIcons();

// The platform's own drawings of files and folders, side x side pixels as
// above; the program's toolbar uses them too.
enum class TDrawnShellIcon { File, ImageFile, Folder, OpenFolder };
std::vector<uint32_t> DrawnShellIcon(TDrawnShellIcon Kind, int32_t Side);
