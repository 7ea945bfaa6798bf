// The panel's window, dialog and help operations, which its start-up file
// names but the command-line target never calls. They live in the panel's
// other files, which are not compiled here; each stand-in crashes.
#include <stdio.h>
#include <stdlib.h>

#include "Modpanel.h"

namespace
{
[[noreturn]] void Reached(const char* pszName)
{
    fprintf(stderr, "panel stand-in: %s reached\n", pszName);
    abort();
}
} // namespace

LRESULT CALLBACK MainWindowProc(HWND, UINT, WPARAM, LPARAM) { Reached("MainWindowProc"); }
void ShowMessage(UINT, UINT) { Reached("ShowMessage"); }
void LoadHtmlHelp() { Reached("LoadHtmlHelp"); }
void UnloadHtmlHelp() { Reached("UnloadHtmlHelp"); }
bool PreTranslateHelpMessage(MSG*) { Reached("PreTranslateHelpMessage"); }
