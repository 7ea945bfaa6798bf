// The system's HTML Help (hhctrl.ocx), loaded at run time from the system
// folder only, so that a program runs without it and never picks up a copy
// beside the program or in the current folder. Commands by htmlhelp.h's
// names (HH_DISPLAY_TOC, HH_HELP_CONTEXT, ...).
#pragma once

#include <windows.h>
#include <htmlhelp.h>

typedef HWND(WINAPI* HtmlHelpFn)(HWND, LPCSTR, UINT, DWORD_PTR);

// HtmlHelpA of the system's hhctrl.ocx, or nullptr when the library or the
// function is missing. The library is loaded at the first call and stays
// loaded for the life of the process: the help windows live in it.
HtmlHelpFn SystemHtmlHelp();
