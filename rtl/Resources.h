// The program's embedded data resources: named blocks of bytes that parts
// of the program put in place at start-up and others look up by name (the
// names compare without regard to case, as resource names do).
#pragma once

#include <string>
#include <string_view>

// Puts Data under Name, replacing an earlier block of that name.
void RegisterResource(std::string_view Name, std::string_view Data);
void UnregisterResource(std::string_view Name);
// The block of that name, or null.
const std::string* FindResource(std::string_view Name);
