// The product catalogue: the one source of product data for the update
// notifier and the component panel.
//
// Products are named by a non-zero identifier and belong to a product group
// (one product line). Texts are at most 127 characters; callers pass
// 128-byte buffers. Results: non-zero for success, zero for failure.
//
// Text buffers: a text is cut to the buffer's size and always terminated;
// a cut text still counts as success (the product exists, the caller chose
// the size). With a size of 0 (or less) nothing at all is written and the
// answer is 0; on any other failure the buffer is left empty.
#pragma once

#include <windows.h>

// Stores the identifiers of the products of the given group (-1 = all), in
// catalogue order (ascending identifiers), up to the capacity; answers how
// many products match. A null array or a capacity of 0 stores nothing.
int EnumerateProducts(int nGroup, DWORD* pIds, int nCapacity);

// The product's group; 0 for an identifier that the catalogue does not hold.
int GetProductGroup(DWORD dwId);

// The product's name / edition (empty for none) into the buffer, cut to the
// size and always terminated. Unknown identifier or size 0: 0, buffer empty.
// A product without an edition: non-zero and an empty buffer.
int GetProductName(DWORD dwId, char* pszBuffer, int nSize);
int GetProductEdition(DWORD dwId, char* pszBuffer, int nSize);

// The product's version; each output may be null. The text is
// "major.shortminor.build", where the short minor is the minor divided by
// 10 when it is a multiple of 10, cut to the size. 0 for an unknown identifier
// (numbers 0, text empty). The text is optional: a known product with a null
// text or a size of 0 still answers non-zero.
int GetProductVersion(DWORD dwId, WORD* pwMajor, WORD* pwMinor, DWORD* pdwBuild,
                      char* pszText, int nSize);

// The minor as version texts, key paths and titles show it: divided by 10
// once when it is a multiple of 10 (6.50 shows as 6.5, 6.05 as 6.5 too,
// 6.25 as 6.25; 100 gives 10), else the minor itself.
WORD ShortMinor(WORD wMinor);
// "major.shortminor", as key paths, display names and titles show a
// version, cut to nSize bytes and always terminated (kShortVersionSize
// always fits); nothing written when nSize is 0 or less.
const int kShortVersionSize = 12;   // "65535.65535" and its terminator
void FormatShortVersion(WORD wMajor, WORD wMinor, char* pszText, int nSize);

// A handle on this computer's record of an installed product, or -1 when
// this computer holds none (or the identifier is not in the catalogue, or
// too many records are open at once). Close every handle that is not -1.
int OpenProduct(DWORD dwId);
// The installed product's serial number; 0 and an empty buffer when none
// (no serial number value, an empty one, or a bad handle).
int GetSerialNumber(int hProduct, char* pszBuffer, int nSize);
// Releases the handle; -1 or any other bad handle is ignored.
void CloseProduct(int hProduct);
