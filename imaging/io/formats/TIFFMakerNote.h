// The maker note of a TIFF page's EXIF directory: read into the handler as
// a little-endian directory of its own, and laid out again for writing.
#pragma once

#include <cstdint>
#include <vector>

class TTIFFDirectory;
class TIETagsHandler;

// Copies the maker-note tag of the EXIF directory (null: none) into Handler
// and parses it. A note that is no directory (a vendor header before it,
// more than 256 entries, entries past its bytes) leaves the handler empty.
void ReadTIFFMakerNote(const TTIFFDirectory* Exif, TIETagsHandler& Handler);

// The handler's bytes with every out-of-entry offset moved by Position, the
// place the block is written at; empty when the handler holds less than one
// entry.
std::vector<uint8_t> TIFFMakerNoteBlock(const TIETagsHandler& Handler, uint32_t Position);
