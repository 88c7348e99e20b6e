#pragma once
// The head of one HTTP request (request line and header fields, up to the blank line), gathered byte by
// byte from a connection under a size and a field-count cap, and the checks on how its body is framed.
//
// The server reads every head itself before the HTTP library sees it, so that nobody can make it hold
// more than the caps of header text, and so that a body the server would refuse is refused before a
// byte of it is read. Lines end as the HTTP library ends them: the head ends at the first line that is
// exactly CR LF after the request line. One object per connection, reused by Reset.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct HeadLimits {
    std::size_t maxBytes = 32 * 1024; // request line, fields and the blank line
    std::size_t maxFields = 100;
};

// What the server does with a request whose head is complete.
struct HeadVerdict {
    int status = 0;             // 0: serve it; otherwise answer this status and close
    std::string reason;         // for the refusal's body
    std::uint64_t bodyBytes = 0; // the announced Content-Length (0 without one)
};

class CRequestHead {
public:
    enum class State { Partial, Complete, TooLarge };

    explicit CRequestHead(HeadLimits limits);

    // Takes bytes of `input` up to the end of the head, or up to the size cap; returns how many it took
    // (the rest belongs to the body or to the next request). Nothing more is taken once the head is
    // complete or too large. The outcome is the same however the bytes are split between calls.
    std::size_t Feed(std::string_view input);
    State Current() const { return m_state; }
    // The head as received, its blank line included.
    const std::string& Text() const { return m_text; }
    // The refusal for a head over the caps (431), or how the complete head frames its body: a single
    // Content-Length of decimal digits no larger than `maxBodyBytes`, no transfer coding, no content
    // coding.
    HeadVerdict Check(std::uint64_t maxBodyBytes) const;
    void Reset();

private:
    void EndLine();

    const HeadLimits m_limits;
    std::string m_text;
    std::size_t m_lineStart = 0;
    std::size_t m_fields = 0;
    State m_state = State::Partial;
};
