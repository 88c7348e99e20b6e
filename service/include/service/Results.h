#pragma once
// The result of every flow and of the request executor.

#include <cstdint>

enum RETURNED_RES : std::int32_t {
    RES_ERROR = -1,            // communication or local failure
    RES_STOPPED = 0,           // the operation was stopped (server dialog, push wait ran out)
    RES_OK = 1,                // success (also when the user's stop was noticed: the stop flag tells)
    RES_SETTINGS_REQUIRED = 2, // success; fetch the settings from the server before going on
    RES_USER_CONFIRMED = 3,    // the user answered Yes to a flow's question
    RES_REPEAT = 5,            // send the same request again
    RES_SERVER_ERROR = 6,      // the server reported an error; it has already been shown
};
