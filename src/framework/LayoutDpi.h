#pragma once
// The DPI the window is laid out for, and what brings platform metrics to it.
//
// Layout, images and fonts are fixed pixels for 96 pixels per logical inch. The
// program declares itself unaware of the DPI: Windows then shows it a 96-dpi
// screen and scales the finished window. Where nothing scales the window (Wine
// reports the true figure and draws unscaled), the platform's own metrics (the
// message font, the dialog templates' fonts) would outgrow the fixed layout, so
// they are brought back to 96 dpi here.

#include <windows.h>

#include "framework/Handles.h"

inline constexpr int kLayoutDpi = 96;

// The vertical pixels per logical inch the screen reports to this process. A
// DPI-unaware process keeps one figure for its life, so the screen is asked
// once; callers such as the check marks ask on every paint.
int ReportedScreenDpi();

// value x kLayoutDpi / screenDpi, to the nearest integer with halves away from
// zero; value unchanged when screenDpi is the layout DPI or unknown (<= 0).
LONG ToLayoutDpi(LONG value, int screenDpi);

// The size of a check box's or radio button's mark at the layout DPI.
SIZE CheckMarkSize();

// Dialog base units: the pixels of 4 horizontal and 8 vertical dialog units.
struct DialogUnits {
  int x = 0;
  int y = 0;
};

// A rectangle the dialog manager placed with `placed` units, as it would stand
// with `wanted` units (origin and size each rounded to the nearest pixel).
RECT RescaleDialogRect(const RECT& r, DialogUnits placed, DialogUnits wanted);

// The base units the dialog manager derives from a font: the average width of
// the letters A-Z and a-z, and the font's height.
DialogUnits DialogUnitsOfFont(HFONT font);

// For a dialog just created from a template whose font the platform sized for
// a screen of another DPI: gives the dialog and its direct children the font at
// the layout DPI and moves them where that font's dialog units put them. Returns
// the new font, which must outlive the dialog; empty when nothing was to be done.
UniqueFont FitDialogToLayoutDpi(HWND dialog);
