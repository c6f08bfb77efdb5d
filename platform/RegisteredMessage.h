#pragma once
// Message numbers known by name, for messages between windows that share
// no header: the common dialogs' help request, for one.

#include <string>

#include "platform/Messages.h"

// A message number of its own for a name that windows agree on (the common
// dialogs' help request, for one): the same name, in any letter case, gives
// the same number, from 0xC000 up, for the process's life; 0 for an empty
// name or when the range is used up.
UINT RegisterWindowMessage(const std::string& Name);
