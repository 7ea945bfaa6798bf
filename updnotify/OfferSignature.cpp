#include "OfferSignature.h"

#include <bcrypt.h>

#include "SystemLibrary.h"
#include "Text.h"

namespace
{

const int kDigestSize = 32;     // SHA-256

// bcrypt.dll's functions, loaded at the first verification and kept.
// BCryptHash would do the hashing in one call, but needs Windows 10.
struct CngFunctions
{
    decltype(&BCryptOpenAlgorithmProvider) pfnOpenAlgorithm;
    decltype(&BCryptCloseAlgorithmProvider) pfnCloseAlgorithm;
    decltype(&BCryptCreateHash) pfnCreateHash;
    decltype(&BCryptHashData) pfnHashData;
    decltype(&BCryptFinishHash) pfnFinishHash;
    decltype(&BCryptDestroyHash) pfnDestroyHash;
    decltype(&BCryptImportKeyPair) pfnImportKey;
    decltype(&BCryptDestroyKey) pfnDestroyKey;
    decltype(&BCryptVerifySignature) pfnVerify;
};

const CngFunctions* Cng()
{
    static CngFunctions s_functions;
    static bool s_bLoaded = false;
    if (s_bLoaded)
        return &s_functions;
    HMODULE hLibrary = LoadSystemLibrary("bcrypt.dll");
    if (hLibrary == nullptr)
        return nullptr;
    CngFunctions& f = s_functions;
    s_bLoaded = FindProc(hLibrary, "BCryptOpenAlgorithmProvider", f.pfnOpenAlgorithm) &&
                FindProc(hLibrary, "BCryptCloseAlgorithmProvider", f.pfnCloseAlgorithm) &&
                FindProc(hLibrary, "BCryptCreateHash", f.pfnCreateHash) &&
                FindProc(hLibrary, "BCryptHashData", f.pfnHashData) &&
                FindProc(hLibrary, "BCryptFinishHash", f.pfnFinishHash) &&
                FindProc(hLibrary, "BCryptDestroyHash", f.pfnDestroyHash) &&
                FindProc(hLibrary, "BCryptImportKeyPair", f.pfnImportKey) &&
                FindProc(hLibrary, "BCryptDestroyKey", f.pfnDestroyKey) &&
                FindProc(hLibrary, "BCryptVerifySignature", f.pfnVerify);
    if (!s_bLoaded)
        FreeLibrary(hLibrary);
    return s_bLoaded ? &s_functions : nullptr;
}

// An algorithm provider, closed at the end of the scope.
class ScopedAlgorithm
{
public:
    ScopedAlgorithm(const CngFunctions& cng, LPCWSTR pszAlgorithm) : m_cng(cng), m_hAlgorithm(nullptr)
    {
        if (m_cng.pfnOpenAlgorithm(&m_hAlgorithm, pszAlgorithm, nullptr, 0) != 0)
            m_hAlgorithm = nullptr;
    }
    ~ScopedAlgorithm()
    {
        if (m_hAlgorithm != nullptr)
            m_cng.pfnCloseAlgorithm(m_hAlgorithm, 0);
    }
    operator BCRYPT_ALG_HANDLE() const { return m_hAlgorithm; }

private:
    ScopedAlgorithm(const ScopedAlgorithm&);
    ScopedAlgorithm& operator=(const ScopedAlgorithm&);
    const CngFunctions& m_cng;
    BCRYPT_ALG_HANDLE m_hAlgorithm;
};

bool HashPiece(const CngFunctions& cng, BCRYPT_HASH_HANDLE hHash, const char* pch, int nLength)
{
    return cng.pfnHashData(hHash, reinterpret_cast<PUCHAR>(const_cast<char*>(pch)),
                           static_cast<ULONG>(nLength), 0) == 0;
}

// SHA-256 of status LF url, each without its trailing blanks and tabs.
bool DigestOffer(const CngFunctions& cng, const char* pszStatus, const char* pszUrl,
                 BYTE (&abDigest)[kDigestSize])
{
    ScopedAlgorithm sha(cng, BCRYPT_SHA256_ALGORITHM);
    BCRYPT_HASH_HANDLE hHash = nullptr;
    if (sha == nullptr || cng.pfnCreateHash(sha, &hHash, nullptr, 0, nullptr, 0, 0) != 0)
        return false;
    bool bDone = HashPiece(cng, hHash, pszStatus, TrimmedLength(pszStatus)) &&
                 HashPiece(cng, hHash, "\n", 1) &&
                 HashPiece(cng, hHash, pszUrl, TrimmedLength(pszUrl)) &&
                 cng.pfnFinishHash(hHash, abDigest, kDigestSize, 0) == 0;
    cng.pfnDestroyHash(hHash);
    return bDone;
}

bool VerifiesWith(const CngFunctions& cng, BCRYPT_ALG_HANDLE hEcdsa, const BYTE (&abKey)[kOfferKeySize],
                  BYTE (&abDigest)[kDigestSize], BYTE (&abSignature)[kOfferSignatureSize])
{
    struct
    {
        BCRYPT_ECCKEY_BLOB header;
        BYTE point[kOfferKeySize];
    } blob;
    blob.header.dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    blob.header.cbKey = kOfferKeySize / 2;
    CopyMemory(blob.point, abKey, kOfferKeySize);
    BCRYPT_KEY_HANDLE hKey = nullptr;
    if (cng.pfnImportKey(hEcdsa, nullptr, BCRYPT_ECCPUBLIC_BLOB, &hKey, reinterpret_cast<PUCHAR>(&blob),
                         sizeof(blob), 0) != 0)
        return false;
    bool bGood = cng.pfnVerify(hKey, nullptr, abDigest, kDigestSize, abSignature, kOfferSignatureSize, 0) == 0;
    cng.pfnDestroyKey(hKey);
    return bGood;
}

int Base64Digit(char ch)
{
    if (ch >= 'A' && ch <= 'Z')
        return ch - 'A';
    if (ch >= 'a' && ch <= 'z')
        return ch - 'a' + 26;
    if (ch >= '0' && ch <= '9')
        return ch - '0' + 52;
    if (ch == '+')
        return 62;
    if (ch == '/')
        return 63;
    return -1;
}

} // namespace

bool DecodeOfferSignature(const char* pszValue, BYTE (&abSignature)[kOfferSignatureSize])
{
    // Groups of four digits, each three bytes: 64 bytes are 21 whole groups
    // and one that carries a single byte, two digits and "==".
    int nLength = TrimmedLength(pszValue);
    if (nLength != 88 || pszValue[86] != '=' || pszValue[87] != '=')
        return false;
    int nOut = 0;
    for (int i = 0; i < nLength; i += 4)
    {
        int anDigit[4];
        for (int j = 0; j < 4; ++j)
        {
            anDigit[j] = i + j >= 86 ? 0 : Base64Digit(pszValue[i + j]);
            if (anDigit[j] < 0)
                return false;
        }
        DWORD dwGroup = (anDigit[0] << 18) | (anDigit[1] << 12) | (anDigit[2] << 6) | anDigit[3];
        for (int j = 0; j < 3 && nOut < kOfferSignatureSize; ++j)
            abSignature[nOut++] = static_cast<BYTE>(dwGroup >> (16 - 8 * j));
    }
    return true;
}

bool IsSignedOffer(const OfferKeys& keys, const char* pszStatus, const char* pszUrl,
                   const char* pszSignature)
{
    BYTE abSignature[kOfferSignatureSize];
    BYTE abDigest[kDigestSize];
    const CngFunctions* pCng = nullptr;
    if (keys.count <= 0 || !DecodeOfferSignature(pszSignature, abSignature) || (pCng = Cng()) == nullptr ||
        !DigestOffer(*pCng, pszStatus, pszUrl, abDigest))
        return false;
    ScopedAlgorithm ecdsa(*pCng, BCRYPT_ECDSA_P256_ALGORITHM);
    if (ecdsa == nullptr)
        return false;
    for (int i = 0; i < keys.count; ++i)
    {
        if (VerifiesWith(*pCng, ecdsa, keys.keys[i], abDigest, abSignature))
            return true;
    }
    return false;
}
