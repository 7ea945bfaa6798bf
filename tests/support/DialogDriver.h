// Runs a modal dialog on the test's thread and acts on it from inside its
// own modal loop, through a thread timer: no second thread touches the
// window, and keyboard input goes through the loop's IsDialogMessage as a
// user's would. Every run is bounded: a dialog still open after the limit
// is ended with kTimedOut, so a broken dialog fails its test.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "Dialog.h"

const INT_PTR kTimedOut = -77;

// Calls act once with the dialog window as soon as it is visible, then
// waits (pumping its loop) for the dialog to end. Answers DoModal's code.
INT_PTR RunModal(CDialog& dlg, const std::function<void(HWND)>& act, DWORD limitMs = 5000);

// Posts a key press to the focus window (the dialog when nothing has the
// focus), to be handled after act returns.
void PressKey(HWND hDlg, UINT vk);
// Types a key on the keyboard: the dialog is brought to the foreground and
// the key goes through the system's input queue, so that what the system
// makes of a real key press (F1 becoming WM_HELP) happens too.
void TypeKey(HWND hDlg, UINT vk);
// Clicks a push button as the mouse would: press, release, BN_CLICKED.
void ClickButton(HWND hDlg, int id);
// The text of a window.
std::string WindowText(HWND hWnd);
// Top-level windows of this thread, visible or not.
int CountThreadWindows();
