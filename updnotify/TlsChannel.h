// TLS for the notifier's one connection to the vendor's server, through the
// system's Schannel (SSPI): TLS 1.2 or newer, the server's name sent (SNI),
// no client certificate. Schannel is told to leave the server's certificate
// to us (Wine's Schannel accepts any): Open checks the chain itself, against
// the system's roots and the host name as the build wrote it, before a byte
// of the request is sent. secur32.dll and crypt32.dll come from the system
// folder, loaded at the first Open.
#pragma once

#include <windows.h>
#define SECURITY_WIN32
#include <security.h>
// SCH_CREDENTIALS and TLS_PARAMETERS (with winternl.h's UNICODE_STRING).
#define SCHANNEL_USE_BLACKLISTS
#include <schannel.h>
#include <winternl.h>

class CTlsChannel
{
public:
    // The connection that TLS runs over, as the HTTP client offers it: each
    // call waits at most the client's time-out and answers the count sent or
    // received, 0 when the peer has closed, -1 on failure.
    class CTransport
    {
    public:
        virtual int SendRaw(const char* pData, int nLength) = 0;
        virtual int ReceiveRaw(char* pBuffer, int nSize) = 0;

    protected:
        ~CTransport() {}
    };

    enum
    {
        // Received bytes not yet decrypted: one whole record as it travels
        // (5-byte header, 16 KiB of data, 2 KiB of expansion: TLS's limits).
        kInputSize = 5 + 16384 + 2048,
        // One record that Send makes: a request line with room for the
        // record's header and trailer.
        kOutputSize = 4096 + 512,
    };

    CTlsChannel();
    ~CTlsChannel();

    // The handshake with pszHost over transport, then the check of the
    // certificate chain that the server sent, for that name; a revocation
    // look-up (a CRL download) may take dwRevocationMillis in all. false:
    // the channel is closed and nothing may be sent. pszHost and transport
    // must outlive the channel's use.
    bool Open(CTransport& transport, const char* pszHost, DWORD dwRevocationMillis);
    bool IsOpen() const { return m_bOpen; }
    // Encrypts and sends all nLength bytes: nLength, or -1.
    int Send(const char* pData, int nLength);
    // Up to nSize bytes of data, served from the record already decrypted;
    // the transport is read only when none are left. 0 once the server has
    // sent close_notify; -1 on failure, a close without close_notify included.
    int Receive(char* pBuffer, int nSize);
    // Forgets the session (no close_notify is sent: the client closes the
    // socket right after).
    void Close();

private:
    CTlsChannel(const CTlsChannel&);
    CTlsChannel& operator=(const CTlsChannel&);

    bool AcquireCredentials();
    // Handshake messages until the context is complete. bFirst: the
    // ClientHello starts it; otherwise the received bytes go on with it
    // (the server's post-handshake messages, SEC_I_RENEGOTIATE).
    bool Negotiate(bool bFirst);
    bool IsTrustedServer(DWORD dwRevocationMillis) const;
    bool SendAll(const char* pData, int nLength);
    // Decrypts the next record into m_pchPlain/m_nPlain, reading when the
    // received bytes hold no whole record.
    bool DecryptNext();
    // Moves the bytes received after the record just used to the front.
    void KeepExtra(int nExtra);

    CTransport* m_pTransport;
    const char* m_pszHost;
    CredHandle m_hCredentials;
    CtxtHandle m_hContext;
    bool m_bCredentials;
    bool m_bContext;
    bool m_bOpen;
    bool m_bClosedByPeer; // close_notify received
    SecPkgContext_StreamSizes m_sizes;
    // Received bytes: the first m_nInput of m_achInput. While decrypted data
    // remains (m_nPlain bytes at m_pchPlain, inside m_achInput), the last
    // m_nExtra of them are the start of the next record.
    char m_achInput[kInputSize];
    int m_nInput;
    const char* m_pchPlain;
    int m_nPlain;
    int m_nExtra;
    char m_achOutput[kOutputSize];
};
