#include "platform/Shell.h"

#include "platform/DevicePaths.h"
#include "utils/AsciiFold.h"
#include "utils/Utf.h"

#include <spawn.h>
#include <sys/wait.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <vector>

extern char** environ;

namespace {

// The shell checks that the program can be found, then starts it in the background and exits at
// once: we reap the shell, and the program, left to init, never becomes a zombie of ours.
constexpr const char* kLauncher =
    "command -v -- \"$0\" >/dev/null 2>&1 || exit 127; \"$0\" \"$@\" </dev/null >/dev/null 2>&1 &";

bool Spawn(const std::vector<std::string>& command)
{
    std::vector<std::string> arguments = {"sh", "-c", kLauncher};
    arguments.insert(arguments.end(), command.begin(), command.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> SplitAtBlanks(std::u16string_view text)
{
    std::vector<std::string> words;
    std::u16string word;
    for (char16_t c : text) {
        if (c == u' ' || c == u'\t') {
            if (!word.empty())
                words.push_back(Utf16ToUtf8(word));
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(Utf16ToUtf8(word));
    return words;
}

class CProcessShell final : public CShell {
public:
    bool Execute(std::u16string_view file, std::u16string_view parameters) override
    {
        if (file.empty())
            return false;
        std::string program = file.front() == u'\\' ? CDevicePaths::ToHost(file).string() : Utf16ToUtf8(file);
        std::vector<std::string> command = {program};
        for (std::string& word : SplitAtBlanks(parameters))
            command.push_back(std::move(word));
        return Spawn(command);
    }

    bool OpenUrl(std::u16string_view url) override
    {
        // Addresses come from the server: only web pages go to the desktop's opener, never local
        // files or other schemes whose handlers could run programs.
        if (!StartsWithFolded(url, u"http://") && !StartsWithFolded(url, u"https://"))
            return false;
        for (char16_t c : url) {
            if (c <= u' ' || c == 0x7F)
                return false;
        }
        return Spawn({"xdg-open", Utf16ToUtf8(url)});
    }
};

CProcessShell s_defaultShell;
std::atomic<CShell*> s_installed{nullptr};

} // namespace

CShell& CShell::Get()
{
    CShell* shell = s_installed.load();
    return shell ? *shell : s_defaultShell;
}

void CShell::Install(CShell* shell)
{
    s_installed.store(shell);
}
