// The fake platform layer of the fuzz programs: the few Win32 calls that the
// fuzzed sources make, served natively on Linux.
//
// The socket calls play one server whose reply is a byte script that the
// fuzz target hands over; the clock is a counter that the script moves; the
// formatter and the heap calls touch exactly the bytes that Windows would,
// so AddressSanitizer sees a caller's buffer that is too small. Every call
// checks that it is used as Windows requires (the right socket, a blocking
// socket for send and receive, a sane wait) and aborts otherwise, so a
// misuse by the product shows as a crash with its stack.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace fake
{

// How the peer behaves once its reply bytes run out.
enum StreamEnd
{
    kEndClose,      // orderly close: recv answers 0
    kEndError,      // connection reset: recv answers SOCKET_ERROR
    kEndStall,      // stays open and silent: every wait for reading times out
};

struct NetScript
{
    const uint8_t* pReply;      // what the server sends (not copied)
    size_t nReply;
    size_t nRepeatTo;           // > nReply: the reply is repeated up to this many bytes
    StreamEnd end;
    bool bNameFails;            // gethostbyname finds nothing
    bool bConnectPending;       // connect answers would-block; a wait decides
    bool bConnectRefused;       // the pending connection fails
    bool bSendStalls;           // every wait for writing after connecting times out
    unsigned nRecvChunk;        // most bytes one recv hands out (0: as many as asked)
    uint32_t dwClockStart;      // GetTickCount at the start
    uint32_t dwClockStep;       // milliseconds that a select call lasts when it ends early
};

// Starts a new exchange: no socket open, library not started, clock reset.
void ResetNet(const NetScript& script);

// What the client sent since ResetNet, in order, and how many recv calls it made.
const char* SentBytes(size_t* pnLength);
unsigned RecvCalls();

// Resources still held: open sockets and library starts not yet cleaned up.
int OpenSockets();
int NetworkStarts();

// Current fake clock (what GetTickCount answers).
uint32_t Now();

} // namespace fake
