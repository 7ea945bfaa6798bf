// The vendor's signature on an offer. An answer is an offer only when its
// "X-Update-Signature" verifies: ECDSA P-256 over the SHA-256 of the exact
// bytes <X-Update-Status value> LF <X-Update-URL value> (each without its
// trailing blanks and tabs; an absent address is empty), sent as the
// standard base64, with padding, of the 64 bytes r || s. The vendor signs
// once, when a release is published, with a key kept offline
// (tools/offerkey.py); a server only attaches the signatures, so whoever
// takes a server over can replay a genuine offer but never make a new one.
#pragma once

#include <windows.h>

enum
{
    kOfferKeySize = 64,       // the public point X || Y, 32 bytes each
    kOfferSignatureSize = 64, // r || s
};

// The public keys that the build carries: the vendor's key, and the next
// one while a key is being replaced. Without any, every offer is taken as
// sent (a build for a vendor without keys; configure says so).
struct OfferKeys
{
    const BYTE (*keys)[kOfferKeySize];
    int count;
};

// The 64 bytes that an "X-Update-Signature" value carries: standard base64
// with padding, trailing blanks and tabs ignored. false for anything else,
// another length included.
bool DecodeOfferSignature(const char* pszValue, BYTE (&abSignature)[kOfferSignatureSize]);

// True when pszSignature (the header's value) verifies for the status value
// and the address with one of the keys, through the system's CNG
// (bcrypt.dll from the system folder). No argument may be null.
bool IsSignedOffer(const OfferKeys& keys, const char* pszStatus, const char* pszUrl,
                   const char* pszSignature);
