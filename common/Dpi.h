// Screen scale. Both programs declare per-monitor (version 2) awareness, so
// a window's DPI can differ from the system's and change while it is open
// (WM_DPICHANGED). The functions that tell it exist only on newer Windows
// and are looked up at run time; on older systems (and where a lookup
// fails) the screen's DPI stands for every window.
#pragma once

#include <windows.h>

const UINT kBaseDpi = 96;

// The DPI that hWnd is drawn at (GetDpiForWindow), else the screen's
// LOGPIXELSY; never 0.
UINT WindowDpi(HWND hWnd);

// A size in pixels at 96 DPI, scaled to nDpi, rounded to nearest.
int ScaleToDpi(int nPixelsAt96, UINT nDpi);

// A system metric for nDpi (GetSystemMetricsForDpi), else the system's.
int SystemMetricForDpi(int nIndex, UINT nDpi);

// Tells the dialog manager not to hand hCtl a new font when its dialog
// moves to a screen of another scale (SetDialogControlDpiChangeBehavior,
// DCDC_DISABLE_FONT_UPDATE): for a control whose font is its own.
void KeepOwnFontOnDpiChange(HWND hCtl);
