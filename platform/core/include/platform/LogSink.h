#pragma once
// Where the libraries report what they absorb: bad input they refused, a store they could not open,
// the text of a message box a headless front end answered. One line at a time goes to the sink the
// program installed in main(); the libraries never write to standard error themselves. Without a
// sink the lines are dropped (tests install one to read them).
//
// Thread-safe: the sink is called on the reporting thread, one line per call, and must itself be
// safe to call from any thread. A sink must stay valid until it is replaced.

#include <string_view>

class CLogSink {
public:
    using Function = void (*)(std::string_view line);

    // nullptr: no sink, the lines are dropped.
    static void Install(Function sink);
    static void Write(std::string_view line);
};
