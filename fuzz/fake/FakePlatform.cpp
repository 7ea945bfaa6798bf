// The Win32 calls that the fuzzed sources reach, served natively. Built
// against Wine's Windows headers, so every declaration, type size and
// calling convention is the one the product is compiled with.
#include <windows.h>
#include <winsock.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "FakePlatform.h"

namespace
{

// A misuse of the platform by the caller: report it and crash, so that the
// fuzzer keeps the input and prints the caller's stack.
[[noreturn]] void Misuse(const char* pszWhat)
{
    fprintf(stderr, "fake platform: %s\n", pszWhat);
    abort();
}

const SOCKET kSocket = 0x1234;
// The address gethostbyname answers: TEST-NET-1, never a real host.
const unsigned char kResolved[4] = { 192, 0, 2, 1 };

enum ConnectState { kNoConnect, kPending, kConnected, kRefused };

struct NetState
{
    fake::NetScript script;
    std::string sent;
    size_t nPosition;           // reply bytes handed out so far
    size_t nTotal;              // reply bytes the peer will send in all
    unsigned nRecvCalls;
    int nStarts;
    bool bOpen;
    bool bNonBlocking;
    ConnectState connect;
    ULONG ulResolved;           // network order, 0 until a name or address is resolved
    int nLastError;
    DWORD dwClock;
};

NetState g_net;

void CheckSocket(SOCKET s, const char* pszCall)
{
    if (!g_net.bOpen || s != kSocket)
    {
        fprintf(stderr, "fake platform: %s on a socket that is not open\n", pszCall);
        abort();
    }
}

// Every set that select is given holds our one socket, or nothing.
void CheckSet(const fd_set* pSet)
{
    if (pSet && (pSet->fd_count > 1 || (pSet->fd_count == 1 && pSet->fd_array[0] != kSocket)))
        Misuse("select on a set that holds another socket");
}

void ClearSet(fd_set* pSet)
{
    if (pSet)
        pSet->fd_count = 0;
}

} // namespace

namespace fake
{

void ResetNet(const NetScript& script)
{
    g_net.script = script;
    g_net.sent.clear();
    g_net.nPosition = 0;
    g_net.nTotal = script.nReply;
    if (script.nReply > 0 && script.nRepeatTo > script.nReply)
        g_net.nTotal = script.nRepeatTo;
    g_net.nRecvCalls = 0;
    g_net.nStarts = 0;
    g_net.bOpen = false;
    g_net.bNonBlocking = false;
    g_net.connect = kNoConnect;
    g_net.ulResolved = 0;
    g_net.nLastError = 0;
    g_net.dwClock = script.dwClockStart;
}

const char* SentBytes(size_t* pnLength)
{
    *pnLength = g_net.sent.size();
    return g_net.sent.data();
}

unsigned RecvCalls() { return g_net.nRecvCalls; }
int OpenSockets() { return g_net.bOpen ? 1 : 0; }
int NetworkStarts() { return g_net.nStarts; }
uint32_t Now() { return g_net.dwClock; }

} // namespace fake

extern "C" {

// --- Windows Sockets 1.1 ----------------------------------------------------

int WINAPI WSAStartup(WORD wVersion, LPWSADATA pData)
{
    if (pData == 0)
        Misuse("WSAStartup without WSADATA");
    memset(pData, 0, sizeof(*pData));
    pData->wVersion = wVersion;
    pData->wHighVersion = MAKEWORD(1, 1);
    ++g_net.nStarts;
    return 0;
}

int WINAPI WSACleanup(void)
{
    if (g_net.nStarts <= 0)
        Misuse("WSACleanup without WSAStartup");
    --g_net.nStarts;
    return 0;
}

int WINAPI WSAGetLastError(void)
{
    return g_net.nLastError;
}

// Dotted decimal a.b.c.d only, each part 0 to 255; INADDR_NONE otherwise.
ULONG WINAPI inet_addr(const char* psz)
{
    if (psz == 0)
        Misuse("inet_addr of a null pointer");
    unsigned char ab[4];
    const char* p = psz;
    for (int i = 0; i < 4; ++i)
    {
        if (*p < '0' || *p > '9')
            return INADDR_NONE;
        unsigned n = 0;
        int nDigits = 0;
        while (*p >= '0' && *p <= '9' && nDigits < 4)
        {
            n = n * 10 + (unsigned)(*p++ - '0');
            ++nDigits;
        }
        if (n > 255 || (i < 3 && *p++ != '.'))
            return INADDR_NONE;
        ab[i] = (unsigned char)n;
    }
    if (*p != '\0')
        return INADDR_NONE;
    ULONG ul;
    memcpy(&ul, ab, 4);
    g_net.ulResolved = ul;
    return ul;
}

struct hostent* WINAPI gethostbyname(const char* pszName)
{
    if (g_net.nStarts <= 0)
        Misuse("gethostbyname before WSAStartup");
    if (pszName == 0)
        Misuse("gethostbyname of a null pointer");
    if (g_net.script.bNameFails)
    {
        g_net.nLastError = WSAHOST_NOT_FOUND;
        return 0;
    }
    // (Names that start with s_ clash with the socket headers' address macros.)
    static char g_hostAddress[4];
    static char* g_apHostAddresses[2] = { g_hostAddress, 0 };
    static char g_szHostName[] = "peer";
    static struct hostent g_hostEntry;
    memcpy(g_hostAddress, kResolved, 4);
    g_hostEntry.h_name = g_szHostName;
    g_hostEntry.h_aliases = &g_apHostAddresses[1];
    g_hostEntry.h_addrtype = AF_INET;
    g_hostEntry.h_length = 4;
    g_hostEntry.h_addr_list = g_apHostAddresses;
    memcpy(&g_net.ulResolved, kResolved, 4);
    return &g_hostEntry;
}

SOCKET WINAPI socket(int nFamily, int nType, int nProtocol)
{
    if (g_net.nStarts <= 0)
        Misuse("socket before WSAStartup");
    if (nFamily != AF_INET || nType != SOCK_STREAM || nProtocol != IPPROTO_TCP)
        Misuse("socket other than an IPv4 TCP stream");
    if (g_net.bOpen)
        Misuse("a second socket while one is open");
    g_net.bOpen = true;
    g_net.bNonBlocking = false;
    g_net.connect = kNoConnect;
    return kSocket;
}

int WINAPI ioctlsocket(SOCKET s, LONG nCommand, ULONG* pulArgument)
{
    CheckSocket(s, "ioctlsocket");
    if (nCommand != (LONG)FIONBIO || pulArgument == 0)
        Misuse("ioctlsocket other than FIONBIO");
    g_net.bNonBlocking = *pulArgument != 0;
    return 0;
}

int WINAPI connect(SOCKET s, const struct sockaddr* pAddress, int nLength)
{
    CheckSocket(s, "connect");
    if (pAddress == 0 || nLength != (int)sizeof(struct sockaddr_in))
        Misuse("connect with a bad address length");
    const struct sockaddr_in* pPeer = (const struct sockaddr_in*)pAddress;
    if (pPeer->sin_family != AF_INET || pPeer->sin_addr.s_addr != g_net.ulResolved ||
        g_net.ulResolved == 0)
        Misuse("connect to an address that was never resolved");
    if (g_net.connect != kNoConnect)
        Misuse("connect twice on one socket");
    if (g_net.script.bConnectPending)
    {
        if (!g_net.bNonBlocking)
            Misuse("a pending connect on a blocking socket would hang");
        g_net.connect = kPending;
        g_net.nLastError = WSAEWOULDBLOCK;
        return SOCKET_ERROR;
    }
    g_net.connect = kConnected;
    return 0;
}

int WINAPI select(int, fd_set* pRead, fd_set* pWrite, fd_set* pFailed, const struct timeval* pWait)
{
    if (pWait == 0)
        Misuse("select without a time limit");
    if (pWait->tv_sec < 0 || pWait->tv_sec > 120 || pWait->tv_usec < 0 || pWait->tv_usec > 999999)
        Misuse("select with a wait outside 0 to 120 seconds");
    CheckSet(pRead);
    CheckSet(pWrite);
    CheckSet(pFailed);
    bool bRead = pRead && pRead->fd_count == 1;
    bool bWrite = pWrite && pWrite->fd_count == 1;
    if (bRead == bWrite)
        Misuse("select for other than one socket's reading or writing");
    CheckSocket(kSocket, "select");
    DWORD dwWait = (DWORD)pWait->tv_sec * 1000 + (DWORD)pWait->tv_usec / 1000;

    bool bReady;
    bool bFailed = false;
    if (bWrite)
    {
        if (g_net.connect == kPending)
        {
            g_net.connect = g_net.script.bConnectRefused ? kRefused : kConnected;
            bReady = !g_net.script.bConnectRefused;
            bFailed = g_net.script.bConnectRefused;
        }
        else
            bReady = g_net.connect == kConnected && !g_net.script.bSendStalls;
    }
    else
    {
        if (g_net.connect != kConnected)
            Misuse("select for reading on a socket that is not connected");
        bReady = g_net.nPosition < g_net.nTotal || g_net.script.end != fake::kEndStall;
    }

    if (!bReady && !bFailed)
    {
        // Nothing happens: the whole wait passes.
        g_net.dwClock += dwWait;
        ClearSet(pRead);
        ClearSet(pWrite);
        ClearSet(pFailed);
        return 0;
    }
    // A wait that ends early lasts the script's step, never longer than asked.
    g_net.dwClock += g_net.script.dwClockStep < dwWait ? g_net.script.dwClockStep : dwWait;
    if (!bReady)
    {
        ClearSet(pRead);
        ClearSet(pWrite);
    }
    if (!bFailed)
        ClearSet(pFailed);
    return 1;
}

int WINAPI __WSAFDIsSet(SOCKET s, fd_set* pSet)
{
    if (pSet == 0)
        Misuse("FD_ISSET of a null set");
    for (u_int i = 0; i < pSet->fd_count && i < FD_SETSIZE; ++i)
    {
        if (pSet->fd_array[i] == s)
            return 1;
    }
    return 0;
}

int WINAPI getsockopt(SOCKET s, int nLevel, int nName, char* pValue, int* pnLength)
{
    CheckSocket(s, "getsockopt");
    if (nLevel != SOL_SOCKET || nName != SO_ERROR || pValue == 0 || pnLength == 0 ||
        *pnLength < (int)sizeof(int))
        Misuse("getsockopt other than SO_ERROR into an int");
    int nError = g_net.connect == kRefused ? WSAECONNREFUSED : 0;
    memcpy(pValue, &nError, sizeof(nError));
    *pnLength = sizeof(nError);
    return 0;
}

int WINAPI send(SOCKET s, const char* pData, int nLength, int nFlags)
{
    CheckSocket(s, "send");
    if (g_net.connect != kConnected || g_net.bNonBlocking || nFlags != 0)
        Misuse("send other than on a connected blocking socket");
    if (nLength < 0 || (nLength > 0 && pData == 0))
        Misuse("send of a bad buffer");
    g_net.sent.append(pData, (size_t)nLength);    // reads every byte: ASan checks the length
    return nLength;
}

int WINAPI recv(SOCKET s, char* pBuffer, int nSize, int nFlags)
{
    CheckSocket(s, "recv");
    if (g_net.connect != kConnected || g_net.bNonBlocking || nFlags != 0)
        Misuse("recv other than on a connected blocking socket");
    if (nSize <= 0 || pBuffer == 0)
        Misuse("recv into a bad buffer");
    ++g_net.nRecvCalls;
    // Windows may write anywhere in the buffer it is given.
    memset(pBuffer, 0xA5, (size_t)nSize);
    if (g_net.nPosition < g_net.nTotal)
    {
        size_t n = g_net.nTotal - g_net.nPosition;
        if (n > (size_t)nSize)
            n = (size_t)nSize;
        if (g_net.script.nRecvChunk != 0 && n > g_net.script.nRecvChunk)
            n = g_net.script.nRecvChunk;
        // The reply, repeated: copied a piece of the reply at a time.
        for (size_t nDone = 0; nDone < n;)
        {
            size_t nAt = (g_net.nPosition + nDone) % g_net.script.nReply;
            size_t nPiece = g_net.script.nReply - nAt;
            if (nPiece > n - nDone)
                nPiece = n - nDone;
            memcpy(pBuffer + nDone, g_net.script.pReply + nAt, nPiece);
            nDone += nPiece;
        }
        g_net.nPosition += n;
        return (int)n;
    }
    switch (g_net.script.end)
    {
    case fake::kEndClose:
        return 0;
    case fake::kEndError:
        g_net.nLastError = WSAECONNRESET;
        return SOCKET_ERROR;
    case fake::kEndStall:
        break;
    }
    Misuse("recv with nothing to read would block for ever");
}

int WINAPI closesocket(SOCKET s)
{
    CheckSocket(s, "closesocket");
    g_net.bOpen = false;
    g_net.connect = kNoConnect;
    return 0;
}

// --- kernel32 -----------------------------------------------------------------

DWORD WINAPI GetTickCount(void)
{
    return g_net.dwClock;
}

INT WINAPI lstrlenA(LPCSTR psz)
{
    return psz ? (INT)strlen(psz) : 0;
}

HANDLE WINAPI GetProcessHeap(void)
{
    static int s_heap;
    return (HANDLE)&s_heap;
}

LPVOID WINAPI HeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T nBytes)
{
    if (hHeap != GetProcessHeap())
        Misuse("HeapAlloc on an unknown heap");
    return (dwFlags & HEAP_ZERO_MEMORY) ? calloc(1, nBytes ? nBytes : 1) : malloc(nBytes ? nBytes : 1);
}

BOOL WINAPI HeapFree(HANDLE hHeap, DWORD, LPVOID pMemory)
{
    if (hHeap != GetProcessHeap())
        Misuse("HeapFree on an unknown heap");
    free(pMemory);
    return TRUE;
}

// --- Registry: no key exists and none can be made --------------------------------
// The fuzzed sources link the registry wrapper but never reach it with a
// real key; the catalogue's and the wrapper's callers see "not found".

LSTATUS WINAPI RegOpenKeyExA(HKEY, LPCSTR, DWORD, REGSAM, PHKEY phResult)
{
    if (phResult)
        *phResult = 0;
    return ERROR_FILE_NOT_FOUND;
}

LSTATUS WINAPI RegCreateKeyA(HKEY, LPCSTR, PHKEY phResult)
{
    if (phResult)
        *phResult = 0;
    return ERROR_ACCESS_DENIED;
}

LSTATUS WINAPI RegQueryValueExA(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD)
{
    Misuse("RegQueryValueExA on a key that was never opened");
}

LSTATUS WINAPI RegSetValueExA(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD)
{
    Misuse("RegSetValueExA on a key that was never opened");
}

LSTATUS WINAPI RegCloseKey(HKEY)
{
    Misuse("RegCloseKey of a key that was never opened");
}

// --- user32: wsprintfA ----------------------------------------------------------
// The Windows formatter's subset: flags "-" and "0", a width, "h" or "l"
// (both sizes are 32 bits on Windows), and the types d, i, u, x, X, c, s, %.
// It writes byte by byte into the caller's buffer, at most 1024 bytes with
// the terminator, as Windows does: a buffer that is too small is overrun
// here, where AddressSanitizer sees it.

INT WINAPIV wsprintfA(LPSTR pszOut, LPCSTR pszFormat, ...)
{
    if (pszOut == 0 || pszFormat == 0)
        Misuse("wsprintfA with a null pointer");
    const int kMax = 1024 - 1;
    __ms_va_list args;
    __ms_va_start(args, pszFormat);
    int nOut = 0;
    for (const char* p = pszFormat; *p && nOut < kMax; ++p)
    {
        if (*p != '%')
        {
            pszOut[nOut++] = *p;
            continue;
        }
        ++p;
        bool bLeft = false, bZero = false;
        for (; *p == '-' || *p == '0'; ++p)
        {
            if (*p == '-')
                bLeft = true;
            else
                bZero = true;
        }
        int nWidth = 0;
        for (; *p >= '0' && *p <= '9'; ++p)
            nWidth = nWidth * 10 + (*p - '0');
        if (*p == 'h' || *p == 'l')
            ++p;
        char achNumber[16];
        const char* pch = achNumber;
        int nLength = 0;
        switch (*p)
        {
        case 'd':
        case 'i':
        {
            int n = __builtin_va_arg(args, int);
            unsigned int u = n < 0 ? 0u - (unsigned int)n : (unsigned int)n;
            nLength = snprintf(achNumber, sizeof(achNumber), "%s%u", n < 0 ? "-" : "", u);
            break;
        }
        case 'u':
            nLength = snprintf(achNumber, sizeof(achNumber), "%u", __builtin_va_arg(args, unsigned int));
            break;
        case 'x':
            nLength = snprintf(achNumber, sizeof(achNumber), "%x", __builtin_va_arg(args, unsigned int));
            break;
        case 'X':
            nLength = snprintf(achNumber, sizeof(achNumber), "%X", __builtin_va_arg(args, unsigned int));
            break;
        case 'c':
            achNumber[0] = (char)__builtin_va_arg(args, int);
            nLength = 1;
            break;
        case 's':
            pch = __builtin_va_arg(args, const char*);
            if (pch == 0)
                pch = "(null)";
            nLength = (int)strlen(pch);
            bZero = false;
            break;
        case '%':
            achNumber[0] = '%';
            nLength = 1;
            break;
        default:
            Misuse("wsprintfA format outside the subset the product uses");
        }
        char chPad = bZero && !bLeft ? '0' : ' ';
        int nPad = nWidth > nLength ? nWidth - nLength : 0;
        // Zero padding goes after a minus sign.
        if (chPad == '0' && nLength > 0 && pch[0] == '-' && nOut < kMax)
        {
            pszOut[nOut++] = '-';
            ++pch;
            --nLength;
        }
        for (; !bLeft && nPad > 0 && nOut < kMax; --nPad)
            pszOut[nOut++] = chPad;
        for (int i = 0; i < nLength && nOut < kMax; ++i)
            pszOut[nOut++] = pch[i];
        for (; bLeft && nPad > 0 && nOut < kMax; --nPad)
            pszOut[nOut++] = ' ';
    }
    __ms_va_end(args);
    pszOut[nOut] = '\0';
    return nOut;
}

} // extern "C"
