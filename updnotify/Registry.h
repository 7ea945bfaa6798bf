// CRegistry: holds at most one open registry key (ANSI registry functions).
// Each use makes a wrapper on the stack; the destructor closes what is
// still open. Results: non-zero for success, zero for failure.
#pragma once

#include <windows.h>

class CRegistry
{
public:
    CRegistry();
    virtual ~CRegistry();

    // Creates the subkey when missing and opens it. A null or empty subkey
    // fails and leaves the key open so far alone; any other failure leaves
    // no key open.
    BOOL CreateKey(HKEY hRoot, const char* pszSubKey);
    // As CreateKey, but opens an existing key with the given access only.
    BOOL OpenKey(HKEY hRoot, const char* pszSubKey, REGSAM samAccess);
    // Reads a value. With no key open, fails and touches no argument.
    BOOL QueryValue(const char* pszName, DWORD* pdwType, BYTE* pData, DWORD* pcbData);
    BOOL SetValue(const char* pszName, const BYTE* pData, DWORD cbData, DWORD dwType);
    // Succeeds when no key was open or the close succeeded; the handle is
    // forgotten either way.
    BOOL Close();

    bool IsOpen() const { return m_hKey != nullptr; }

private:
    CRegistry(const CRegistry&);
    CRegistry& operator=(const CRegistry&);

    HKEY m_hKey;
};
