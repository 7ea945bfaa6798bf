// The server's reply, through the real version query: connection, request,
// header block, drain, and the offer made of the two headers.
//
// Input: 6 bytes that script the peer and the clock, then the reply bytes.
//   [0] bits 0-1 how the reply ends (close, reset, stall, close);
//       bit 2 repeat the reply; bit 3 the server is a dotted address;
//       bit 4 the name lookup fails; bit 5 connect is pending;
//       bit 6 the pending connect is refused; bit 7 sends time out
//   [1] milliseconds / 200 that a wait lasts when it ends early
//   [2] most bytes per recv / 256 (0: as many as asked); the header block
//       is read a byte at a time anyway, so this shapes the drain
//   [3] high byte of the clock at the start (0xFF: it wraps during the run)
//   [4] with bit 2: the reply repeats up to (n + 1) * 4608 bytes
//   [5] the time-out asked for, in seconds (0: the default)
//
// Checked besides crashes: the request is byte for byte what the query
// sends; the result and the offer are those that the header rule, written
// plainly below, gives for the bytes sent; the socket and the library are
// released; the exchange ends within its bounds of time.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <string>

#include "FakePlatform.h"
#include "VersionQuery.h"

namespace
{

const char kSerial[] = "BNT-600 12345";     // a blank, to see it sent as "+"
const WORD kMajor = 6, kMinor = 50;
const DWORD kBuild = 1058;

[[noreturn]] void Fail(const char* pszWhat, const std::string& strDetail = std::string())
{
    fprintf(stderr, "response: %s %s\n", pszWhat, strDetail.c_str());
    abort();
}

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\v' || ch == '\f' || ch == '\r';
}

// The header block as the client must read it: lines end at a line feed,
// carriage returns are dropped, a line keeps its first 4095 characters, a
// line is text up to its first NUL byte, an empty line ends the block, and
// the block is at most 32768 bytes. A header is a line with a colon: the
// name before the first colon folded to lower case, the value after the
// colon and the blanks that follow it; a later header replaces an earlier.
struct ExpectedBlock
{
    bool bComplete = false;
    std::map<std::string, std::string> headers;
};

ExpectedBlock ReadBlock(const std::string& strStream)
{
    ExpectedBlock block;
    std::string strLine;
    size_t nLimit = strStream.size() < 32768 ? strStream.size() : 32768;
    for (size_t i = 0; i < nLimit; ++i)
    {
        char ch = strStream[i];
        if (ch == '\r')
            continue;
        if (ch != '\n')
        {
            if (strLine.size() < 4095)
                strLine += ch;
            continue;
        }
        if (strLine.empty())
        {
            block.bComplete = true;
            return block;
        }
        std::string strText = strLine.substr(0, strLine.find('\0'));
        size_t nColon = strText.find(':');
        if (nColon != std::string::npos)
        {
            std::string strName = strText.substr(0, nColon);
            for (char& c : strName)
                if (c >= 'A' && c <= 'Z')
                    c = (char)(c - 'A' + 'a');
            size_t nValue = nColon + 1;
            while (nValue < strText.size() && IsBlank(strText[nValue]))
                ++nValue;
            block.headers[strName] = strText.substr(nValue);
        }
        strLine.clear();
    }
    return block;
}

std::string ExpectedRequest(const char* pszHost)
{
    std::string strBody = std::string("v2=") + std::to_string(kMinor) + "&v3=" +
                          std::to_string(kBuild) + "&sn=" + kSerial + "&v1=" +
                          std::to_string(kMajor);
    for (char& c : strBody)
        if (IsBlank(c))
            c = '+';
    return std::string("POST /cgi-bin/version.cgi HTTP/1.0\r\nHost: ") + pszHost +
           "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
           std::to_string(strBody.size()) + "\r\n\r\n" + strBody;
}

unsigned ClampedTimeout(unsigned n)
{
    return n == 0 ? 15 : n < 10 ? 10 : n > 120 ? 120 : n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < 6)
        return 0;
    const uint8_t bFlags = pData[0];
    fake::NetScript script = {};
    script.pReply = pData + 6;
    script.nReply = nSize - 6;
    script.end = (bFlags & 3) == 1 ? fake::kEndError : (bFlags & 3) == 2 ? fake::kEndStall
                                                                          : fake::kEndClose;
    script.nRepeatTo = (bFlags & 4) ? (size_t)(pData[4] + 1) * 4608 : 0;
    script.bNameFails = (bFlags & 0x10) != 0;
    script.bConnectPending = (bFlags & 0x20) != 0;
    script.bConnectRefused = (bFlags & 0x40) != 0;
    script.bSendStalls = (bFlags & 0x80) != 0;
    script.dwClockStep = pData[1] * 200u;
    script.nRecvChunk = pData[2] * 256u;
    script.dwClockStart = ((uint32_t)pData[3] << 24) | 0x00FFF000u;
    fake::ResetNet(script);

    UpdateSettings settings;
    if (bFlags & 8)
        settings.serverHost = "192.0.2.7";
    settings.queryTimeout = pData[5];

    UpdateOffer offer;
    offer.status = 0xDEADBEEF;
    offer.versionText = "untouched";
    offer.updateUrl = "untouched";
    BOOL bOffer = QueryVersion(settings, kSerial, kMajor, kMinor, kBuild, offer);

    if (fake::OpenSockets() != 0 || fake::NetworkStarts() != 0)
        Fail("socket or socket library left open");
    uint32_t dwElapsed = fake::Now() - script.dwClockStart;
    uint32_t dwBound = 9u * ClampedTimeout(settings.queryTimeout) * 1000u;
    if (dwElapsed > dwBound)
        Fail("the exchange outlasted connect + five sends + three time-outs:",
             std::to_string(dwElapsed) + " ms");

    bool bConnects = !((bFlags & 8) == 0 && script.bNameFails) &&
                     !(script.bConnectPending && script.bConnectRefused);
    size_t nSent = 0;
    const char* pSent = fake::SentBytes(&nSent);
    std::string strSent(pSent, nSent);
    if (!bConnects)
    {
        if (bOffer || !strSent.empty() || fake::RecvCalls() != 0)
            Fail("a connection that failed still carried a query");
        return 0;
    }
    if (!script.bSendStalls && strSent != ExpectedRequest(settings.serverHost))
        Fail("request differs:", strSent);

    std::string strStream;
    if (script.nReply > 0)
    {
        size_t nTotal = script.nRepeatTo > script.nReply ? script.nRepeatTo : script.nReply;
        nTotal = nTotal < 32768 ? nTotal : 32768;
        for (size_t i = 0; i < nTotal; ++i)
            strStream += (char)script.pReply[i % script.nReply];
    }
    ExpectedBlock block = ReadBlock(strStream);
    auto status = block.headers.find("x-update-status");
    bool bExpected = block.bComplete && status != block.headers.end();

    // Without waits that end early, time passes only when the reply has run
    // out, so the deadline cannot cut the block: the result is exact. With
    // them, the deadline may end the exchange sooner, but never make an offer.
    if (script.dwClockStep == 0 ? bOffer != (BOOL)bExpected : (bOffer && !bExpected))
        Fail("offer found where the header rule says otherwise, or missed");
    if (!bOffer)
    {
        if (offer.status != 0xDEADBEEF || offer.versionText != "untouched" ||
            offer.updateUrl != "untouched")
            Fail("a failed query changed the offer");
        return 0;
    }
    auto url = block.headers.find("x-update-url");
    std::string strUrl = url == block.headers.end() ? std::string() : url->second;
    if (strUrl != offer.updateUrl.GetString())
        Fail("update address differs:", offer.updateUrl.GetString());
    UpdateOffer direct;
    ReadUpdateStatus(status->second.c_str(), kMajor, kMinor, kBuild, direct);
    if (direct.status != offer.status || direct.versionText != offer.versionText ||
        direct.releaseDateText != offer.releaseDateText)
        Fail("the offer is not what the status value reads as");
    return 0;
}
