#include "platform/UiPort.h"

#include "platform/LogSink.h"
#include "utils/Utf.h"

#include <atomic>
#include <string>

namespace {

// Answers without asking anyone, and leaves the text in the program's log.
class CHeadlessUiPort final : public CUiPort {
public:
    int MessageBox(HWND, std::u16string_view text, std::u16string_view caption, unsigned type) override
    {
        const int answer = HeadlessAnswer(type);
        CLogSink::Write("[" + Utf16ToUtf8(caption) + "] " + Utf16ToUtf8(text) + " -> " +
                        std::to_string(answer));
        return answer;
    }
};

CHeadlessUiPort s_headless;
std::atomic<CUiPort*> s_installed{nullptr};

} // namespace

int HeadlessAnswer(unsigned type)
{
    switch (type & 0xFu) {
    case MB_OK:
        return IDOK;
    case MB_YESNO:
        return IDNO;
    default:
        return IDCANCEL;
    }
}

CUiPort& CUiPort::Get()
{
    CUiPort* port = s_installed.load();
    return port ? *port : s_headless;
}

void CUiPort::Install(CUiPort* port)
{
    s_installed.store(port);
}
