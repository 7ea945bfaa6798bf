#include "InstalledProducts.h"

#include <string.h>

#include "CatalogueText.h"
#include "ScopedHandles.h"

namespace {

BOOL Fail(LONG lError)
{
    SetLastError(static_cast<DWORD>(lError));
    return FALSE;
}

} // namespace

BOOL RecordInstalledProduct(DWORD dwId, const char* pszSerial)
{
    if (dwId == 0)
        return Fail(ERROR_INVALID_PARAMETER);
    char szPath[kProductKeyPathSize];
    GetProductKeyPath(dwId, szPath);
    ScopedRegKey hKey;
    LONG lResult = RegCreateKeyExA(HKEY_LOCAL_MACHINE, szPath, 0, nullptr,
                                   REG_OPTION_NON_VOLATILE, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                   nullptr, hKey.Receive(), nullptr);
    if (lResult != ERROR_SUCCESS)
        return Fail(lResult);
    if (pszSerial)
    {
        lResult = RegSetValueExA(hKey, PRODUCT_SERIAL_VALUE, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(pszSerial),
                                 static_cast<DWORD>(strlen(pszSerial) + 1));
    }
    else
    {
        lResult = RegDeleteValueA(hKey, PRODUCT_SERIAL_VALUE);
        if (lResult == ERROR_FILE_NOT_FOUND)
            lResult = ERROR_SUCCESS;
    }
    return lResult == ERROR_SUCCESS ? TRUE : Fail(lResult);
}

BOOL RemoveInstalledProduct(DWORD dwId)
{
    if (dwId == 0)
        return Fail(ERROR_INVALID_PARAMETER);
    char szPath[kProductKeyPathSize];
    GetProductKeyPath(dwId, szPath);
    LONG lResult = RegDeleteKeyA(HKEY_LOCAL_MACHINE, szPath);
    return lResult == ERROR_SUCCESS ? TRUE : Fail(lResult);
}
