#pragma once
// How a themed control fits its caption into its width: on one line, cut
// with an ellipsis at the end or in the middle of a path, or wrapped.

enum TTextWrapping { twNone, twEndEllipsis, twPathEllipsis, twWrap };
// Status panels cut their captions but never wrap them.
using TTextTruncation = TTextWrapping;
