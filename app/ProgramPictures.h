#pragma once
// The program's own pictures as embedded data resources, so that the panel
// controls' "RES://" addresses find them: "LOGO" (48 x 48) and "LANDSCAPE"
// (64 x 48), PNG files of the about box's drawings over white.

void RegisterProgramPictures();
