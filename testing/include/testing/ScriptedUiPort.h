#pragma once
// A UI port for tests: answers message boxes from a script and records what was shown.

#include "platform/UiPort.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

class CScriptedUiPort final : public CUiPort {
public:
    struct Shown {
        HWND owner;
        std::u16string text;
        std::u16string caption;
        unsigned type;
        int answer;
    };

    // Queues the answer for the next message box. With an empty script, the headless answer is given.
    void Answer(int button);
    int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, unsigned type) override;
    std::vector<Shown> ShownBoxes() const;

private:
    mutable std::mutex m_mutex;
    std::deque<int> m_answers;
    std::vector<Shown> m_shown;
};
