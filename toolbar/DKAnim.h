#pragma once
// The opening animation of popup menus. Layered windows do not exist on
// this platform, so a popup never fades: a fade request slides instead, the
// window growing out of its item through a window region. A worker thread
// keeps the time and posts steps to the popup window, whose own thread
// changes the region; one animation runs at a time.

#include <cstdint>

#include "platform/Types.h"
#include "platform/Messages.h"

constexpr UINT MsgAnimationStep = 0x955;      // lParam: the animation's sequence number
constexpr UINT MsgAnimationFinished = 0x956;  // the window has been restored

// Directions (the popup slides away from its parent item).
enum : uint8_t { adLeftward = 1, adRightward = 2, adDownward = 4, adUpward = 8 };

void StartPopupAnimation(HWND Wnd, int32_t Duration, bool Fade, uint8_t Directions);
// Ends the running animation (of Wnd only, when given) and shows the whole
// window.
void FinishPopupAnimation(HWND Wnd);
// The window's part of a step; called by the popup window for
// MsgAnimationStep.
void HandleAnimationStep(LPARAM Sequence);

// For tests.
bool PopupAnimationRunning();
HWND PopupAnimationWindow();
int32_t PopupAnimationLevel();
uint32_t PopupAnimationSequence();
