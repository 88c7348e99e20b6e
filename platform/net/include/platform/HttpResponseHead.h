#pragma once
// The head of an HTTP answer as it arrives, one line at a time: the status of its status line and its
// header fields in arrival order, a folded line (one that starts with a blank) joined to the field
// before it. A new status line starts a new head, as after an interim 1xx answer; the final answer's
// head has ended at the blank line after a status of 200 or above. Everything the server sends is taken
// as it comes: nothing here fails, it only reads less.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using HttpFields = std::vector<std::pair<std::string, std::string>>;

class CHttpResponseHead {
public:
    // One line as it arrived, its line end included or not. True for a blank line, which ends a head.
    bool Take(std::string_view line);

    // The three digits after the status line's first blank; 0 before a status line or without three digits.
    long Status() const { return m_status; }
    // Whether the head of the final answer is whole.
    bool Ended() const { return m_ended; }
    // Names and values without the blanks, tabs and line ends around them.
    const HttpFields& Fields() const { return m_fields; }

private:
    long m_status = 0;
    bool m_ended = false;
    HttpFields m_fields;
};

// `text` without the blanks, tabs and line ends around it, as HTTP reads a field's name and value.
std::string_view TrimHttpBlanks(std::string_view text);
