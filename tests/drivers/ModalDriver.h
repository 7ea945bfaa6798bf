// Drives a modal dialog in the test's own process, from inside the dialog's
// own modal loop, through a thread timer: no second thread touches a window,
// and keys go through the loop (IsDialogMessage, message filter hooks) as a
// user's would. Every run is bounded: a dialog still open after the limit
// is ended with kTimedOut, so a broken dialog fails its test instead of
// hanging it. The out-of-process counterpart is the dlgdriver program.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

const INT_PTR kTimedOut = -77;
// How long a driven dialog may stay open. Only a broken dialog reaches it,
// so it is generous: under an emulated CPU showing a dialog takes seconds.
const DWORD kDriveLimitMs = 30000;

// One step: called on each tick with the current dialog until it answers
// true; then the next step runs. After the last, the dialog is left to end.
typedef std::function<bool(HWND)> DialogStep;

// Calls runModal, which shows one modal dialog and answers its end code,
// and acts on the dialog with the steps. currentDialog names the dialog to
// act on (default: a visible dialog window of this thread).
INT_PTR DriveModal(const std::function<INT_PTR()>& runModal, const std::vector<DialogStep>& steps,
                   DWORD limitMs, const std::function<HWND()>& currentDialog = nullptr);

// A framework dialog (a CDialog): act is called once, as soon as the
// dialog is visible.
template <class Dialog>
INT_PTR RunModal(Dialog& dlg, const std::function<void(HWND)>& act, DWORD limitMs = kDriveLimitMs)
{
    return DriveModal([&dlg]() { return dlg.DoModal(); },
                      {[&act](HWND hDlg) {
                          act(hDlg);
                          return true;
                      }},
                      limitMs);
}

// A step that waits until what was posted to this thread so far (keys, the
// messages that handling them posts) has been handled: until the thread's
// queue holds no posted or input message.
DialogStep UntilPostedHandled();

// Posts a key press (WM_KEYDOWN, WM_KEYUP) to the focus window (the dialog
// when nothing has the focus), handled after the step returns.
void PostKey(HWND hDlg, UINT vk);
// The same with Alt held (WM_SYSKEYDOWN with the context bit).
void PostAltKey(HWND hDlg, UINT vk);
// Types a key on the keyboard: the dialog is brought to the foreground and
// the key goes through the system's input queue, so that what the system
// makes of a real key press (F1 becoming WM_HELP) happens too. False, and
// nothing typed, when the dialog cannot be brought to the foreground (the
// key would go to another window).
bool TypeKey(HWND hDlg, UINT vk);
// Clicks a push button as the mouse would: press, release, BN_CLICKED.
void ClickButton(HWND hDlg, int id);
// The text of a window, and of a dialog's control.
std::string WindowText(HWND hWnd);
std::string ControlText(HWND hDlg, int id);
// Top-level windows of this thread, visible or not.
int CountThreadWindows();
// A visible dialog window ("#32770") of this thread, or nullptr.
HWND FindThreadDialog();
