// The chain parameters' URL retrieval time-out (Windows 7 and newer).
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include "TlsChannel.h"

#include <stddef.h>
#include <string.h>

#include "SystemLibrary.h"

namespace
{

// What the channel asks Schannel for: a stream with integrity and
// confidentiality, its buffers allocated by Schannel, and no judgement of
// the server's certificate (IsTrustedServer makes it).
const ULONG kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                            ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                            ISC_REQ_MANUAL_CRED_VALIDATION;
const DWORD kCredentialFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
// Everything before TLS 1.2.
const DWORD kOldProtocols = SP_PROT_SSL2 | SP_PROT_SSL3 | SP_PROT_TLS1_0 | SP_PROT_TLS1_1;
// A revocation state that cannot be learned (no way to the CRL) does not
// refuse a server; a revoked certificate does.
const DWORD kRevocationUnknown =
    CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
// wininet.h's SECURITY_FLAG_IGNORE_REVOCATION and the policy's own flags
// for an unknown revocation state: the SSL policy leaves revocation to the
// chain's status above.
const DWORD kPolicyIgnoresRevocation = 0x00000080;
const DWORD kPolicyIgnoresRevocationUnknown = CERT_CHAIN_POLICY_IGNORE_END_REV_UNKNOWN_FLAG |
                                              CERT_CHAIN_POLICY_IGNORE_CTL_SIGNER_REV_UNKNOWN_FLAG |
                                              CERT_CHAIN_POLICY_IGNORE_CA_REV_UNKNOWN_FLAG |
                                              CERT_CHAIN_POLICY_IGNORE_ROOT_REV_UNKNOWN_FLAG;

SystemFunction<INIT_SECURITY_INTERFACE_A> s_initSecurityInterface("secur32.dll",
                                                                  SECURITY_ENTRYPOINT_ANSIA);
SystemFunction<decltype(&CertGetCertificateChain)> s_getChain("crypt32.dll",
                                                              "CertGetCertificateChain");
SystemFunction<decltype(&CertVerifyCertificateChainPolicy)>
    s_verifyPolicy("crypt32.dll", "CertVerifyCertificateChainPolicy");
SystemFunction<decltype(&CertFreeCertificateChain)> s_freeChain("crypt32.dll",
                                                                "CertFreeCertificateChain");
SystemFunction<decltype(&CertFreeCertificateContext)>
    s_freeCertificate("crypt32.dll", "CertFreeCertificateContext");

const SecurityFunctionTableA* Sspi()
{
    static const SecurityFunctionTableA* s_pTable = nullptr;
    INIT_SECURITY_INTERFACE_A pfnInit = s_initSecurityInterface.Get();
    if (s_pTable == nullptr && pfnInit != nullptr)
        s_pTable = pfnInit();
    return s_pTable;
}

// True when crypt32 offers what the server's check needs.
bool HaveChainCheck()
{
    // crypt32 loads cryptnet.dll for a revocation look-up and frees it when
    // the look-up ends. Wine's frees it also after a download that timed out
    // and goes on, and that download's callback then runs unloaded code and
    // crashes the program: held here for the run, it stays.
    static bool s_bRevocationHeld = false;
    if (!s_bRevocationHeld)
        s_bRevocationHeld = LoadSystemLibrary("cryptnet.dll") != nullptr;
    return s_getChain.Get() != nullptr && s_verifyPolicy.Get() != nullptr &&
           s_freeChain.Get() != nullptr && s_freeCertificate.Get() != nullptr;
}

} // namespace

CTlsChannel::CTlsChannel()
    : m_pTransport(nullptr), m_pszHost(nullptr), m_bCredentials(false), m_bContext(false),
      m_bOpen(false), m_bClosedByPeer(false), m_nInput(0), m_pchPlain(nullptr), m_nPlain(0),
      m_nExtra(0)
{
    ZeroMemory(&m_sizes, sizeof(m_sizes));
}

CTlsChannel::~CTlsChannel()
{
    Close();
}

void CTlsChannel::Close()
{
    // Handles exist only once Sspi() has loaded the library.
    if (m_bContext)
        Sspi()->DeleteSecurityContext(&m_hContext);
    if (m_bCredentials)
        Sspi()->FreeCredentialsHandle(&m_hCredentials);
    m_bContext = false;
    m_bCredentials = false;
    m_bOpen = false;
    m_bClosedByPeer = false;
    m_nInput = 0;
    m_pchPlain = nullptr;
    m_nPlain = 0;
    m_nExtra = 0;
}

bool CTlsChannel::Open(CTransport& transport, const char* pszHost, DWORD dwRevocationMillis)
{
    Close();
    const SecurityFunctionTableA* pSspi = Sspi();
    if (pSspi == nullptr || !HaveChainCheck() || pszHost == nullptr)
        return false;
    m_pTransport = &transport;
    m_pszHost = pszHost;
    // The protocol is checked once more: Wine takes SCH_CREDENTIALS but not
    // its TLS_PARAMETERS, and would settle on TLS 1.1. The server is judged
    // before anything of the request leaves.
    SecPkgContext_ConnectionInfo connection;
    if (!AcquireCredentials() || !Negotiate(true) ||
        pSspi->QueryContextAttributesA(&m_hContext, SECPKG_ATTR_CONNECTION_INFO, &connection) !=
            SEC_E_OK ||
        connection.dwProtocol == 0 || (connection.dwProtocol & kOldProtocols) != 0 ||
        !IsTrustedServer(dwRevocationMillis) ||
        pSspi->QueryContextAttributesA(&m_hContext, SECPKG_ATTR_STREAM_SIZES, &m_sizes) !=
            SEC_E_OK ||
        m_sizes.cbHeader + m_sizes.cbTrailer >= kOutputSize)
    {
        Close();
        return false;
    }
    m_bOpen = true;
    return true;
}

bool CTlsChannel::AcquireCredentials()
{
    const SecurityFunctionTableA* pSspi = Sspi();
    char szPackage[] = UNISP_NAME_A;
    TimeStamp expiry;
    // SCH_CREDENTIALS where the system knows it (it can offer TLS 1.3);
    // Windows 7 knows only SCHANNEL_CRED, which names TLS 1.2 itself.
    TLS_PARAMETERS tls;
    ZeroMemory(&tls, sizeof(tls));
    tls.grbitDisabledProtocols = kOldProtocols;
    SCH_CREDENTIALS credentials;
    ZeroMemory(&credentials, sizeof(credentials));
    credentials.dwVersion = SCH_CREDENTIALS_VERSION;
    credentials.dwFlags = kCredentialFlags;
    credentials.cTlsParameters = 1;
    credentials.pTlsParameters = &tls;
    if (pSspi->AcquireCredentialsHandleA(nullptr, szPackage, SECPKG_CRED_OUTBOUND, nullptr,
                                         &credentials, nullptr, nullptr, &m_hCredentials,
                                         &expiry) != SEC_E_OK)
    {
        SCHANNEL_CRED older;
        ZeroMemory(&older, sizeof(older));
        older.dwVersion = SCHANNEL_CRED_VERSION;
        older.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
        older.dwFlags = kCredentialFlags;
        if (pSspi->AcquireCredentialsHandleA(nullptr, szPackage, SECPKG_CRED_OUTBOUND, nullptr,
                                             &older, nullptr, nullptr, &m_hCredentials,
                                             &expiry) != SEC_E_OK)
            return false;
    }
    m_bCredentials = true;
    return true;
}

bool CTlsChannel::SendAll(const char* pData, int nLength)
{
    while (nLength > 0)
    {
        int nSent = m_pTransport->SendRaw(pData, nLength);
        if (nSent <= 0)
            return false;
        pData += nSent;
        nLength -= nSent;
    }
    return true;
}

bool CTlsChannel::Negotiate(bool bFirst)
{
    const SecurityFunctionTableA* pSspi = Sspi();
    char* pszTarget = const_cast<char*>(m_pszHost); // the server name sent (SNI)
    ULONG ulAttributes = 0;
    bool bRead = m_nInput == 0;
    for (;;)
    {
        SecBuffer in[2] = {{static_cast<ULONG>(m_nInput), SECBUFFER_TOKEN, m_achInput},
                           {0, SECBUFFER_EMPTY, nullptr}};
        SecBuffer out[1] = {{0, SECBUFFER_TOKEN, nullptr}};
        SecBufferDesc inDesc = {SECBUFFER_VERSION, 2, in};
        SecBufferDesc outDesc = {SECBUFFER_VERSION, 1, out};
        SECURITY_STATUS status;
        if (bFirst)
        {
            status = pSspi->InitializeSecurityContextA(&m_hCredentials, nullptr, pszTarget,
                                                       kContextFlags, 0, 0, nullptr, 0, &m_hContext,
                                                       &outDesc, &ulAttributes, nullptr);
            if (status == SEC_I_CONTINUE_NEEDED || status == SEC_E_OK)
                m_bContext = true;
            bFirst = false;
        }
        else
        {
            if (bRead)
            {
                int nReceived =
                    m_nInput < kInputSize
                        ? m_pTransport->ReceiveRaw(m_achInput + m_nInput, kInputSize - m_nInput)
                        : -1;
                if (nReceived <= 0)
                    return false;
                m_nInput += nReceived;
                in[0].cbBuffer = static_cast<ULONG>(m_nInput);
            }
            status = pSspi->InitializeSecurityContextA(&m_hCredentials, &m_hContext, pszTarget,
                                                       kContextFlags, 0, 0, &inDesc, 0, nullptr,
                                                       &outDesc, &ulAttributes, nullptr);
        }
        if (status == SEC_E_INCOMPLETE_MESSAGE)
        {
            bRead = true;
            continue;
        }
        // A token to send, an alert included, goes out before a failure ends it.
        bool bSent = true;
        if (out[0].pvBuffer != nullptr)
        {
            bSent = SendAll(static_cast<const char*>(out[0].pvBuffer),
                            static_cast<int>(out[0].cbBuffer));
            pSspi->FreeContextBuffer(out[0].pvBuffer);
        }
        if (!bSent || (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED))
            return false;
        if (in[1].BufferType == SECBUFFER_EXTRA && static_cast<int>(in[1].cbBuffer) <= m_nInput)
            KeepExtra(static_cast<int>(in[1].cbBuffer));
        else
            m_nInput = 0;
        if (status == SEC_E_OK)
            return true;
        bRead = m_nInput == 0;
    }
}

void CTlsChannel::KeepExtra(int nExtra)
{
    memmove(m_achInput, m_achInput + m_nInput - nExtra, nExtra);
    m_nInput = nExtra;
}

bool CTlsChannel::IsTrustedServer(DWORD dwRevocationMillis) const
{
    const SecurityFunctionTableA* pSspi = Sspi();
    PCCERT_CONTEXT pCertificate = nullptr;
    if (pSspi->QueryContextAttributesA(const_cast<CtxtHandle*>(&m_hContext),
                                       SECPKG_ATTR_REMOTE_CERT_CONTEXT,
                                       &pCertificate) != SEC_E_OK ||
        pCertificate == nullptr)
        return false;

    // The chain up to a root that the system trusts, for server
    // authentication, with the intermediates that the server sent.
    LPSTR apszUsage[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA chainPara;
    ZeroMemory(&chainPara, sizeof(chainPara));
    // Windows 7's layout, which ends before the strong-signature fields:
    // Wine passes the retrieval time-out on only for a size it knows.
    chainPara.cbSize = offsetof(CERT_CHAIN_PARA, pftCacheResync) + sizeof(chainPara.pftCacheResync);
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = apszUsage;
    chainPara.dwUrlRetrievalTimeout = dwRevocationMillis;
    PCCERT_CHAIN_CONTEXT pChain = nullptr;
    bool bTrusted =
        s_getChain.Get()(nullptr, pCertificate, nullptr, pCertificate->hCertStore, &chainPara,
                         CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT |
                             CERT_CHAIN_REVOCATION_ACCUMULATIVE_TIMEOUT,
                         nullptr, &pChain) != FALSE;
    s_freeCertificate.Get()(pCertificate);
    if (!bTrusted)
        return false;
    // The chain's own status first: Wine's SSL policy alone accepts a leaf
    // whose issuer is unknown.
    bTrusted = (pChain->TrustStatus.dwErrorStatus & ~kRevocationUnknown) == 0;

    // Then the SSL policy: a server's certificate, for the name as written.
    WCHAR szName[256];
    if (bTrusted && MultiByteToWideChar(CP_ACP, 0, m_pszHost, -1, szName, 256) > 0)
    {
        SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl;
        ZeroMemory(&ssl, sizeof(ssl));
        ssl.cbSize = sizeof(ssl);
        ssl.dwAuthType = AUTHTYPE_SERVER;
        ssl.fdwChecks = kPolicyIgnoresRevocation;
        ssl.pwszServerName = szName;
        CERT_CHAIN_POLICY_PARA policy;
        ZeroMemory(&policy, sizeof(policy));
        policy.cbSize = sizeof(policy);
        policy.dwFlags = kPolicyIgnoresRevocationUnknown;
        policy.pvExtraPolicyPara = &ssl;
        CERT_CHAIN_POLICY_STATUS result;
        ZeroMemory(&result, sizeof(result));
        result.cbSize = sizeof(result);
        bTrusted = s_verifyPolicy.Get()(CERT_CHAIN_POLICY_SSL, pChain, &policy, &result) &&
                   result.dwError == 0;
    }
    else
    {
        bTrusted = false;
    }
    s_freeChain.Get()(pChain);
    return bTrusted;
}

int CTlsChannel::Send(const char* pData, int nLength)
{
    if (!m_bOpen || nLength < 0)
        return -1;
    const int nPieceMax = static_cast<int>(kOutputSize - m_sizes.cbHeader - m_sizes.cbTrailer);
    const int nMessageMax = static_cast<int>(m_sizes.cbMaximumMessage);
    int nDone = 0;
    while (nDone < nLength)
    {
        int nPiece = nLength - nDone;
        if (nPiece > nPieceMax)
            nPiece = nPieceMax;
        if (nPiece > nMessageMax)
            nPiece = nMessageMax;
        char* pchData = m_achOutput + m_sizes.cbHeader;
        memcpy(pchData, pData + nDone, nPiece);
        SecBuffer buffers[4] = {
            {m_sizes.cbHeader, SECBUFFER_STREAM_HEADER, m_achOutput},
            {static_cast<ULONG>(nPiece), SECBUFFER_DATA, pchData},
            {m_sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, pchData + nPiece},
            {0, SECBUFFER_EMPTY, nullptr},
        };
        SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
        if (Sspi()->EncryptMessage(&m_hContext, 0, &desc, 0) != SEC_E_OK ||
            !SendAll(m_achOutput, static_cast<int>(buffers[0].cbBuffer + buffers[1].cbBuffer +
                                                   buffers[2].cbBuffer)))
            return -1;
        nDone += nPiece;
    }
    return nLength;
}

int CTlsChannel::Receive(char* pBuffer, int nSize)
{
    if (!m_bOpen || nSize <= 0)
        return -1;
    while (m_nPlain == 0)
    {
        if (m_bClosedByPeer)
            return 0;
        if (!DecryptNext())
            return -1;
    }
    int nCopied = m_nPlain < nSize ? m_nPlain : nSize;
    memcpy(pBuffer, m_pchPlain, nCopied);
    m_pchPlain += nCopied;
    m_nPlain -= nCopied;
    if (m_nPlain == 0)
        KeepExtra(m_nExtra);
    return nCopied;
}

bool CTlsChannel::DecryptNext()
{
    for (;;)
    {
        if (m_nInput > 0)
        {
            SecBuffer buffers[4] = {
                {static_cast<ULONG>(m_nInput), SECBUFFER_DATA, m_achInput},
                {0, SECBUFFER_EMPTY, nullptr},
                {0, SECBUFFER_EMPTY, nullptr},
                {0, SECBUFFER_EMPTY, nullptr},
            };
            SecBufferDesc desc = {SECBUFFER_VERSION, 4, buffers};
            SECURITY_STATUS status = Sspi()->DecryptMessage(&m_hContext, &desc, 0, nullptr);
            if (status == SEC_E_OK || status == SEC_I_RENEGOTIATE ||
                status == SEC_I_CONTEXT_EXPIRED)
            {
                int nExtra = 0;
                for (const SecBuffer& buffer : buffers)
                {
                    if (buffer.BufferType == SECBUFFER_DATA)
                    {
                        m_pchPlain = static_cast<const char*>(buffer.pvBuffer);
                        m_nPlain = static_cast<int>(buffer.cbBuffer);
                    }
                    else if (buffer.BufferType == SECBUFFER_EXTRA &&
                             static_cast<int>(buffer.cbBuffer) <= m_nInput)
                    {
                        nExtra = static_cast<int>(buffer.cbBuffer);
                    }
                }
                if (status == SEC_I_CONTEXT_EXPIRED)
                {
                    m_bClosedByPeer = true;
                    m_nPlain = 0;
                    return true;
                }
                if (status == SEC_I_RENEGOTIATE)
                {
                    // Post-handshake messages (TLS 1.3 session tickets): the
                    // bytes after them go back to the handshake.
                    m_nPlain = 0;
                    KeepExtra(nExtra);
                    if (!Negotiate(false))
                        return false;
                    continue;
                }
                if (m_nPlain > 0 && m_pchPlain >= m_achInput &&
                    m_pchPlain + m_nPlain <= m_achInput + m_nInput)
                {
                    m_nExtra = nExtra;
                    return true;
                }
                m_nPlain = 0;
                KeepExtra(nExtra); // an empty record
                continue;
            }
            if (status != SEC_E_INCOMPLETE_MESSAGE)
                return false;
        }
        // A close here, without close_notify, may be an attacker's cut.
        int nReceived = m_nInput < kInputSize
                            ? m_pTransport->ReceiveRaw(m_achInput + m_nInput, kInputSize - m_nInput)
                            : -1;
        if (nReceived <= 0)
            return false;
        m_nInput += nReceived;
    }
}
