#include "HttpClient.h"

#include <string.h>

#include "Text.h"

CHttpClient::CHttpClient(DWORD dwMillisPerSecond)
    : m_hSocket(INVALID_SOCKET),
      m_bNetworkStarted(FALSE),
      m_bEndOfStream(FALSE),
      m_nTimeout(kDefaultTimeout),
      m_nPort(0),
      m_bProxy(FALSE),
      m_bTls(false),
      m_dwMillisPerSecond(dwMillisPerSecond),
      m_bDeadline(FALSE),
      m_dwDeadline(0)
{
}

CHttpClient::~CHttpClient()
{
    Close();
    if (m_bNetworkStarted)
        WSACleanup();
}

BOOL CHttpClient::StartNetwork()
{
    if (m_bNetworkStarted)
        return TRUE;
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return FALSE;
    m_bNetworkStarted = TRUE;
    return TRUE;
}

unsigned int CHttpClient::ClampTimeout(unsigned int nTimeout)
{
    if (nTimeout == 0)
        return kDefaultTimeout;
    if (nTimeout < kMinTimeout)
        return kMinTimeout;
    if (nTimeout > kMaxTimeout)
        return kMaxTimeout;
    return nTimeout;
}

BOOL CHttpClient::Connect(const char* pszHost, unsigned short nPort, unsigned int nTimeout,
                          const char* pszProxy, unsigned short nProxyPort, bool bTls)
{
    if (!StartNetwork())
        return FALSE;
    Close();

    if (pszHost == nullptr || *pszHost == '\0')
        return FALSE;
    bool bProxy = pszProxy != nullptr && *pszProxy != '\0';
    const char* pszPeer = bProxy ? pszProxy : pszHost;
    struct in_addr address;
    address.s_addr = inet_addr(pszPeer);
    if (address.s_addr == INADDR_NONE)
    {
        const struct hostent* pHost = gethostbyname(pszPeer);
        if (pHost == nullptr || pHost->h_addrtype != AF_INET || pHost->h_length != 4 ||
            pHost->h_addr_list == nullptr || pHost->h_addr_list[0] == nullptr)
            return FALSE;
        memcpy(&address, pHost->h_addr_list[0], 4);
    }

    nTimeout = ClampTimeout(nTimeout);
    if (!m_strHost.SetString(pszHost))
        return FALSE;
    m_bEndOfStream = FALSE;
    m_nTimeout = nTimeout;
    m_nPort = nPort;
    m_bProxy = bProxy;
    m_bTls = bTls;
    m_headers.RemoveAll();

    m_hSocket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (m_hSocket == INVALID_SOCKET)
    {
        m_strHost.Empty();
        return FALSE;
    }

    u_long nNonBlocking = 1;
    ioctlsocket(m_hSocket, FIONBIO, &nNonBlocking);
    struct sockaddr_in peer;
    memset(&peer, 0, sizeof(peer));
    peer.sin_family = AF_INET;
    peer.sin_port = htons(bProxy ? nProxyPort : nPort);
    peer.sin_addr = address;
    if (connect(m_hSocket, reinterpret_cast<const struct sockaddr*>(&peer), sizeof(peer)) ==
        SOCKET_ERROR)
    {
        if (WSAGetLastError() != WSAEWOULDBLOCK || !WaitReady(TRUE))
        {
            Close();
            return FALSE;
        }
        // Writable can also mean that the attempt failed: ask the socket.
        int nError = 0;
        int nLength = sizeof(nError);
        if (getsockopt(m_hSocket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&nError),
                       &nLength) != 0 ||
            nError != 0)
        {
            Close();
            return FALSE;
        }
    }
    u_long nBlocking = 0;
    ioctlsocket(m_hSocket, FIONBIO, &nBlocking);
    if (!bTls)
        return TRUE;

    // The tunnel and the handshake are bounded like one exchange; a
    // revocation look-up may take one time-out in all.
    StartDeadline();
    bool bOpen = (!bProxy || OpenTunnel()) &&
                 m_tls.Open(*this, m_strHost, m_nTimeout * m_dwMillisPerSecond);
    m_bDeadline = FALSE;
    if (!bOpen)
        Close();
    return bOpen;
}

void CHttpClient::StartDeadline()
{
    m_bDeadline = TRUE;
    m_dwDeadline = GetTickCount() + kExchangeTimeoutFactor * m_nTimeout * m_dwMillisPerSecond;
}

bool CHttpClient::OpenTunnel()
{
    // "CONNECT host:port HTTP/1.0", and the same authority as the Host.
    char szAuthority[kLineSize] = "";
    char szPort[12];
    char szRequest[kLineSize] = "CONNECT ";
    if (!FormatDecimal(m_nPort, szPort, sizeof(szPort)) ||
        !AppendText(szAuthority, sizeof(szAuthority), m_strHost) ||
        !AppendText(szAuthority, sizeof(szAuthority), ":") ||
        !AppendText(szAuthority, sizeof(szAuthority), szPort) ||
        !AppendText(szRequest, sizeof(szRequest), szAuthority) ||
        !AppendText(szRequest, sizeof(szRequest), " HTTP/1.0\r\nHost: ") ||
        !AppendText(szRequest, sizeof(szRequest), szAuthority) ||
        !AppendText(szRequest, sizeof(szRequest), "\r\n\r\n"))
        return false;
    int nLength = lstrlenA(szRequest);
    if (Send(szRequest, nLength) != nLength)
        return false;

    // "HTTP/1.x 2xx ...", then header lines up to the empty line and not a
    // byte further: what follows is the server's side of the handshake.
    char szLine[kLineSize];
    int nBlock = 0;
    if (ReadLine(szLine, nBlock) < 0 || strncmp(szLine, "HTTP/", 5) != 0)
        return false;
    const char* pszCode = strchr(szLine, ' ');
    if (pszCode == nullptr)
        return false;
    while (*pszCode == ' ')
        ++pszCode;
    if (pszCode[0] != '2' || pszCode[1] < '0' || pszCode[1] > '9' || pszCode[2] < '0' ||
        pszCode[2] > '9' || (pszCode[3] != '\0' && pszCode[3] != ' '))
        return false;
    int nLine;
    while ((nLine = ReadLine(szLine, nBlock)) > 0)
    {
    }
    return nLine == 0;
}

BOOL CHttpClient::WaitReady(BOOL bWrite)
{
    DWORD dwWait = m_nTimeout * m_dwMillisPerSecond;
    if (m_bDeadline)
    {
        DWORD dwLeft = m_dwDeadline - GetTickCount();
        if (static_cast<LONG>(dwLeft) <= 0)
            return FALSE;
        if (dwLeft < dwWait)
            dwWait = dwLeft;
    }
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(m_hSocket, &ready);
    // A connection attempt that fails shows in the exception set: watching
    // it ends the wait for a refused connection at once.
    fd_set failed;
    FD_ZERO(&failed);
    FD_SET(m_hSocket, &failed);
    struct timeval wait;
    wait.tv_sec = static_cast<long>(dwWait / 1000);
    wait.tv_usec = static_cast<long>(dwWait % 1000) * 1000;
    int nReady = bWrite ? select(0, nullptr, &ready, &failed, &wait)
                        : select(0, &ready, nullptr, nullptr, &wait);
    if (nReady <= 0 || !FD_ISSET(m_hSocket, &ready))
        return FALSE;
    return !bWrite || !FD_ISSET(m_hSocket, &failed);
}

int CHttpClient::SendRaw(const char* pData, int nLength)
{
    if (!IsOpen())
        return -1;
    if (!WaitReady(TRUE))
        return -1;
    int nSent = send(m_hSocket, pData, nLength, 0);
    return nSent == SOCKET_ERROR ? -1 : nSent;
}

int CHttpClient::ReceiveRaw(char* pBuffer, int nSize)
{
    if (!IsOpen())
        return -1;
    if (m_bEndOfStream)
        return 0;
    if (!WaitReady(FALSE))
        return -1;
    int nReceived = recv(m_hSocket, pBuffer, nSize, 0);
    if (nReceived == SOCKET_ERROR)
        return -1;
    if (nReceived == 0)
        m_bEndOfStream = TRUE;
    return nReceived;
}

int CHttpClient::Send(const char* pData, int nLength)
{
    return m_tls.IsOpen() ? m_tls.Send(pData, nLength) : SendRaw(pData, nLength);
}

int CHttpClient::Receive(char* pBuffer, int nSize)
{
    return m_tls.IsOpen() ? m_tls.Receive(pBuffer, nSize) : ReceiveRaw(pBuffer, nSize);
}

BOOL CHttpClient::Post(const char* pszPath, const CMapStringToString& fields)
{
    if (!IsOpen() || pszPath == nullptr)
        return FALSE;

    // The body, in the map's own order. A body that does not fit is not
    // cut: a cut form would carry a wrong value, so nothing is sent.
    char szBody[kLineSize];
    szBody[0] = '\0';
    for (const CMapStringToString::CAssoc* p = fields.GetFirst(); p; p = fields.GetNext(p))
    {
        if ((szBody[0] != '\0' && !AppendText(szBody, sizeof(szBody), "&")) ||
            !AppendText(szBody, sizeof(szBody), p->key) ||
            !AppendText(szBody, sizeof(szBody), "=") ||
            !AppendText(szBody, sizeof(szBody), p->value))
            return FALSE;
    }
    int nBody = lstrlenA(szBody);
    for (int i = 0; i < nBody; ++i)
    {
        if (IsBlank(szBody[i]))
            szBody[i] = '+';
    }

    // The request lines, each formed completely before anything is sent.
    char szRequest[kLineSize] = "POST ";
    char szHost[kLineSize] = "Host: ";
    char szLength[64] = "Content-Length: ";
    char szDigits[12];
    // A proxy needs the whole address: "http://host[:port]" before the path
    // (a tunnel to the host needs none).
    wsprintfA(szDigits, ":%u", static_cast<unsigned int>(m_nPort));
    if (m_bProxy && !m_bTls &&
        (!AppendText(szRequest, sizeof(szRequest), "http://") ||
         !AppendText(szRequest, sizeof(szRequest), m_strHost) ||
         !AppendText(szRequest, sizeof(szRequest), m_nPort != 80 ? szDigits : "")))
        return FALSE;
    if (!FormatDecimal(static_cast<DWORD>(nBody), szDigits, sizeof(szDigits)) ||
        !AppendText(szRequest, sizeof(szRequest), pszPath) ||
        !AppendText(szRequest, sizeof(szRequest), " HTTP/1.0\r\n") ||
        !AppendText(szHost, sizeof(szHost), m_strHost) ||
        !AppendText(szHost, sizeof(szHost), "\r\n") ||
        !AppendText(szLength, sizeof(szLength), szDigits) ||
        !AppendText(szLength, sizeof(szLength), "\r\n\r\n"))
        return FALSE;
    static const char szType[] = "Content-Type: application/x-www-form-urlencoded\r\n";

    Send(szRequest, lstrlenA(szRequest));
    Send(szHost, lstrlenA(szHost));
    Send(szType, sizeof(szType) - 1);
    Send(szLength, lstrlenA(szLength));
    Send(szBody, nBody);
    return TRUE;
}

void CHttpClient::StoreHeaderLine(const char* pszLine)
{
    const char* pszColon = strchr(pszLine, ':');
    if (pszColon == nullptr)
        return;     // the status line, or any other line without a colon
    CString strName;
    strName.Append(pszLine, static_cast<int>(pszColon - pszLine));
    strName.MakeLower();
    const char* pszValue = pszColon + 1;
    while (*pszValue != '\0' && IsBlank(*pszValue))
        ++pszValue;
    m_headers.SetAt(strName, pszValue);
}

int CHttpClient::ReadLine(char* pszLine, int& nBlock)
{
    int nLine = 0;
    for (;;)
    {
        char ch;
        if (nBlock >= kMaxHeaderBlock || Receive(&ch, 1) < 1)
            return -1;
        ++nBlock;
        if (ch == '\r')
            continue;
        if (ch == '\n')
        {
            pszLine[nLine] = '\0';
            return nLine;
        }
        if (nLine < kLineSize - 1)
            pszLine[nLine++] = ch;
    }
}

BOOL CHttpClient::ReadHeaders()
{
    m_headers.RemoveAll();
    StartDeadline();

    // One line at a time, one byte per receive. A line longer than the
    // buffer keeps its first characters.
    char szLine[kLineSize];
    int nBlock = 0;
    for (;;)
    {
        int nLine = ReadLine(szLine, nBlock);
        if (nLine < 0)
        {
            m_bDeadline = FALSE;
            return FALSE;
        }
        if (nLine == 0)
            break;
        StoreHeaderLine(szLine);
    }

    // Drain the rest of the response, within the exchange's bounds.
    int nDrained = 0;
    while (nDrained < kMaxDrain)
    {
        int nReceived = Receive(szLine, sizeof(szLine));
        if (nReceived <= 0)
            break;
        nDrained += nReceived;
    }
    m_bDeadline = FALSE;
    return TRUE;
}

BOOL CHttpClient::GetHeader(const char* pszName, CString& strValue) const
{
    if (pszName == nullptr)
        return FALSE;
    CString strKey(pszName);
    strKey.MakeLower();
    return m_headers.Lookup(strKey, strValue);
}

void CHttpClient::Close()
{
    if (!IsOpen())
        return;
    m_tls.Close();
    closesocket(m_hSocket);
    m_hSocket = INVALID_SOCKET;
    m_strHost.Empty();
    m_bEndOfStream = FALSE;
}
