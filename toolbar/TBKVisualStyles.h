#pragma once
// The binding of the platform's visual-styles library. This platform has no
// such library: binding never succeeds, so every themed control takes its
// classic look.

// Whether the library is loaded (never here).
bool BindVisualStyles();
void UnbindVisualStyles();
// Loaded, the application is themed and the theme is active.
bool VisualStylesAvailable();
