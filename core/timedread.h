#pragma once
// Reading one record off a client socket. The read polls a non-blocking receive and pauses at most
// 40 ms between empty polls. A pause ends early when the socket becomes readable, but lasts its
// full length where data cannot help (the peer has closed, or the length field asks for nothing
// more), so the 52nd empty poll in a row, about two seconds of silence, always ends the read.
// Only the bytes still missing of the record are ever asked for.
#include "platform/event.h"

class CClientSock;

enum class RecordReadEnd {
    Complete,  // one whole record is in the buffer
    Silence,   // nothing arrived before the empty-poll limit
    TimedOut,  // bytes arrived, then the empty-poll limit passed; a length field of 12 or less,
               // or one that is not a number, always ends this way
    TooLong,   // the length field announces more bytes than the buffer holds; the read stopped
               // after the first 12 bytes
    Stopped,   // the end of the run, or the socket's stop where it counts, ended the read
};

struct RecordReadResult {
    RecordReadEnd end;
    int count;  // bytes in the buffer when the read ended
};

struct RecordReadOptions {
    int bufferSize;                 // at least 12
    bool stopsOnSocketFlag = true;  // the socket's stop ends the read as the end of the run does
};

// The read itself, shared by every reader; it logs nothing and sets no flag. count is the number
// of bytes already in the buffer (0 for a fresh record).
RecordReadResult ReadRecord(CClientSock& sock, char* buffer, int count,
                            ManualResetEvent& pauseEvent, const RecordReadOptions& options);

// The reception thread's read: the record's byte count; 0 after silence; the bytes received so far
// when a stop flag ended it. A time-out with bytes, or a record too long for the buffer, writes
// "[name][iNo] Read TimeOut![count]" to its owner's log, sets the socket's stop and gives 0.
int TimedRead(CClientSock* sock, char* buffer, int iNo, int count, ManualResetEvent* pauseEvent,
              int bufferSize);
