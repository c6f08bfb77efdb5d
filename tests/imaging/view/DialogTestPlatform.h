// The headless window system for the dialog tests. Kept in its own file: the
// user-interface headers and the image view's header are not yet usable in
// one translation unit.
#pragma once

bool StartHeadlessControls();
void StopHeadlessControls();
