// The program's own cursors, found by the names of their resource groups as
// a program finds the cursors of its resources. They are drawn here from
// shapes, as the platform's own icons are: 32 x 32 pixels, black figures
// with a white rim so that they show over any picture.
#pragma once

#include <string>
#include <vector>

#include "platform/Window.h"

// The cursor of the named group (letter case ignored, as resource names
// are), made on first use and shared by every caller for the life of the
// process; nullptr for a name the program does not hold. Instance names the
// module whose resources are searched; this program has one, so any value
// stands for it.
HCURSOR LoadCursorByName(void* Instance, const std::string& Name);

// Every name LoadCursorByName answers, in a fixed order.
const std::vector<std::string>& ProgramCursorNames();
