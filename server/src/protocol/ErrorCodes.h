#pragma once
// The values this server puts in "QX-ErrorCode". The handset only tests that the header is there and
// shows "QX-ErrorMessage"; the numbers are for logs and for tests. The operator may inject any code.

#include "protocol/ProtocolMessage.h"

#include <string>
#include <string_view>

enum class ErrorCode : int {
    MissingHeader = 400,    // a header the command needs is absent or unreadable
    WrongChallenge = 401,   // the challenge response does not match the device key
    WrongCredentials = 403, // password, user id or user key do not match the account
    UnknownDevice = 404,    // the device id is not registered
    NotNegotiated = 409,    // the command needs a negotiated session
    UnexpectedAnswer = 412, // a dialog answer that fits no dialog on screen
    UnknownSession = 410,   // no such session, another device's, completed or expired
    InputRefused = 422,     // a dialog input did not match the expected value
    OutOfSequence = 424,    // a data request that fits no transfer in progress (a chunk of no restore)
    ServerFailure = 500,    // the server's storage failed
    UnknownCommand = 501,   // the server does not know the command
};

inline ProtocolResponse ErrorAnswer(ErrorCode code, std::string_view message)
{
    return ProtocolResponse::Error(std::to_string(static_cast<int>(code)), message);
}
