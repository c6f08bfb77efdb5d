#pragma once
// The program's start: the start-up screen, then the windows in their order
// (main window, pass-phrase dialog, options, full screen). The caller has
// started the platform and the framework; Run enters the message loop.

#include <string>

void CreateProgramWindows();

// The whole start of the program before its message loop: the process's
// protection, the platform of NOBRIVO_BACKEND, the framework, the themes and
// the windows. False with the reason when the platform cannot start.
bool StartProgram(std::string* Reason);
// Everything StartProgram started, stopped in the reverse order.
void EndProgram();
