#include "toolbar/TBKVisualStyles.h"

bool BindVisualStyles() { return false; }
void UnbindVisualStyles() {}
bool VisualStylesAvailable() { return false; }
