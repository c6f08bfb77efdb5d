#pragma once
// Saving and restoring where the dockable windows of a form are: docked
// (which dock, row and position), floating (where) or hidden, one registry
// key per window under a key of the current user.

#include <functional>
#include <string>

class TComponent;

// Named values a window's placement is written to and read from.
struct TDKPlacementValues {
  std::function<void(const std::string& Name, int32_t Value)> WriteInteger;
  std::function<int32_t(const std::string& Name, int32_t Default)> ReadInteger;
};

// Every dockable window owned by Owner, under KeyPath\<window name>.
void DKSaveToolbarPositions(TComponent* Owner, const std::string& KeyPath);
// Windows without a stored placement stay where they are. A floating window
// stored outside every monitor is brought back onto the work area.
void DKLoadToolbarPositions(TComponent* Owner, const std::string& KeyPath);
