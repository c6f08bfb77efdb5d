// Content tests of Windows metafiles (plain and placeable) and enhanced
// metafiles. Reading them is the metafile loader's.
#pragma once

#include "imaging/io/IEFormats.h"

class TStream;

// A standard metafile header at the position, or 22 bytes on behind a
// placeable metafile's header; the position is restored.
bool IsWMFStream(TStream* Stream);
// An enhanced metafile's header record at the position; the position is
// restored.
bool IsEMFStream(TStream* Stream);

// The formats in content detection (no reader in this build).
TIEFormatHandler WMFFormatHandler();
TIEFormatHandler EMFFormatHandler();
