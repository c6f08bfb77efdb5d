// The file-type lists of the open and save dialogs, built from the format
// registry, and the small text rules around them: the entry of a file name,
// the pattern of an entry, the extension a pattern gives, and the extension
// of a name rewritten for another type.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/view/IEDialogWords.h"

// The file-type list: description "|" pattern "|" description ... The open
// list (ForSave false) begins with the "all graphics" and "all files"
// entries and has one entry per readable format; the save list one entry
// per writable format. WithVideo adds the video file types.
std::string BuildImageFilter(bool ForSave, TMsgLanguage Language, bool WithVideo);

// The 1-based entry whose patterns hold the file name's extension (lower
// case), 1 when none does. Patterns are matched whole: ".tif" does not match
// inside "*.tiff".
int32_t FilterIndexOfFileName(const std::string& Filter, const std::string& FileName);
// The number of entries of a list.
int32_t FilterEntryCount(const std::string& Filter);
// The pattern (text after the description's "|") of the 1-based entry; empty
// when the list has no such entry.
std::string FilterPattern(const std::string& Filter, int32_t Index);
// The list as the platform dialog takes it: each "|" a terminating zero,
// ending in a double zero.
std::string FilterToZeroList(const std::string& Filter);

// The first extension of a pattern, dot included: from its first "." to its
// first ";" ("*.jpg;*.jpeg" gives ".jpg"). Empty when the pattern has no dot
// or its first extension is itself a mask ("*.*", "*.jp?").
std::string PatternFirstExtension(const std::string& Pattern);
// The extension after a pattern's last dot, dot included ("*.tif;*.tiff"
// gives ".tiff"); empty when none or when it is a wild card.
std::string PatternLastExtension(const std::string& Pattern);

// The extension of a file name, dot included: from the last dot of its name
// part when that dot is not the name's first character (".hidden" and
// "dir/.png" have none, as the file dialog sees them).
std::string NameExtension(const std::string& FileName);

// A typed name given another extension: the folder dropped and the name cut
// before its first dot ("my.photo.jpg" with ".png" gives "my.png"); a dot
// that begins the name does not count (".hidden" gives ".hidden.png").
std::string ReplaceNameExtension(const std::string& FileSpec, const std::string& Extension);

// The format of a name in the save dialog: the registry entry of the name's
// extension (else DefaultExt's); when that gives neither pages nor a type
// and a pattern is selected, the extension of the pattern.
struct TIENameFormat {
  uint16_t Pages = 0;
  int32_t TypeId = 0;
};
TIENameFormat FindNameFormat(const std::string& FileName, const std::string& DefaultExt,
                             const std::string& Pattern);
