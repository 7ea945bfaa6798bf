// The version query: what it posts and what it makes of the answer.
#include <gtest/gtest.h>

#include <string>

#include "StringMap.h"
#include "VersionQuery.h"
#include "support/SocketPeer.h"

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
        UpdateSettings settings;
        settings.serverHost = "127.0.0.1";
        settings.serverPort = peer.Port();
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

TEST(VersionQuery, OfferWithUrl)
{
    QueryRun run("HTTP/1.0 200 OK\r\n"
                 "X-Update-Status: 1 6 50 1058 20090305\r\n"
                 "X-Update-URL: http://downloads.example.test/mail/650.exe\r\n"
                 "\r\n");
    ASSERT_TRUE(run.result);
    EXPECT_EQ(run.offer.status, 1u);
    EXPECT_STREQ(run.offer.versionText, "6.50.1058");
    EXPECT_STREQ(run.offer.releaseDateText, "2009 Mar 5");
    EXPECT_STREQ(run.offer.updateUrl, "http://downloads.example.test/mail/650.exe");
}

TEST(VersionQuery, OfferWithoutUrlHasAnEmptyUrl)
{
    QueryRun run("HTTP/1.0 200 OK\r\nX-Update-Status: 2 7 0 12 20110102\r\n\r\n");
    ASSERT_TRUE(run.result);
    EXPECT_EQ(run.offer.status, 2u);
    EXPECT_STREQ(run.offer.updateUrl, "");
    EXPECT_STREQ(run.offer.versionText, "7.00.0012");
    EXPECT_STREQ(run.offer.releaseDateText, "2011 Jan 2");
}

TEST(VersionQuery, LowerCaseHeaderNamesAndAnErrorStatusStillOffer)
{
    QueryRun run("HTTP/1.0 500 Server Error\r\n"
                 "x-update-status: 0 6 5 12 20001231\r\n"
                 "x-update-url: https://example.test/u\r\n"
                 "\r\n");
    ASSERT_TRUE(run.result);
    EXPECT_EQ(run.offer.status, 0u);
    EXPECT_STREQ(run.offer.versionText, "6.05.0012");
    EXPECT_STREQ(run.offer.releaseDateText, "2000 Dec 31");
    EXPECT_STREQ(run.offer.updateUrl, "https://example.test/u");
}

TEST(VersionQuery, NoStatusHeaderIsNoOfferAndLeavesTheOfferAlone)
{
    QueryRun run("HTTP/1.0 200 OK\r\nX-Update-URL: http://example.test/\r\n\r\n");
    EXPECT_FALSE(run.result);
    EXPECT_STREQ(run.offer.updateUrl, "<untouched>");
}

TEST(VersionQuery, IncompleteResponseIsNoOffer)
{
    QueryRun run("HTTP/1.0 200 OK\r\nX-Update-Status: 1 6 50 1058 20090305\r\n");
    EXPECT_FALSE(run.result);
    EXPECT_STREQ(run.offer.updateUrl, "<untouched>");
}

TEST(VersionQuery, ConnectionFailureIsNoOffer)
{
    UpdateSettings settings;
    settings.serverHost = "127.0.0.1";
    settings.serverPort = SocketPeer::ClosedPort();
    UpdateOffer offer;
    EXPECT_FALSE(QueryVersion(settings, "SN-1", 6, 50, 1058, offer));
}

TEST(UpdateStatusValue, StatusSelectsNothingButBitZeroIsKept)
{
    EXPECT_EQ(Read("3 6 50 1058 20090305").status, 3u);
    EXPECT_EQ(Read("2 6 50 1058 20090305").status, 2u);
    EXPECT_EQ(Read("4294967295 6 50 1058 20090305").status, 4294967295u);
}

TEST(UpdateStatusValue, ValueEndingAfterTheStatusKeepsTheProductsVersion)
{
    UpdateOffer offer = Read("1", 6, 25, 301);
    EXPECT_EQ(offer.status, 1u);
    EXPECT_STREQ(offer.versionText, "6.25.0301");
    EXPECT_STREQ(offer.releaseDateText, kUnknownReleaseDate);

    offer = Read("1 8", 6, 25, 301);
    EXPECT_STREQ(offer.versionText, "8.25.0301");
    EXPECT_STREQ(offer.releaseDateText, kUnknownReleaseDate);
}

TEST(UpdateStatusValue, DateWithBlanksBetweenItsPartsReadsTheSame)
{
    EXPECT_STREQ(Read("1 6 50 1058 2009 3 5").releaseDateText, "2009 Mar 5");
    EXPECT_STREQ(Read("1 6 50 1058 2009 03 05").releaseDateText, "2009 Mar 5");
    EXPECT_STREQ(Read("  1\t6  50 1058\t20091231").releaseDateText, "2009 Dec 31");
}

TEST(UpdateStatusValue, BuildHasAtLeastFourDigitsAndMinorTwo)
{
    EXPECT_STREQ(Read("1 6 5 12 20090305").versionText, "6.05.0012");
    EXPECT_STREQ(Read("1 10 0 123456 20090305").versionText, "10.00.123456");
}

TEST(UpdateStatusValue, MonthOrDayOutsideTheirRangeGiveTheUnknownDate)
{
    EXPECT_STREQ(Read("1 6 50 1058 20091305").releaseDateText, kUnknownReleaseDate);
    EXPECT_STREQ(Read("1 6 50 1058 20090005").releaseDateText, kUnknownReleaseDate);
    EXPECT_STREQ(Read("1 6 50 1058 20090300").releaseDateText, kUnknownReleaseDate);
    EXPECT_STREQ(Read("1 6 50 1058 200903").releaseDateText, kUnknownReleaseDate);
    EXPECT_STREQ(Read("1 6 50 1058 99999999").releaseDateText, kUnknownReleaseDate);
    EXPECT_STREQ(Read("").releaseDateText, kUnknownReleaseDate);
    EXPECT_EQ(Read("").status, 0u);
}

TEST(UpdateStatusValue, VersionFieldsAreSixteenBit)
{
    // As a 16-bit read keeps it: 65542 is 65536 + 6.
    EXPECT_STREQ(Read("1 65542 50 1058 20090305").versionText, "6.50.1058");
}

TEST(UpdateStatusValue, NonNumericTextStopsTheRead)
{
    UpdateOffer offer = Read("1 six 50 1058 20090305", 6, 25, 301);
    EXPECT_EQ(offer.status, 1u);
    EXPECT_STREQ(offer.versionText, "6.25.0301");
    EXPECT_STREQ(offer.releaseDateText, kUnknownReleaseDate);
}
