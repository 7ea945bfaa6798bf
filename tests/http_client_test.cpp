// The HTTP form-post client against a scriptable peer on loopback.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "HttpClient.h"
#include "drivers/SocketPeer.h"

using namespace std::string_literals;

namespace
{

const char kHeaderEnd[] = "\r\n\r\n";

// One second of the client's time-outs in the tests of its waits, in
// milliseconds: its minimum time-out (10 s) and its whole-exchange limit
// play out a tenth as long as in the program. The other tests keep real
// seconds, since reading a long response byte by byte under Wine can take
// longer than such a shortened exchange may last.
const DWORD kSecond = 100;
// The tests that stream a long response use a generous second instead, so
// that a slow machine (an emulator) never reaches the exchange limit before
// the limit that the test is about.
const DWORD kPatientSecond = 10000;
// The limit on one whole exchange at the minimum time-out.
const DWORD kExchangeLimit = CHttpClient::kExchangeTimeoutFactor * CHttpClient::kMinTimeout * kSecond;

CMapStringToString& QueryFields(CMapStringToString& fields)
{
    fields.SetAt("sn", "ABC-123");
    fields.SetAt("v1", "6");
    fields.SetAt("v2", "50");
    fields.SetAt("v3", "1058");
    return fields;
}

// A peer that reads the request, answers with the given bytes and closes.
struct AnsweringPeer
{
    SocketPeer peer;
    std::string request;

    explicit AnsweringPeer(const std::string& response)
    {
        peer.Serve([this, response](SOCKET s) {
            request = SocketPeer::ReadRequest(s);
            SocketPeer::SendAll(s, response);
        });
    }
};

// Runs one whole exchange against a peer that answers with the given bytes.
bool Exchange(CHttpClient& client, const std::string& response, std::string* pRequest = nullptr)
{
    AnsweringPeer answer(response);
    CMapStringToString fields;
    bool bOk = client.Connect("127.0.0.1", answer.peer.Port(), 10) &&
               client.Post("/cgi-bin/version.cgi", QueryFields(fields)) &&
               client.ReadHeaders();
    answer.peer.Join();
    if (pRequest)
        *pRequest = answer.request;
    return bOk;
}

std::string Header(const CHttpClient& client, const char* pszName)
{
    CString value("<absent>");
    client.GetHeader(pszName, value);
    return value.GetString();
}

DWORD Elapsed(DWORD dwStart)
{
    return GetTickCount() - dwStart;
}

} // namespace

TEST(HttpClientRequest, SendsTheExactRequestBytes)
{
    CHttpClient client;
    std::string request;
    ASSERT_TRUE(Exchange(client, "HTTP/1.0 200 OK\r\n\r\n", &request));
    EXPECT_EQ(request,
              "POST /cgi-bin/version.cgi HTTP/1.0\r\n"
              "Host: 127.0.0.1\r\n"
              "Content-Type: application/x-www-form-urlencoded\r\n"
              "Content-Length: 29\r\n"
              "\r\n"
              "v2=50&v3=1058&sn=ABC-123&v1=6");
}

TEST(HttpClientRequest, HostLineCarriesTheNameAsWrittenWithoutPort)
{
    AnsweringPeer answer("HTTP/1.0 200 OK\r\n\r\n");
    CHttpClient client;
    CMapStringToString fields;
    ASSERT_TRUE(client.Connect("localhost", answer.peer.Port(), 10));
    EXPECT_STREQ(client.GetHostName(), "localhost");
    ASSERT_TRUE(client.Post("/x", fields));
    ASSERT_TRUE(client.ReadHeaders());
    answer.peer.Join();
    EXPECT_NE(answer.request.find("\r\nHost: localhost\r\n"), std::string::npos) << answer.request;
}

TEST(HttpClientRequest, ThroughAProxyOnlyTheRequestLineChanges)
{
    // The host is never looked up: only the proxy is reached.
    struct Row
    {
        unsigned short nPort;
        const char* pszRequestLine;
    } rows[] = {
        {80, "POST http://vendor.invalid/cgi-bin/version.cgi HTTP/1.0\r\n"},
        {8080, "POST http://vendor.invalid:8080/cgi-bin/version.cgi HTTP/1.0\r\n"},
        {65535, "POST http://vendor.invalid:65535/cgi-bin/version.cgi HTTP/1.0\r\n"},
    };
    for (const Row& row : rows)
    {
        AnsweringPeer answer("HTTP/1.0 200 OK\r\n\r\n");
        CHttpClient client;
        CMapStringToString fields;
        ASSERT_TRUE(client.Connect("vendor.invalid", row.nPort, 10, "127.0.0.1", answer.peer.Port()));
        ASSERT_TRUE(client.Post("/cgi-bin/version.cgi", QueryFields(fields)));
        ASSERT_TRUE(client.ReadHeaders());
        answer.peer.Join();
        EXPECT_EQ(answer.request, std::string(row.pszRequestLine) +
                                      "Host: vendor.invalid\r\n"
                                      "Content-Type: application/x-www-form-urlencoded\r\n"
                                      "Content-Length: 29\r\n"
                                      "\r\n"
                                      "v2=50&v3=1058&sn=ABC-123&v1=6");
    }
    // An empty proxy name is a direct connection.
    CHttpClient client;
    std::string request;
    AnsweringPeer answer("HTTP/1.0 200 OK\r\n\r\n");
    CMapStringToString fields;
    ASSERT_TRUE(client.Connect("127.0.0.1", answer.peer.Port(), 10, "", 3128));
    ASSERT_TRUE(client.Post("/x", fields));
    client.ReadHeaders();
    answer.peer.Join();
    EXPECT_EQ(answer.request.compare(0, 23, "POST /x HTTP/1.0\r\nHost:"), 0) << answer.request;
}

TEST(HttpClientRequest, EmptyMapSendsZeroLengthAndNoBody)
{
    AnsweringPeer answer("HTTP/1.0 200 OK\r\n\r\n");
    CHttpClient client;
    CMapStringToString fields;
    ASSERT_TRUE(client.Connect("127.0.0.1", answer.peer.Port(), 10));
    ASSERT_TRUE(client.Post("/empty", fields));
    ASSERT_TRUE(client.ReadHeaders());
    answer.peer.Join();
    const std::string tail = "Content-Length: 0\r\n\r\n";
    ASSERT_GE(answer.request.size(), tail.size());
    EXPECT_EQ(answer.request.substr(answer.request.size() - tail.size()), tail);
}

TEST(HttpClientRequest, WhitespaceBecomesPlusAndNothingElseIsEscaped)
{
    AnsweringPeer answer("HTTP/1.0 200 OK\r\n\r\n");
    CHttpClient client;
    CMapStringToString fields;
    fields.SetAt("q", "a b\tc&d%e\nf\rg\vh\fi+j=k\xE9");
    fields.SetAt("e", "");
    ASSERT_TRUE(client.Connect("127.0.0.1", answer.peer.Port(), 10));
    ASSERT_TRUE(client.Post("/f", fields));
    ASSERT_TRUE(client.ReadHeaders());
    answer.peer.Join();
    size_t nBody = answer.request.find(kHeaderEnd);
    ASSERT_NE(nBody, std::string::npos);
    // "e" hashes to bucket 16, "q" to bucket 11: q comes first.
    EXPECT_EQ(answer.request.substr(nBody + 4), "q=a+b+c&d%e+f+g+h+i+j=k\xE9&e=");
    EXPECT_NE(answer.request.find("Content-Length: 27\r\n"), std::string::npos);
}

TEST(HttpClientRequest, BodyThatDoesNotFitIsNotSent)
{
    SocketPeer peer;
    std::string received;
    peer.Serve([&](SOCKET s) { received = SocketPeer::ReadUntilClosed(s, 5000); });
    CHttpClient client;
    CMapStringToString fields;
    fields.SetAt("big", std::string(CHttpClient::kLineSize - 4, 'x').c_str());   // "big=" + 4092 = 4096
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), 10));
    EXPECT_FALSE(client.Post("/f", fields));
    client.Close();
    peer.Join();
    EXPECT_EQ(received, "");

    // One byte less fits exactly: 4095 characters of body.
    AnsweringPeer answer("HTTP/1.0 200 OK\r\n\r\n");
    CMapStringToString fits;
    fits.SetAt("big", std::string(CHttpClient::kLineSize - 5, 'x').c_str());
    ASSERT_TRUE(client.Connect("127.0.0.1", answer.peer.Port(), 10));
    ASSERT_TRUE(client.Post("/f", fits));
    ASSERT_TRUE(client.ReadHeaders());
    answer.peer.Join();
    EXPECT_NE(answer.request.find("Content-Length: 4095\r\n"), std::string::npos);
}

TEST(HttpClientRequest, PostAndReadHeadersFailWithoutConnection)
{
    CHttpClient client;
    CMapStringToString fields;
    EXPECT_FALSE(client.Post("/x", fields));
    EXPECT_FALSE(client.ReadHeaders());
}

// How the header block is read, each row a response and the headers then
// asked for: names are case-blind and a value starts after the blanks
// after the colon; a blank before the colon stays in the name; a later
// header replaces an earlier one, and a folded line is a header of its
// own; bare line feeds end lines and stray carriage returns are dropped;
// an error status with a complete block succeeds; a long line is cut to
// the buffer ("Long: " is 6 of the 4095 characters a line keeps).
TEST(HttpClientHeaders, HeaderBlocksAsRead)
{
    const std::string longValue(10000, 'v');
    const struct
    {
        const char* name;
        std::string response;
        std::vector<std::pair<const char*, std::string>> headers;
    } rows[] = {
        {"case-blind names, values after blanks",
         "HTTP/1.0 200 OK\r\nX-UPDATE-STATUS:   \t1 6 50 1058 20090305  \r\n"
         "x-update-url: http://example.test/a:b\r\nEmpty:\r\n\r\nbody text\r\n",
         {{"X-Update-Status", "1 6 50 1058 20090305  "}, {"x-update-status", "1 6 50 1058 20090305  "},
          {"X-Update-URL", "http://example.test/a:b"}, {"EMPTY", ""}, {"Missing", "<absent>"}}},
        {"blank before the colon", "HTTP/1.0 200 OK\r\nX-Update-Status : 1\r\n\r\n",
         {{"X-Update-Status", "<absent>"}, {"X-Update-Status ", "1"}}},
        {"later replaces earlier, folded line its own",
         "HTTP/1.0 200 OK\r\nX-Update-URL: first\r\nFolded: start\r\n  continued: here\r\n"
         "x-update-url: second\r\n\r\n",
         {{"X-Update-URL", "second"}, {"Folded", "start"}, {"  continued", "here"}}},
        {"bare line feeds, stray carriage returns", "HTTP/1.0 200 OK\nA: one\nB: t\rw\ro\n\nrest",
         {{"a", "one"}, {"b", "two"}}},
        {"server error", "HTTP/1.0 500 Internal Server Error\r\nX-Update-Status: 2\r\n\r\noops",
         {{"X-Update-Status", "2"}}},
        {"long line", "HTTP/1.0 200 OK\r\nLong: " + longValue + "\r\nAfter: yes\r\n\r\n",
         {{"Long", std::string(CHttpClient::kLineSize - 1 - 6, 'v')}, {"After", "yes"}}},
        {"a line that starts with a NUL byte is not the empty line",
         "HTTP/1.0 200 OK\r\n\0Hidden: 1\r\nAfter: yes\r\n\r\n"s,
         {{"Hidden", "<absent>"}, {"After", "yes"}}},
    };
    for (const auto& row : rows)
    {
        CHttpClient client(kPatientSecond);
        EXPECT_TRUE(Exchange(client, row.response)) << row.name;
        for (const auto& header : row.headers)
            EXPECT_EQ(Header(client, header.first), header.second) << row.name << ": " << header.first;
    }
}

TEST(HttpClientHeaders, HeadersSurviveClose)
{
    CHttpClient client;
    ASSERT_TRUE(Exchange(client, "HTTP/1.0 200 OK\r\nX-Update-Status: 3\r\n\r\n"));
    client.Close();
    client.Close();     // a second Close does nothing
    EXPECT_FALSE(client.IsOpen());
    EXPECT_STREQ(client.GetHostName(), "");
    EXPECT_EQ(Header(client, "X-Update-Status"), "3");
}

TEST(HttpClientHeaders, ReconnectingForgetsTheLastResponsesHeaders)
{
    CHttpClient client;
    ASSERT_TRUE(Exchange(client, "HTTP/1.0 200 OK\r\nX-Update-Status: 3\r\n\r\n"));
    SocketPeer peer;
    peer.Serve([](SOCKET s) { SocketPeer::ReadUntilClosed(s, 5000); });
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), 10));
    EXPECT_EQ(Header(client, "X-Update-Status"), "<absent>");
    client.Close();
    peer.Join();
}

TEST(HttpClientFailures, PeerClosingBeforeTheEmptyLineFails)
{
    CHttpClient client;
    EXPECT_FALSE(Exchange(client, "HTTP/1.0 200 OK\r\nX-Update-Status: 1\r\n"));
    // What was read stays, although the caller must not rely on it.
    EXPECT_EQ(Header(client, "X-Update-Status"), "1");
}

TEST(HttpClientFailures, PeerResettingBeforeTheEmptyLineFails)
{
    SocketPeer peer;
    peer.Serve([](SOCKET s) {
        SocketPeer::ReadRequest(s);
        SocketPeer::SendAll(s, "HTTP/1.0 200 OK\r\nX-Update-Status: 1\r\n");
        Sleep(200);
        SocketPeer::Reset(s);
    });
    CHttpClient client;
    CMapStringToString fields;
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), 10));
    ASSERT_TRUE(client.Post("/x", QueryFields(fields)));
    DWORD dwStart = GetTickCount();
    EXPECT_FALSE(client.ReadHeaders());
    EXPECT_LT(Elapsed(dwStart), 5000u);
    peer.Join();
}

TEST(HttpClientFailures, HeaderBlockLargerThanTheLimitFails)
{
    std::string response = "HTTP/1.0 200 OK\r\n";
    while (response.size() <= (size_t)CHttpClient::kMaxHeaderBlock)
        response += "X-Filler: 0123456789012345678901234567890123456789\r\n";
    response += "\r\n";
    CHttpClient client(kPatientSecond);
    EXPECT_FALSE(Exchange(client, response));
}

TEST(HttpClientConnect, RefusedConnectionFails)
{
    CHttpClient client(kSecond);
    RefusingPort refusing;
    ASSERT_NE(refusing.Port(), 0);
    DWORD dwStart = GetTickCount();
    EXPECT_FALSE(client.Connect("127.0.0.1", refusing.Port(), 10));
    EXPECT_FALSE(client.IsOpen());
    EXPECT_LT(Elapsed(dwStart), CHttpClient::kMinTimeout * kSecond) << "a refused connection must fail at once";
}

TEST(HttpClientConnect, EmptyOrUnresolvableHostFailsWithoutSocket)
{
    CHttpClient client;
    EXPECT_FALSE(client.Connect("", 80, 10));
    EXPECT_FALSE(client.Connect(nullptr, 80, 10));
    EXPECT_FALSE(client.Connect("no-such-host.invalid", 80, 10));
    EXPECT_FALSE(client.IsOpen());
    EXPECT_STREQ(client.GetHostName(), "");
}

TEST(HttpClientConnect, TimeoutIsClamped)
{
    EXPECT_EQ(CHttpClient::ClampTimeout(0), 15u);
    EXPECT_EQ(CHttpClient::ClampTimeout(1), 10u);
    EXPECT_EQ(CHttpClient::ClampTimeout(5), 10u);
    EXPECT_EQ(CHttpClient::ClampTimeout(9), 10u);
    EXPECT_EQ(CHttpClient::ClampTimeout(10), 10u);
    EXPECT_EQ(CHttpClient::ClampTimeout(60), 60u);
    EXPECT_EQ(CHttpClient::ClampTimeout(120), 120u);
    EXPECT_EQ(CHttpClient::ClampTimeout(121), 120u);
    EXPECT_EQ(CHttpClient::ClampTimeout(300), 120u);
    EXPECT_EQ(CHttpClient::ClampTimeout(0xFFFFFFFFu), 120u);

    // And Connect keeps what it made of the request.
    SocketPeer peer;
    peer.Serve([](SOCKET s) { SocketPeer::ReadUntilClosed(s, 5000); }, 4);
    const unsigned int requested[] = {0, 5, 300, 60};
    const unsigned int kept[] = {15, 10, 120, 60};
    for (int i = 0; i < 4; ++i)
    {
        CHttpClient client;
        ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), requested[i]));
        EXPECT_EQ(client.GetTimeout(), kept[i]) << "requested " << requested[i];
    }
    peer.Join();
}

TEST(HttpClientConnect, ConnectOnAnOpenClientClosesTheOldConnection)
{
    SocketPeer first;
    std::string firstSaw = "<still open>";
    SocketPeer::Ending firstEnded = SocketPeer::kTimedOut;
    first.Serve([&](SOCKET s) { firstSaw = SocketPeer::ReadUntilClosed(s, 10000, &firstEnded); });
    SocketPeer second;
    std::string secondSaw;
    second.Serve([&](SOCKET s) {
        secondSaw = SocketPeer::ReadRequest(s);
        SocketPeer::SendAll(s, "HTTP/1.0 200 OK\r\nX: 2\r\n\r\n");
    });

    CHttpClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", first.Port(), 10));
    ASSERT_TRUE(client.Connect("localhost", second.Port(), 10));
    first.Join();
    EXPECT_EQ(firstSaw, "");
    EXPECT_EQ(firstEnded, SocketPeer::kClosed) << "the first connection was not closed";
    CMapStringToString fields;
    ASSERT_TRUE(client.Post("/second", fields));
    ASSERT_TRUE(client.ReadHeaders());
    second.Join();
    EXPECT_EQ(secondSaw.rfind("POST /second HTTP/1.0\r\nHost: localhost\r\n", 0), 0u);
    EXPECT_EQ(Header(client, "x"), "2");
}

// The waits below are the client's time-outs at the minimum of 10 seconds,
// each second kSecond long.
TEST(HttpClientTimeouts, PeerKeepingTheConnectionOpenSucceedsAfterOneTimeout)
{
    SocketPeer peer;
    peer.Serve([](SOCKET s) {
        SocketPeer::ReadRequest(s);
        SocketPeer::SendAll(s, "HTTP/1.0 200 OK\r\nX-Update-Status: 1\r\n\r\npartial body");
        SocketPeer::ReadUntilClosed(s, 30000);
    });
    CHttpClient client(kSecond);
    CMapStringToString fields;
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), 10));
    ASSERT_TRUE(client.Post("/x", QueryFields(fields)));
    DWORD dwStart = GetTickCount();
    EXPECT_TRUE(client.ReadHeaders());
    DWORD dwTook = Elapsed(dwStart);
    client.Close();
    peer.Join();
    const DWORD kOneTimeout = CHttpClient::kMinTimeout * kSecond;
    // One time-out ends the wait, not a second one.
    EXPECT_GE(dwTook, kOneTimeout - kSecond);
    EXPECT_LT(dwTook, 2 * kOneTimeout - kSecond);
    EXPECT_EQ(Header(client, "X-Update-Status"), "1");
}

TEST(HttpClientTimeouts, EndlessBodyIsDrainedOnlyUpToTheLimit)
{
    SocketPeer peer;
    int nSent = 0;
    peer.Serve([&](SOCKET s) {
        SocketPeer::ReadRequest(s);
        SocketPeer::SendAll(s, "HTTP/1.0 200 OK\r\nX-Update-Status: 1\r\n\r\n");
        std::string chunk(16384, 'b');
        // Keep sending until the client goes away (or far past the limit).
        while (nSent < 16 * CHttpClient::kMaxDrain && SocketPeer::SendAll(s, chunk))
            nSent += (int)chunk.size();
    });
    CHttpClient client;
    CMapStringToString fields;
    ASSERT_TRUE(client.Connect("127.0.0.1", peer.Port(), 10));
    ASSERT_TRUE(client.Post("/x", QueryFields(fields)));
    EXPECT_TRUE(client.ReadHeaders());
    client.Close();
    peer.Join();
    EXPECT_LT(nSent, 16 * CHttpClient::kMaxDrain);
    EXPECT_EQ(Header(client, "X-Update-Status"), "1");
}

// A peer that answers with the head and then sends the piece every half
// second (of the client's), for a minute: longer than the client's whole
// exchange may last.
// Returns what ReadHeaders answered and how long it took.
bool TrickleExchange(CHttpClient& client, const std::string& head, const std::string& piece,
                     DWORD& dwTook)
{
    SocketPeer peer;
    peer.Serve([head, piece](SOCKET s) {
        SocketPeer::ReadRequest(s);
        SocketPeer::SendAll(s, head);
        for (int i = 0; i < 120; ++i)
        {
            if (!SocketPeer::SendAll(s, piece))
                break;
            Sleep(kSecond / 2);
        }
    });
    CMapStringToString fields;
    bool bConnected = client.Connect("127.0.0.1", peer.Port(), 10) &&
                      client.Post("/x", QueryFields(fields));
    DWORD dwStart = GetTickCount();
    bool bRead = bConnected && client.ReadHeaders();
    dwTook = Elapsed(dwStart);
    client.Close();
    peer.Join();
    EXPECT_TRUE(bConnected);
    return bRead;
}

TEST(HttpClientTimeouts, TricklingHeaderBlockFailsWhenTheExchangeLimitEnds)
{
    CHttpClient client(kSecond);
    DWORD dwTook = 0;
    EXPECT_FALSE(TrickleExchange(client, "HTTP/1.0 200 OK\r\nX-Slow: ", "z", dwTook));
    EXPECT_GE(dwTook, kExchangeLimit - kSecond);
    EXPECT_LT(dwTook, kExchangeLimit + 10 * kSecond);
}

TEST(HttpClientTimeouts, TricklingBodyStopsTheDrainWithoutFailing)
{
    CHttpClient client(kSecond);
    DWORD dwTook = 0;
    EXPECT_TRUE(TrickleExchange(client, "HTTP/1.0 200 OK\r\nX-Update-Status: 2\r\n\r\n", "body",
                                dwTook));
    EXPECT_GE(dwTook, kExchangeLimit - kSecond);
    EXPECT_LT(dwTook, kExchangeLimit + 10 * kSecond);
    EXPECT_EQ(Header(client, "X-Update-Status"), "2");
}
