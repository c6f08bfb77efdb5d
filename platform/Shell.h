#pragma once
// Opening a document, web address or mail link with the desktop's program
// for it (xdg-open), without a shell and without waiting for it.

#include <cstdint>

#include "platform/Messages.h"

// Answers a value above 32 when the opener was started; 2 (file not found)
// when no opener could be started; 31 (no association) for verbs other than
// open. The parameters, directory and show command are not used.
intptr_t ShellExecute(HWND hwnd, const char* verb, const char* file, const char* parameters,
                      const char* directory, int32_t showCmd);
inline intptr_t ShellExecuteA(HWND h, const char* v, const char* f, const char* p, const char* d,
                              int32_t s) {
  return ShellExecute(h, v, f, p, d, s);
}
// The program ShellExecute starts; NOBRIVO_OPENER overrides (tests).
const char* ShellOpener();
