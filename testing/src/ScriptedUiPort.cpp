#include "testing/ScriptedUiPort.h"

void CScriptedUiPort::Answer(int button)
{
    std::lock_guard lock(m_mutex);
    m_answers.push_back(button);
}

int CScriptedUiPort::MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption,
                                unsigned type)
{
    std::lock_guard lock(m_mutex);
    int answer = HeadlessAnswer(type);
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    }
    m_shown.push_back(Shown{owner, std::u16string(text), std::u16string(caption), type, answer});
    return answer;
}

std::vector<CScriptedUiPort::Shown> CScriptedUiPort::ShownBoxes() const
{
    std::lock_guard lock(m_mutex);
    return m_shown;
}
