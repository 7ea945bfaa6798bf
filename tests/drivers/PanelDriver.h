// The panel's dialogs in the test's own process, driven by ModalDriver: the
// hidden main window, RunDialog with steps, the state of menu items, and
// the panel's actions counted as its commands reach them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ModalDriver.h"

struct ComponentEntry;

const INT_PTR kPanelTimedOut = kTimedOut;
typedef DialogStep PanelStep;

// The folder of the running test program, without a trailing "\".
std::string TestDir();
// The folder that the panel looks in for installed components (the system
// folder that this program sees).
std::string SystemDir();

// Makes the product and its group the panel's own, with its texts and
// title, as RunDialog does before it shows the panel.
void UsePanelProduct(DWORD product, int group);
// The panel for a product without its modal loop, so that a test can send
// it messages: answers the dialog, or nullptr. ClosePanel destroys it and
// leaves no dialog current.
HWND OpenPanel(DWORD product, int group);
void ClosePanel(HWND& hDlg);

// Creates the hidden main window once per process (as start-up does).
void EnsureMainWindow();
// Runs RunDialog(wTemplate) with the steps; answers its result.
INT_PTR RunDriven(WORD wTemplate, const std::vector<PanelStep>& steps, DWORD limitMs = kDriveLimitMs);

// The first entry of the component table, not hidden, of the type in the
// product group (0: any) that has every flag of needFlags and has a class
// identifier or not; nullptr when there is none.
const ComponentEntry* FindEntry(int type, int group, DWORD needFlags, bool classId);
// Lists the type of the entry (or file) in the panel, selects it and
// inspects it, as a user's choice does; false when it is not listed.
bool SelectEntry(HWND hDlg, const ComponentEntry* entry);
bool SelectFile(HWND hDlg, const char* fileName, int type);

// Whether the menu item of the dialog's menu is grayed.
bool MenuItemGrayed(HWND hDlg, UINT nCommand);

// Calls that reached the panel's actions since CountPanelActions.
struct PanelActionCalls
{
    int nRegister;
    int nUnregister;
    int nHelpContents;
    int nComponentHelp;
    int nStarted;               // programs started (the registration tool)
};
extern PanelActionCalls g_actionCalls;
// Routes the panel's actions through counters (which call the real
// actions) and sets every count to 0.
void CountPanelActions();
