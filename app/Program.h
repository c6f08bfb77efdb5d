#pragma once
// The program's start: the start-up screen, then the windows in their order
// (main window, pass-phrase dialog, options, full screen). The caller has
// started the platform and the framework; Run enters the message loop.

void CreateProgramWindows();
