/* A self-registering component file for the panel's registration tests.
   Its class identifier comes from the environment variable
   SELFREG_CLASS_ID, which the registration tool inherits from the test
   through the panel. DllRegisterServer writes CLSID\{...}\InprocServer32
   with the file's own path; DllUnregisterServer removes the class key only
   when that value names this very file (quoted or not). Each call also records the file's
   path under HKEY_CURRENT_USER\Software\Modpanel Self-registration Test
   ("Registered" or "Unregistered"), so that a test sees which copy ran. */
#include <windows.h>

#define SELFREG_E_CLASS ((HRESULT)0x80040201L)

static HINSTANCE g_hSelf;

static const char kRecordKey[] = "Software\\Modpanel Self-registration Test";

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    (void)pReserved;
    if (dwReason == DLL_PROCESS_ATTACH)
        g_hSelf = hInstance;
    return TRUE;
}

/* "CLSID\{...}" of the class identifier in the environment. */
static BOOL ClassKey(char* pszKey, DWORD nSize)
{
    char szClass[64];
    DWORD n = GetEnvironmentVariableA("SELFREG_CLASS_ID", szClass, sizeof(szClass));
    if (n == 0 || n >= sizeof(szClass) || 6 + n + 1 > nSize)
        return FALSE;
    lstrcpyA(pszKey, "CLSID\\");
    lstrcatA(pszKey, szClass);
    return TRUE;
}

static BOOL OwnPath(char* pszPath, DWORD nSize)
{
    DWORD n = GetModuleFileNameA(g_hSelf, pszPath, nSize);
    return n != 0 && n < nSize;
}

static void Record(const char* pszName, const char* pszPath)
{
    HKEY hKey;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kRecordKey, 0, 0, 0, KEY_SET_VALUE, 0, &hKey, 0) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(hKey, pszName, 0, REG_SZ, (const BYTE*)pszPath, lstrlenA(pszPath) + 1);
    RegCloseKey(hKey);
}

HRESULT WINAPI DllRegisterServer(void)
{
    char szKey[128], szServer[160], szPath[MAX_PATH];
    HKEY hKey;
    LONG nResult;
    if (!ClassKey(szKey, sizeof(szKey)) || !OwnPath(szPath, sizeof(szPath)))
        return SELFREG_E_CLASS;
    lstrcpyA(szServer, szKey);
    lstrcatA(szServer, "\\InprocServer32");
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, szServer, 0, 0, 0, KEY_SET_VALUE, 0, &hKey, 0) !=
        ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    nResult = RegSetValueExA(hKey, 0, 0, REG_SZ, (const BYTE*)szPath, lstrlenA(szPath) + 1);
    RegSetValueExA(hKey, "ThreadingModel", 0, REG_SZ, (const BYTE*)"Apartment", 10);
    RegCloseKey(hKey);
    if (nResult != ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    Record("Registered", szPath);
    return S_OK;
}

HRESULT WINAPI DllUnregisterServer(void)
{
    char szKey[128], szServer[160], szPath[MAX_PATH], szRegistered[MAX_PATH];
    LONG nRead = sizeof(szRegistered);
    if (!ClassKey(szKey, sizeof(szKey)) || !OwnPath(szPath, sizeof(szPath)))
        return SELFREG_E_CLASS;
    lstrcpyA(szServer, szKey);
    lstrcatA(szServer, "\\InprocServer32");
    szRegistered[0] = '\0';
    if (RegQueryValueA(HKEY_CLASSES_ROOT, szServer, szRegistered, &nRead) == ERROR_SUCCESS)
    {
        char* pszRegistered = szRegistered;
        int nLength;
        szRegistered[sizeof(szRegistered) - 1] = '\0';
        /* Installers often store the path quoted: it names this file all the same. */
        if (pszRegistered[0] == '"')
            ++pszRegistered;
        nLength = lstrlenA(pszRegistered);
        if (nLength > 0 && pszRegistered[nLength - 1] == '"')
            pszRegistered[nLength - 1] = '\0';
        if (lstrcmpiA(pszRegistered, szPath) == 0)
            RegDeleteTreeA(HKEY_CLASSES_ROOT, szKey);
    }
    Record("Unregistered", szPath);
    return S_OK;
}
