// SocketPeer: a scriptable TCP server on 127.0.0.1 for the tests of the
// HTTP client. It listens on a free port, accepts connections on a thread
// of its own and runs the test's script on each, which can send any bytes,
// stall, close or reset. Every wait is bounded.
#pragma once

#include <winsock.h>

#include <functional>
#include <string>
#include <thread>

class SocketPeer
{
public:
    using Script = std::function<void(SOCKET)>;

    // Listens at once; Serve starts accepting nConnections connections.
    SocketPeer();
    ~SocketPeer();

    unsigned short Port() const { return m_port; }
    void Serve(Script script, int nConnections = 1);
    // Waits for the script(s) to finish (bounded by the scripts' own waits).
    void Join();
    int Accepted() const { return m_accepted; }

    // Helpers for scripts.
    // Reads one HTTP request: the header block and Content-Length bytes of
    // body, within nMillis. Returns what arrived.
    static std::string ReadRequest(SOCKET s, int nMillis = 10000);
    // How a read ended: the client closed (recv answered 0), the
    // connection failed (a reset), or nMillis passed first.
    enum Ending { kClosed, kFailed, kTimedOut };
    // Reads until the client closes or nMillis pass; *pEnding, when given,
    // says which, so that a test tells closing from timing out without a clock.
    static std::string ReadUntilClosed(SOCKET s, int nMillis = 10000, Ending* pEnding = nullptr);
    static bool SendAll(SOCKET s, const std::string& data);
    // Closes with a reset instead of an orderly shutdown.
    static void Reset(SOCKET s);

private:
    SOCKET m_listener;
    unsigned short m_port;
    std::thread m_thread;
    int m_accepted;
};

// A port on 127.0.0.1 where nothing listens, for as long as the object
// lives: a socket is bound to it and never listens, so a connection is
// refused and no other program (a test running beside this one) can take
// the port meanwhile.
class RefusingPort
{
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    unsigned short Port() const { return m_port; }

private:
    SOCKET m_socket;
    unsigned short m_port;
};

// Keeps the socket library started for the whole test program.
class WinsockSession
{
public:
    WinsockSession();
    ~WinsockSession();
};
