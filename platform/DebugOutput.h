#pragma once
// The debugger output: short diagnostic lines that no user sees. Each line
// goes to the standard error stream (prefixed "debug: ") and to the
// installed listener, if any. Callable from any thread.

#include <functional>
#include <string>

void OutputDebugString(const std::string& Text);
// Replaces the listener (empty: none); returns the previous one.
std::function<void(const std::string&)> SetDebugOutputListener(
    std::function<void(const std::string&)> Listener);
