#include "SocketPeer.h"

#include <windows.h>

#include <stdlib.h>

namespace
{

bool WaitReadable(SOCKET s, DWORD dwMillis)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait;
    wait.tv_sec = (long)(dwMillis / 1000);
    wait.tv_usec = (long)(dwMillis % 1000) * 1000;
    return select(0, &set, 0, 0, &wait) == 1;
}

WinsockSession g_session;

} // namespace

WinsockSession::WinsockSession()
{
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
}

WinsockSession::~WinsockSession()
{
    WSACleanup();
}

SocketPeer::SocketPeer() : m_listener(INVALID_SOCKET), m_port(0), m_accepted(0)
{
    m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    address.sin_port = 0;
    bind(m_listener, (sockaddr*)&address, sizeof(address));
    listen(m_listener, 4);
    int nLength = sizeof(address);
    getsockname(m_listener, (sockaddr*)&address, &nLength);
    m_port = ntohs(address.sin_port);
}

SocketPeer::~SocketPeer()
{
    Join();
    closesocket(m_listener);
}

void SocketPeer::Serve(Script script, int nConnections)
{
    m_thread = std::thread([this, script, nConnections]() {
        for (int i = 0; i < nConnections; ++i)
        {
            if (!WaitReadable(m_listener, 20000))
                return;
            SOCKET s = accept(m_listener, 0, 0);
            if (s == INVALID_SOCKET)
                return;
            ++m_accepted;
            script(s);
            closesocket(s);
        }
    });
}

void SocketPeer::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

std::string SocketPeer::ReadRequest(SOCKET s, int nMillis)
{
    std::string data;
    DWORD dwEnd = GetTickCount() + (DWORD)nMillis;
    size_t nWanted = std::string::npos;
    while (data.size() < nWanted)
    {
        DWORD dwNow = GetTickCount();
        if ((LONG)(dwEnd - dwNow) <= 0 || !WaitReadable(s, dwEnd - dwNow))
            break;
        char buffer[4096];
        int n = recv(s, buffer, sizeof(buffer), 0);
        if (n <= 0)
            break;
        data.append(buffer, n);
        size_t nEnd = data.find("\r\n\r\n");
        if (nWanted == std::string::npos && nEnd != std::string::npos)
        {
            size_t nBody = 0;
            size_t nAt = data.find("Content-Length: ");
            if (nAt != std::string::npos && nAt < nEnd)
                nBody = strtoul(data.c_str() + nAt + 16, 0, 10);
            nWanted = nEnd + 4 + nBody;
        }
    }
    return data;
}

std::string SocketPeer::ReadUntilClosed(SOCKET s, int nMillis, Ending* pEnding)
{
    std::string data;
    Ending ending = kTimedOut;
    DWORD dwEnd = GetTickCount() + (DWORD)nMillis;
    for (;;)
    {
        DWORD dwNow = GetTickCount();
        if ((LONG)(dwEnd - dwNow) <= 0 || !WaitReadable(s, dwEnd - dwNow))
            break;
        char buffer[4096];
        int n = recv(s, buffer, sizeof(buffer), 0);
        if (n <= 0)
        {
            ending = n == 0 ? kClosed : kFailed;
            break;
        }
        data.append(buffer, n);
    }
    if (pEnding)
        *pEnding = ending;
    return data;
}

bool SocketPeer::SendAll(SOCKET s, const std::string& data)
{
    size_t nSent = 0;
    while (nSent < data.size())
    {
        int n = send(s, data.data() + nSent, (int)(data.size() - nSent), 0);
        if (n <= 0)
            return false;
        nSent += n;
    }
    return true;
}

void SocketPeer::Reset(SOCKET s)
{
    linger hard = {1, 0};
    setsockopt(s, SOL_SOCKET, SO_LINGER, (const char*)&hard, sizeof(hard));
}

RefusingPort::RefusingPort() : m_socket(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)), m_port(0)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    int nLength = sizeof(address);
    if (m_socket != INVALID_SOCKET && bind(m_socket, (sockaddr*)&address, sizeof(address)) == 0 &&
        getsockname(m_socket, (sockaddr*)&address, &nLength) == 0)
        m_port = ntohs(address.sin_port);
}

RefusingPort::~RefusingPort()
{
    if (m_socket != INVALID_SOCKET)
        closesocket(m_socket);
}
