// What the files of the control family share among themselves; not for use
// outside ui/.
#pragma once

#include "ui/TControl.h"

namespace ui_detail {

// The control holding the mouse capture through SetCaptureControl, or null.
extern TControl* gCaptureControl;

inline bool IsMouseMessage(UINT m) { return m >= WM_MOUSEFIRST && m <= WM_MOUSELAST; }

inline TPoint MsgPoint(const TMessage& m) { return TPoint{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}; }

// The size a control may take: its auto size, then its constraints.
void LimitSize(TControl* c, TSizeConstraints* k, bool autoSize, bool& guard, int32_t& w, int32_t& h);

}  // namespace ui_detail
