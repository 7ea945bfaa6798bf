// Text helpers shared by the catalogue's sources (not part of its interface).
#pragma once

#include <windows.h>

#include "ProductCatalogue.h"
#include "Text.h"

// "major.shortminor.build" into the buffer, cut to nSize bytes, always
// terminated; nothing written when nSize is 0 or less.
void FormatProductVersion(WORD wMajor, WORD wMinor, DWORD dwBuild,
                          char* pszText, int nSize);

// This computer's record of an installed product: the key
// HKEY_LOCAL_MACHINE\Software\Brantlow\Products\<identifier in decimal>.
constexpr int kProductKeyPathSize = 48;
void GetProductKeyPath(DWORD dwId, char (&szPath)[kProductKeyPathSize]);

// The record's REG_SZ value holding the product's serial number.
#define PRODUCT_SERIAL_VALUE "SerialNumber"
