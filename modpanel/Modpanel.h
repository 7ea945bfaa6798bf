// The component panel's process-wide values and its operations. The panel
// is plain procedural code: one thread, one shared dialog procedure, these
// values for the current product and the current dialog.
#pragma once

#include <windows.h>

#include "ComponentTable.h"
#include "HtmlHelp.h"
#include "Text.h"

// Actions that start-up posts to the main window.
enum
{
    ACTION_PANEL = 0,
    ACTION_ABOUT = 1,
};


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
// Puts the current folder after the system folders in the system's search
// for files (SearchPathA's safe mode) for the rest of the process, where
// the system has the mode: a file planted in the folder that the panel was
// started in is then not found before the installed one.
void UseSafeSearchMode();
// The paths that start-up works out: the registration tool in the system
// folder, the assemblies folder and the panel's own help file.
void InitialisePaths();
// The own help file path for a program path: everything from the last "."
// replaced by ".chm"; empty when there is no "." or the result does not fit.
// Does not test whether the file exists.
void MakeOwnHelpPath(const char* pszModule, char* pszHelp, int nSize);
// Reads the command line. Sets the current product for each PRODUCT option
// and the action; answers false at the first PRODUCT option whose product the
// catalogue does not know (the caller shows IDS_WRONG_PRODUCT and ends).
bool ParseCommandLine(const char* pszCmdLine, BOOL* pbProductNamed, int* pnAction);
// The choice of product: the named one, else the first installed product of
// kDefaultPanelLine, else kDefaultPanelProduct (ProductLines.h).
void ChooseProduct(BOOL bProductNamed);
// Reads the current product's name, edition and version text again.
void RefreshProductText();
// "%s %s Modpanel" of the product name and the short version, cut to 127.
void BuildTitle();
// Registers the window class and creates the hidden main window.
bool CreateMainWindow();
// The whole run; answers the exit code.
int RunModpanel(HINSTANCE hInstance, const char* pszCmdLine);

// --- Main window and dialogs (Panel.cpp) -----------------------------------
LRESULT CALLBACK MainWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR RunDialog(WORD wTemplate);
void ShowMessage(UINT nId, UINT uStyle);
INT_PTR CALLBACK SharedDialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK KeyboardFilter(int nCode, WPARAM wParam, LPARAM lParam);
// The About box: caption "About <name>", the full name and the version.
void SetUpAboutBox(HWND hDlg);

// --- Component types of a product line (ProductTypes.cpp) -----------------
bool IsScriptingEnabled(int nGroup);
bool IsDotNetEnabled(int nGroup);
// "\v5.0", "\v6.0" or "" for the group's assembly subfolder.
const char* AssemblySubfolder(int nGroup);
int DefaultComponentType(DWORD dwProduct);

// --- Component inspection (Inspect.cpp) ------------------------------------
void SetUpPanel(HWND hDlg);
void FillComponentList(HWND hDlg, int nType);
void InspectComponent(HWND hDlg);
// The selected entry of the Name list, or 0.
const ComponentEntry* SelectedEntry(HWND hDlg);
// Whether the help file of an installed entry can be shown: listed under
// the HTML Help key with a folder where the file exists, and HTML Help loaded.
bool IsComponentHelpAvailable(const ComponentEntry* pEntry);
// --- Paths and registry texts (PathText.cpp) -------------------------------
// Joins up to three parts of a path or key; false, and an empty result,
// when they do not fit.
bool BuildFolder(char* pszFolder, int nSize, const char* pszA, const char* pszB, const char* pszC);
// Joins a folder and a file name with one "\": one is added unless the
// folder ends with one (EndsWithSeparator, the ANSI code page), as a folder
// that another installer registered without it needs. false, and an empty
// result, when it does not fit.
bool JoinPath(const char* pszFolder, const char* pszName, char* pszResult, int nSize);
// A registered path without the quotation marks around it: installers
// often store InprocServer32 quoted. One leading and one trailing '"' are
// left out, each also alone (an opening mark without its closing one).
// Answers the start of the path within pszPath and its length.
const char* PathWithoutQuotes(const char* pszPath, int* pnLength);
// Reads the default value of a key's subkey, always terminated within the
// buffer. False when the value is missing or not text.
bool ReadKeyText(HKEY hKey, const char* pszSubKey, char* pszBuffer, LONG nSize);
// Reads a named text value, always terminated within the buffer.
bool ReadNamedText(HKEY hKey, const char* pszName, char* pszBuffer, DWORD nSize);
// Looks for a file in one folder, or with no folder (nullptr) in the
// system's standard order (SearchPathA; the panel turns on its safe mode,
// UseSafeSearchMode); the found full path goes to pszPath. False when it is
// not found or its path does not fit in nSize bytes.
bool SearchFile(const char* pszFolder, const char* pszName, char* pszPath, int nSize);
// The file registered for a class: the default value of
// "CLSID\<id>\InprocServer32", without the quotation marks around it
// (PathWithoutQuotes). An elevated panel reads it from HKEY_LOCAL_MACHINE's
// classes only, any other from HKEY_CLASSES_ROOT. False when the key or the
// value is missing.
bool ReadRegisteredPath(const char* pszClassId, char* pszPath, LONG nSize);
// Whether a path's text is a full local path: a drive letter, ":" and "\"
// (never a share or a "\\?\" or "\\.\" path), holding no quotation mark and
// no control character. Decided on the text alone, before the file system
// is asked, so that a share named by a registry value is never contacted.
bool IsLocalFullPath(const char* pszPath);

// --- HTML Help (Help.cpp) --------------------------------------------------
void LoadHtmlHelp();
void UnloadHtmlHelp();
bool PreTranslateHelpMessage(MSG* pMsg);
void CloseHelpWindows();
// Help, Contents (F1): the panel's own help file at its table of contents.
void ShowHelpContents(HWND hDlg);
// The selected component's help (Help button, Technical Reference): its
// topic by context number, else the file's contents.
void ShowComponentHelp(HWND hDlg);

// --- Registration (Registration.cpp) ---------------------------------------
// Starts the registration tool (g_szRegistrationTool) for the selected
// entry: its file as the system's search finds it (SearchFile) to register,
// its registered path (ReadRegisteredPath) to unregister. Shows
// IDS_NOT_INSTALLED when the file to register is not found,
// IDS_REGISTRATION_FAILED when the file may not reach the tool
// (IsRegistrableFile) or the tool does not start; does not wait.
void RunRegistrationTool(HWND hDlg, BOOL bRegister);
// Whether a path may reach the registration tool: a full local path
// (IsLocalFullPath) of an existing file, so that nothing in it can become
// a switch or an argument of its own.
bool IsRegistrableFile(const char* pszPath);
// The tool's command line, both paths in quotation marks: "tool" "file" to
// register, "tool" /u "file" to unregister. A path that carries quotation
// marks already is quoted once, not twice (PathWithoutQuotes); an empty
// file gives "". False, and an empty result, when it does not fit in nSize
// bytes.
bool BuildRegistrationCommand(const char* pszTool, const char* pszFile, BOOL bRegister,
                              char* pszCommand, int nSize);

// What the panel's commands, keys and buttons start: the functions above,
// reached through this table so that a test can observe every call (the
// program never changes it).
struct PanelActions
{
    void (*pfnRunRegistrationTool)(HWND hDlg, BOOL bRegister);
    void (*pfnShowHelpContents)(HWND hDlg);
    void (*pfnShowComponentHelp)(HWND hDlg);
    // Starts the registration tool's command line (WinExec).
    UINT(WINAPI* pfnStartProgram)(LPCSTR pszCommandLine, UINT nShow);
};
extern PanelActions g_panelActions;
