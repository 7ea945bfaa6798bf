// The version query: what it posts and what it makes of the answer.
#include <gtest/gtest.h>

#include <string>

#include "StringMap.h"
#include "VersionQuery.h"
#include "drivers/SocketPeer.h"

namespace
{

struct QueryRun
{
    SocketPeer peer;
    std::string request;
    UpdateOffer offer;
    BOOL result = FALSE;

    // Runs the query for serial "SN-1" and version 6.50 build 1058 against
    // a peer that answers with the given bytes.
    explicit QueryRun(const std::string& response, WORD wMajor = 6, WORD wMinor = 50,
                      DWORD dwBuild = 1058)
    {
        peer.Serve([this, response](SOCKET s) {
            request = SocketPeer::ReadRequest(s);
            SocketPeer::SendAll(s, response);
        });
        // Plain HTTP and offers taken as sent: TLS and the signature are
        // tried end to end, through the real program (notifier_e2e.py).
        UpdateSettings settings;
        settings.serverHost = "127.0.0.1";
        settings.serverPort = peer.Port();
        settings.serverTls = false;
        settings.offerKeys = OfferKeys{nullptr, 0};
        offer.updateUrl = "<untouched>";
        result = QueryVersion(settings, "SN-1", wMajor, wMinor, dwBuild, offer);
        peer.Join();
    }
};

std::string Body(const std::string& request)
{
    size_t n = request.find("\r\n\r\n");
    return n == std::string::npos ? "<no body>" : request.substr(n + 4);
}

UpdateOffer Read(const char* pszValue, WORD wMajor = 6, WORD wMinor = 50, DWORD dwBuild = 1058)
{
    UpdateOffer offer;
    ReadUpdateStatus(pszValue, wMajor, wMinor, dwBuild, offer);
    return offer;
}

} // namespace

TEST(VersionQueryForm, FieldsGoOutInTheMapsOwnOrder)
{
    CMapStringToString fields;
    ASSERT_TRUE(BuildVersionQueryForm("S/N 42", 6, 5, 12, fields));
    std::string order;
    for (const CMapStringToString::CAssoc* p = fields.GetFirst(); p; p = fields.GetNext(p))
        order += std::string(p->key) + "=" + std::string(p->value) + ";";
    EXPECT_EQ(order, "v2=5;v3=12;sn=S/N 42;v1=6;");
}

TEST(VersionQuery, PostsSerialAndVersionToTheQueryPath)
{
    QueryRun run("HTTP/1.0 200 OK\r\n\r\n");
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.request.rfind("POST /cgi-bin/version.cgi HTTP/1.0\r\nHost: 127.0.0.1\r\n", 0), 0u)
        << run.request;
    EXPECT_EQ(Body(run.request), "v2=50&v3=1058&sn=SN-1&v1=6");
}

TEST(VersionQuery, MinorIsSentWithItsFullValue)
{
    QueryRun run("HTTP/1.0 200 OK\r\n\r\n", 6, 5, 7);
    EXPECT_EQ(Body(run.request), "v2=5&v3=7&sn=SN-1&v1=6");
}

// What the query makes of the server's answer: an offer from the status
// header (names in any case, whatever the HTTP status), with the address
// when there is one; no offer, and the offer untouched, without a status
// header or a complete header block.
TEST(VersionQuery, ResponsesGiveOffers)
{
    const struct
    {
        const char* name;
        const char* response;
        bool offered;
        unsigned status;
        const char* version;
        const char* date;
        const char* url;
    } rows[] = {
        {"offer with address",
         "HTTP/1.0 200 OK\r\nX-Update-Status: 1 6 50 1058 20090305\r\n"
         "X-Update-URL: http://downloads.example.test/mail/650.exe\r\n\r\n",
         true, 1, "6.50.1058", "2009 Mar 5", "http://downloads.example.test/mail/650.exe"},
        {"offer without address", "HTTP/1.0 200 OK\r\nX-Update-Status: 2 7 0 12 20110102\r\n\r\n",
         true, 2, "7.00.0012", "2011 Jan 2", ""},
        {"lower-case names and an error status",
         "HTTP/1.0 500 Server Error\r\nx-update-status: 0 6 5 12 20001231\r\n"
         "x-update-url: https://example.test/u\r\n\r\n",
         true, 0, "6.05.0012", "2000 Dec 31", "https://example.test/u"},
        {"no status header", "HTTP/1.0 200 OK\r\nX-Update-URL: http://example.test/\r\n\r\n",
         false, 0, nullptr, nullptr, "<untouched>"},
        {"no empty line", "HTTP/1.0 200 OK\r\nX-Update-Status: 1 6 50 1058 20090305\r\n",
         false, 0, nullptr, nullptr, "<untouched>"},
    };
    for (const auto& row : rows)
    {
        QueryRun run(row.response);
        EXPECT_EQ(!!run.result, row.offered) << row.name;
        EXPECT_STREQ(run.offer.updateUrl, row.url) << row.name;
        if (!row.offered)
            continue;
        EXPECT_EQ(run.offer.status, row.status) << row.name;
        EXPECT_STREQ(run.offer.versionText, row.version) << row.name;
        EXPECT_STREQ(run.offer.releaseDateText, row.date) << row.name;
    }
}

TEST(VersionQuery, ConnectionFailureIsNoOffer)
{
    UpdateSettings settings;
    settings.serverHost = "127.0.0.1";
    settings.serverTls = false;
    RefusingPort refusing;
    ASSERT_NE(refusing.Port(), 0);
    settings.serverPort = refusing.Port();
    UpdateOffer offer;
    EXPECT_FALSE(QueryVersion(settings, "SN-1", 6, 50, 1058, offer));
}

// The status value: status, then the offered version's major, minor and
// build and the release date, each read as far as the value goes; what is
// missing keeps the product's own version (6.50.1058 unless the row says)
// or gives the unknown date. A null column is not checked.
TEST(UpdateStatusValue, ReadsStatusVersionAndDate)
{
    const char* const kUnknown = kUnknownReleaseDate;
    const struct
    {
        const char* name;
        const char* value;
        WORD major, minor;
        DWORD build;
        long long status;           // -1: not checked
        const char* version;
        const char* date;
    } rows[] = {
        {"status 3 selects nothing", "3 6 50 1058 20090305", 6, 50, 1058, 3, nullptr, nullptr},
        {"status 2", "2 6 50 1058 20090305", 6, 50, 1058, 2, nullptr, nullptr},
        {"the largest status", "4294967295 6 50 1058 20090305", 6, 50, 1058, 4294967295LL, nullptr, nullptr},
        {"status alone", "1", 6, 25, 301, 1, "6.25.0301", kUnknown},
        {"status and major", "1 8", 6, 25, 301, -1, "8.25.0301", kUnknown},
        {"date in three parts", "1 6 50 1058 2009 3 5", 6, 50, 1058, -1, nullptr, "2009 Mar 5"},
        {"date in three padded parts", "1 6 50 1058 2009 03 05", 6, 50, 1058, -1, nullptr, "2009 Mar 5"},
        {"tabs and runs of blanks", "  1\t6  50 1058\t20091231", 6, 50, 1058, -1, nullptr, "2009 Dec 31"},
        {"minor of two and build of four digits", "1 6 5 12 20090305", 6, 50, 1058, -1, "6.05.0012", nullptr},
        {"longer build", "1 10 0 123456 20090305", 6, 50, 1058, -1, "10.00.123456", nullptr},
        {"month 13", "1 6 50 1058 20091305", 6, 50, 1058, -1, nullptr, kUnknown},
        {"month 0", "1 6 50 1058 20090005", 6, 50, 1058, -1, nullptr, kUnknown},
        {"day 0", "1 6 50 1058 20090300", 6, 50, 1058, -1, nullptr, kUnknown},
        {"date without day", "1 6 50 1058 200903", 6, 50, 1058, -1, nullptr, kUnknown},
        {"date 99999999", "1 6 50 1058 99999999", 6, 50, 1058, -1, nullptr, kUnknown},
        {"empty value", "", 6, 50, 1058, 0, nullptr, kUnknown},
        // As a 16-bit read keeps it: 65542 is 65536 + 6.
        {"major of 65542", "1 65542 50 1058 20090305", 6, 50, 1058, -1, "6.50.1058", nullptr},
        {"letters stop the read", "1 six 50 1058 20090305", 6, 25, 301, 1, "6.25.0301", kUnknown},
    };
    for (const auto& row : rows)
    {
        UpdateOffer offer = Read(row.value, row.major, row.minor, row.build);
        if (row.status >= 0)
        {
            EXPECT_EQ(offer.status, (DWORD)row.status) << row.name;
        }
        if (row.version)
        {
            EXPECT_STREQ(offer.versionText, row.version) << row.name;
        }
        if (row.date)
        {
            EXPECT_STREQ(offer.releaseDateText, row.date) << row.name;
        }
    }
}
