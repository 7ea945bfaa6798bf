// The component panel's process-wide values and its operations. The panel
// is plain procedural code: one thread, one shared dialog procedure, these
// values for the current product and the current dialog.
#pragma once

#include <windows.h>

#include "ComponentTable.h"

// Actions that start-up posts to the main window.
enum
{
    ACTION_PANEL = 0,
    ACTION_ABOUT = 1,
};

typedef HWND(WINAPI* HtmlHelpFn)(HWND, LPCSTR, UINT, DWORD_PTR);

// --- Process-wide values ---------------------------------------------------
extern HINSTANCE g_hInstance;
extern HWND g_hMainWnd;

extern DWORD g_dwProduct;               // current product identifier
extern int g_nProductGroup;             // current product group
extern char g_szProductName[128];
extern char g_szProductEdition[128];
extern char g_szFullProductName[256];   // name, or name, blank and edition
extern char g_szVersionText[32];
extern char g_szTitle[128];

extern char g_szRegistrationTool[MAX_PATH];
extern const char g_szAssembliesFolder[];
extern char g_szHelpFile[MAX_PATH];     // own help file, or empty

extern HtmlHelpFn g_pfnHtmlHelp;        // 0 when HTML Help is not loaded
extern DWORD g_dwHtmlHelpCookie;

extern HWND g_hDialog;                  // current dialog
extern WORD g_wTemplate;                // current dialog template number
extern HHOOK g_hFilter;                 // current keyboard filter

extern int g_nComponentType;            // current component type

// --- Start-up (Startup.cpp) ------------------------------------------------
// Start-up steps 2 to 4: registration tool, assemblies folder, own help file.
void InitialisePaths();
// The own help file path for a program path: everything from the last "."
// replaced by ".chm"; empty when there is no "." or the result does not fit.
// Does not test whether the file exists.
void MakeOwnHelpPath(const char* pszModule, char* pszHelp, int nSize);
// Reads the command line. Sets the current product for each PRODUCT option
// and the action; answers FALSE at the first PRODUCT option whose product the
// catalogue does not know (the caller shows message 17 and ends).
BOOL ParseCommandLine(const char* pszCmdLine, BOOL* pbProductNamed, int* pnAction);
// The choice of product: the named one, else the first group-4 product that
// is installed, else product 17 (group 4).
void ChooseProduct(BOOL bProductNamed);
// Reads the current product's name, edition and version text again.
void RefreshProductText();
// "%s %s Modpanel" of the product name and the short version, cut to 127.
void BuildTitle();
// Registers the window class and creates the hidden main window.
BOOL CreateMainWindow();
// The whole run; answers the exit code.
int RunModpanel(HINSTANCE hInstance, const char* pszCmdLine);

// --- Main window and dialogs (Panel.cpp) -----------------------------------
LRESULT CALLBACK MainWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR RunDialog(WORD wTemplate);
void ShowMessage(UINT nId, UINT uStyle);
INT_PTR CALLBACK SharedDialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK KeyboardFilter(int nCode, WPARAM wParam, LPARAM lParam);

// --- Component inspection (Inspect.cpp) ------------------------------------
BOOL IsScriptingEnabled(int nGroup);
BOOL IsDotNetEnabled(int nGroup);
// "\v5.0", "\v6.0" or "" for the group's assembly subfolder.
const char* AssemblySubfolder(int nGroup);
int DefaultComponentType(DWORD dwProduct);
void SetUpPanel(HWND hDlg);
void FillComponentList(HWND hDlg, int nType);
void InspectComponent(HWND hDlg);
// The selected entry of the Name list, or 0.
const ComponentEntry* SelectedEntry(HWND hDlg);
// Whether the help file of an installed entry can be shown: listed under
// the HTML Help key with a folder where the file exists, and HTML Help loaded.
BOOL IsComponentHelpAvailable(const ComponentEntry* pEntry);
// Joins a folder and a file name with one "\" (none added when the folder
// ends with one). FALSE, and an empty result, when it does not fit.
BOOL JoinPath(const char* pszFolder, const char* pszName, char* pszResult, int nSize);
// Reads the default value of a key's subkey, always terminated within the
// buffer. FALSE when the value is missing or not text.
BOOL ReadKeyText(HKEY hKey, const char* pszSubKey, char* pszBuffer, LONG nSize);
// Reads a named text value, always terminated within the buffer.
BOOL ReadNamedText(HKEY hKey, const char* pszName, char* pszBuffer, DWORD nSize);

// --- HTML Help (Help.cpp) --------------------------------------------------
void LoadHtmlHelp();
void UnloadHtmlHelp();
BOOL PreTranslateHelpMessage(MSG* pMsg);
void CloseHelpWindows();
// Entry points that the help of the panel fills: Help, Contents (F1) and
// the component's help (Help button, Technical Reference). Not yet written:
// they only count their calls.
void ShowHelpContents(HWND hDlg);
void ShowComponentHelp(HWND hDlg);
// The About box's own set-up; not yet written (the template's texts stay).
void SetUpAboutBox(HWND hDlg);

// --- Registration (Registration.cpp) ---------------------------------------
// Starts the system's registration tool for the selected entry. Not yet
// written: it only counts its calls.
void RunRegistrationTool(HWND hDlg, BOOL bRegister);

// Calls of the entry points that are not yet written, for the tests.
struct EntryPointCalls
{
    int nRegister;
    int nUnregister;
    int nHelpContents;
    int nComponentHelp;
};
extern EntryPointCalls g_entryCalls;
