#include "Registry.h"

CRegistry::CRegistry() : m_hKey(nullptr) {}

CRegistry::~CRegistry()
{
    Close();
}

BOOL CRegistry::CreateKey(HKEY hRoot, const char* pszSubKey)
{
    if (pszSubKey == nullptr || *pszSubKey == '\0')
        return FALSE;
    Close();
    HKEY hKey = nullptr;
    if (RegCreateKeyA(hRoot, pszSubKey, &hKey) != ERROR_SUCCESS)
        return FALSE;
    m_hKey = hKey;
    return TRUE;
}

BOOL CRegistry::OpenKey(HKEY hRoot, const char* pszSubKey, REGSAM samAccess)
{
    if (pszSubKey == nullptr || *pszSubKey == '\0')
        return FALSE;
    Close();
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(hRoot, pszSubKey, 0, samAccess, &hKey) != ERROR_SUCCESS)
        return FALSE;
    m_hKey = hKey;
    return TRUE;
}

BOOL CRegistry::QueryValue(const char* pszName, DWORD* pdwType, BYTE* pData, DWORD* pcbData)
{
    if (!IsOpen())
        return FALSE;
    return RegQueryValueExA(m_hKey, pszName, nullptr, pdwType, pData, pcbData) == ERROR_SUCCESS;
}

BOOL CRegistry::SetValue(const char* pszName, const BYTE* pData, DWORD cbData, DWORD dwType)
{
    if (!IsOpen())
        return FALSE;
    return RegSetValueExA(m_hKey, pszName, 0, dwType, pData, cbData) == ERROR_SUCCESS;
}

BOOL CRegistry::Close()
{
    if (!IsOpen())
        return TRUE;
    HKEY hKey = m_hKey;
    m_hKey = nullptr;
    return RegCloseKey(hKey) == ERROR_SUCCESS;
}
