#pragma once
// Closing a handset's connection without an answer, as a network failure would: the operator's drop
// rule lets tests cut a handset off at any request.
//
// The HTTP library does not hand its handlers the socket, so the socket is found among the process's
// open ones by the request's two ends. Shutting it down makes the library's write of the answer fail
// and the library then closes the connection; the peer sees the connection end before any byte of an
// answer.

#include <string>

// False when no open socket has these ends.
bool CutConnection(int localPort, const std::string& remoteAddress, int remotePort);
