// The update that the vendor's server offered for one product, as the run
// holds it for the update-available dialog.
#pragma once

#include <windows.h>

#include "CString.h"

// The update that the server offers for one product.
struct UpdateOffer
{
    UpdateOffer() : status(0) {}

    CString displayName;        // "name major.shortminor edition"
    CString productKey;         // the product's settings key path
    DWORD status;               // bit 0 set: an upgrade
    CString versionText;        // "6.50.1058"
    CString releaseDateText;    // "2009 Mar 5"
    CString updateUrl;
};

// "<name> <major>.<short minor> <edition>" (ends in a blank without
// edition), cut to the buffer, always terminated.
void FormatDisplayName(const char* pszName, const char* pszEdition, WORD wMajor, WORD wMinor,
                       char* pszBuffer, int nSize);
