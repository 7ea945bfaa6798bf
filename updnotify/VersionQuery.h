// The version query: posts a product's serial number and version to the
// vendor's server and reads from the response headers whether a newer
// build is offered.
#pragma once

#include <windows.h>

#include "UpdateOffer.h"
#include "UpdateSettings.h"

// The form that the query posts: "sn", "v1" (major), "v2" (minor, full
// two-place value), "v3" (build).
class CMapStringToString;
bool BuildVersionQueryForm(const char* pszSerial, WORD wMajor, WORD wMinor, DWORD dwBuild,
                           CMapStringToString& fields);

// True when the response carries "X-Update-Status" and, where the build
// carries the vendor's keys, an "X-Update-Signature" that verifies for it
// (OfferSignature.h); the offer's status, version text, release date text
// and update URL are then set. Any failure of the exchange answers false
// and leaves the offer alone.
bool QueryVersion(const UpdateSettings& settings, const char* pszSerial,
                  WORD wMajor, WORD wMinor, DWORD dwBuild, UpdateOffer& offer);

// Reads an "X-Update-Status" value: "status major minor build YYYYMMDD".
// Major, minor and build start from the given version, so a value that
// ends early keeps the product's own. Sets status, version and date texts.
void ReadUpdateStatus(const char* pszValue, WORD wMajor, WORD wMinor, DWORD dwBuild,
                      UpdateOffer& offer);

// The release date text when the value carries no usable date.
extern const char kUnknownReleaseDate[];
