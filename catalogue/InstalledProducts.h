// Creating and removing this computer's records of installed products: the
// installer's side of OpenProduct, also used by the tests, the demo and the
// productrec tool. Kept apart from the catalogue so that the programs, which
// only read records, do not link it.
//
// A record is the key HKEY_LOCAL_MACHINE\Software\Brantlow\Products\<id>
// (decimal); its REG_SZ value "SerialNumber" is the product's serial number.
// Writing under HKEY_LOCAL_MACHINE needs an elevated process on Windows.
// On failure, GetLastError tells why.
#pragma once

#include <windows.h>

// Creates (or keeps) the product's record. A non-null serial number is
// stored, replacing any earlier one; a null one leaves a record without a
// serial number (an earlier one is removed). FALSE for identifier 0 or when
// the registry refuses.
BOOL RecordInstalledProduct(DWORD dwId, const char* pszSerial);

// Deletes the product's record. FALSE when there was none or the registry
// refuses.
BOOL RemoveInstalledProduct(DWORD dwId);
