// CHttpClient: a small blocking HTTP/1.0 client for one form post.
//
// It opens one TCP connection (Windows Sockets 1.1), sends one POST whose
// body is a URL form built from a map of fields, reads the response's
// header block into a table keyed by the lower-cased header name, drains
// and discards the rest, and then answers lookups of single headers, also
// after Close. It may reach the host through an HTTP proxy; no redirect, no
// persistent connection; the status code is not examined. With TLS the same
// exchange runs inside a TLS stream (CTlsChannel) over the same socket.
#pragma once

#include <winsock.h>

#include "CString.h"
#include "StringMap.h"
#include "TlsChannel.h"

class CHttpClient : private CTlsChannel::CTransport
{
public:
    // Each single wait (connection set-up, each send, each receive) lasts at
    // most the time-out that Connect fixes: 0 gives the default, values
    // below the minimum give the minimum, values above the maximum the maximum.
    enum
    {
        kDefaultTimeout = 15,
        kMinTimeout = 10,
        kMaxTimeout = 120,
    };
    // Bounds on one whole exchange, so that a server that keeps sending
    // cannot hold the program (which runs at every log-on) for ever. The
    // clock starts when ReadHeaders starts (and, apart, when Connect starts
    // a tunnel or TLS).
    enum
    {
        kExchangeTimeoutFactor = 3,     // whole exchange: 3 x the time-out
        kMaxHeaderBlock = 32768,        // header block bytes, CRs included
        kMaxDrain = 1048576,            // bytes drained after the header block
    };
    // Fixed working buffers: a request or response line and the form body
    // each hold at most kLineSize - 1 characters.
    enum { kLineSize = 4096 };

    // dwMillisPerSecond: how long one second of a time-out lasts. The
    // program keeps 1000; tests shorten it so that the same waits, limits
    // and clamps play out in a fraction of the time.
    explicit CHttpClient(DWORD dwMillisPerSecond = 1000);
    virtual ~CHttpClient();

    // Connects to host (a name or a dotted IPv4 address) and port (host
    // byte order). An open connection is closed first. Success when open.
    // With a proxy (a name or address, not empty) the connection goes to
    // the proxy and its port instead, and Post names host and port in its
    // request line; nothing else of the request changes.
    // bTls: TLS with host (its certificate checked for that name) before
    // Connect succeeds; through a proxy inside a tunnel that the proxy opens
    // at "CONNECT host:port", and Post's request line keeps its plain form.
    BOOL Connect(const char* pszHost, unsigned short nPort, unsigned int nTimeout,
                 const char* pszProxy = nullptr, unsigned short nProxyPort = 0, bool bTls = false);
    // Sends the request; fails when no connection is open, or when the
    // request cannot be formed within the fixed buffers (nothing is sent
    // then). The result of each send is left to ReadHeaders to discover.
    BOOL Post(const char* pszPath, const CMapStringToString& fields);
    // Success when the header block was read up to its empty line.
    BOOL ReadHeaders();
    // Case-blind lookup; the value is untouched when the header is absent.
    BOOL GetHeader(const char* pszName, CString& strValue) const;
    void Close();

    // What Connect made of a requested time-out.
    static unsigned int ClampTimeout(unsigned int nTimeout);

    bool IsOpen() const { return m_hSocket != INVALID_SOCKET; }
    unsigned int GetTimeout() const { return m_nTimeout; }
    const CString& GetHostName() const { return m_strHost; }

protected:
    BOOL StartNetwork();
    // Inside TLS once it is open, on the socket before.
    int Send(const char* pData, int nLength);
    int Receive(char* pBuffer, int nSize);

private:
    CHttpClient(const CHttpClient&);
    CHttpClient& operator=(const CHttpClient&);

    // Waits until the socket is writable or readable, at most the time-out
    // (cut to what is left of the exchange while a deadline is set).
    BOOL WaitReady(BOOL bWrite);
    // One wait and one send or receive on the socket.
    int SendRaw(const char* pData, int nLength) override;
    int ReceiveRaw(char* pBuffer, int nSize) override;
    // One line of a header block, a byte per Receive, into a kLineSize
    // buffer: carriage returns dropped, a long line cut. Its length (a NUL
    // byte counts: only 0 is the empty line), or -1 when a receive ends
    // first or the block, nBlock bytes so far, reaches kMaxHeaderBlock.
    int ReadLine(char* pszLine, int& nBlock);
    void StoreHeaderLine(const char* pszLine);
    // Asks the proxy for a tunnel to the host: true when it answered 2xx.
    bool OpenTunnel();
    // Starts the exchange's deadline: kExchangeTimeoutFactor time-outs.
    void StartDeadline();

    SOCKET m_hSocket;
    BOOL m_bNetworkStarted;
    BOOL m_bEndOfStream;
    unsigned int m_nTimeout;    // seconds
    unsigned short m_nPort;     // the host's port, for a proxy's request line
    BOOL m_bProxy;
    bool m_bTls;
    CTlsChannel m_tls;
    DWORD m_dwMillisPerSecond;
    CString m_strHost;
    CMapStringToString m_headers;
    // The exchange deadline (GetTickCount) while ReadHeaders runs, and
    // while Connect opens a tunnel and TLS.
    BOOL m_bDeadline;
    DWORD m_dwDeadline;
};
