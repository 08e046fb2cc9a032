#pragma once
// Loads the theme shipped in the output folder (res.dll, ui.xml, images/) into Theme(), once per
// test process, as the program does at start-up. Returns whether both loaded.

bool LoadShippedTheme();
