// Runs the panel's dialogs in the test's own process and acts on them from
// inside their modal loop through a thread timer, as a user would: keys go
// through the loop (and so through the panel's keyboard filter). Every run
// is bounded: dialogs still open after the limit are ended with
// kPanelTimedOut, so a broken dialog fails its test instead of hanging.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

const INT_PTR kPanelTimedOut = -77;

// One step: called on each tick with the current dialog until it answers
// true; then the next step runs.
typedef std::function<bool(HWND)> PanelStep;

// Creates the hidden main window once per process (as start-up does).
void EnsureMainWindow();
// Runs RunDialog(wTemplate) with the steps; answers its result.
INT_PTR RunDriven(WORD wTemplate, const std::vector<PanelStep>& steps, DWORD limitMs = 8000);

// Posts a key press (WM_KEYDOWN/WM_KEYUP) to the dialog's focus window.
void PostKey(HWND hDlg, UINT vk);
// Posts a key pressed with Alt held (WM_SYSKEYDOWN with the context bit).
void PostAltKey(HWND hDlg, UINT vk);
std::string ControlText(HWND hDlg, int id);
// Whether the menu item of the dialog's menu is grayed.
bool MenuItemGrayed(HWND hDlg, UINT nCommand);
