#pragma once
// Factories of the backends.

#include <memory>
#include <string>

#include "platform/Backend.h"

std::unique_ptr<TBackend> CreateHeadlessBackend();
// Null with a one-line reason when no display can be opened.
std::unique_ptr<TBackend> CreateSdlBackend(std::string* reason);
