#include "OfferSignature.h"

#include <bcrypt.h>

#include "SystemLibrary.h"
#include "Text.h"

namespace
{

const int kDigestSize = 32; // SHA-256

// bcrypt.dll's functions, loaded at the first verification and kept.
// BCryptHash would do the hashing in one call, but needs Windows 10.
SystemFunction<decltype(&BCryptOpenAlgorithmProvider)>
    s_openAlgorithm("bcrypt.dll", "BCryptOpenAlgorithmProvider");
SystemFunction<decltype(&BCryptCloseAlgorithmProvider)>
    s_closeAlgorithm("bcrypt.dll", "BCryptCloseAlgorithmProvider");
SystemFunction<decltype(&BCryptCreateHash)> s_createHash("bcrypt.dll", "BCryptCreateHash");
SystemFunction<decltype(&BCryptHashData)> s_hashData("bcrypt.dll", "BCryptHashData");
SystemFunction<decltype(&BCryptFinishHash)> s_finishHash("bcrypt.dll", "BCryptFinishHash");
SystemFunction<decltype(&BCryptDestroyHash)> s_destroyHash("bcrypt.dll", "BCryptDestroyHash");
SystemFunction<decltype(&BCryptImportKeyPair)> s_importKey("bcrypt.dll", "BCryptImportKeyPair");
SystemFunction<decltype(&BCryptDestroyKey)> s_destroyKey("bcrypt.dll", "BCryptDestroyKey");
SystemFunction<decltype(&BCryptVerifySignature)> s_verify("bcrypt.dll", "BCryptVerifySignature");

bool HaveCng()
{
    return s_openAlgorithm.Get() != nullptr && s_closeAlgorithm.Get() != nullptr &&
           s_createHash.Get() != nullptr && s_hashData.Get() != nullptr &&
           s_finishHash.Get() != nullptr && s_destroyHash.Get() != nullptr &&
           s_importKey.Get() != nullptr && s_destroyKey.Get() != nullptr &&
           s_verify.Get() != nullptr;
}

// An algorithm provider, closed at the end of the scope.
class ScopedAlgorithm
{
public:
    explicit ScopedAlgorithm(LPCWSTR pszAlgorithm) : m_hAlgorithm(nullptr)
    {
        if (s_openAlgorithm.Get()(&m_hAlgorithm, pszAlgorithm, nullptr, 0) != 0)
            m_hAlgorithm = nullptr;
    }
    ~ScopedAlgorithm()
    {
        if (m_hAlgorithm != nullptr)
            s_closeAlgorithm.Get()(m_hAlgorithm, 0);
    }
    operator BCRYPT_ALG_HANDLE() const { return m_hAlgorithm; }

private:
    ScopedAlgorithm(const ScopedAlgorithm&);
    ScopedAlgorithm& operator=(const ScopedAlgorithm&);
    BCRYPT_ALG_HANDLE m_hAlgorithm;
};

bool HashPiece(BCRYPT_HASH_HANDLE hHash, const char* pch, int nLength)
{
    return s_hashData.Get()(hHash, reinterpret_cast<PUCHAR>(const_cast<char*>(pch)),
                            static_cast<ULONG>(nLength), 0) == 0;
}

// SHA-256 of status LF url, each without its trailing blanks and tabs.
bool DigestOffer(const char* pszStatus, const char* pszUrl, BYTE (&abDigest)[kDigestSize])
{
    ScopedAlgorithm sha(BCRYPT_SHA256_ALGORITHM);
    BCRYPT_HASH_HANDLE hHash = nullptr;
    if (sha == nullptr || s_createHash.Get()(sha, &hHash, nullptr, 0, nullptr, 0, 0) != 0)
        return false;
    bool bDone = HashPiece(hHash, pszStatus, TrimmedLength(pszStatus)) &&
                 HashPiece(hHash, "\n", 1) && HashPiece(hHash, pszUrl, TrimmedLength(pszUrl)) &&
                 s_finishHash.Get()(hHash, abDigest, kDigestSize, 0) == 0;
    s_destroyHash.Get()(hHash);
    return bDone;
}

bool VerifiesWith(BCRYPT_ALG_HANDLE hEcdsa, const BYTE (&abKey)[kOfferKeySize],
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
    if (s_importKey.Get()(hEcdsa, nullptr, BCRYPT_ECCPUBLIC_BLOB, &hKey,
                          reinterpret_cast<PUCHAR>(&blob), sizeof(blob), 0) != 0)
        return false;
    bool bGood = s_verify.Get()(hKey, nullptr, abDigest, kDigestSize, abSignature,
                                kOfferSignatureSize, 0) == 0;
    s_destroyKey.Get()(hKey);
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
    if (keys.count <= 0 || !DecodeOfferSignature(pszSignature, abSignature) || !HaveCng() ||
        !DigestOffer(pszStatus, pszUrl, abDigest))
        return false;
    ScopedAlgorithm ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
    if (ecdsa == nullptr)
        return false;
    for (int i = 0; i < keys.count; ++i)
    {
        if (VerifiesWith(ecdsa, keys.keys[i], abDigest, abSignature))
            return true;
    }
    return false;
}
