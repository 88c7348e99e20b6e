#include "platform/Shell.h"

#include "platform/DevicePaths.h"
#include "utils/AsciiFold.h"
#include "utils/Utf.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <optional>
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
    std::vector<std::string> arguments = {"/bin/sh", "-c", kLauncher};
    arguments.insert(arguments.end(), command.begin(), command.end());
    return RunAndWait(arguments);
}

// The folder of the running program: the front ends are installed beside the programs that start them.
std::filesystem::path OwnFolder()
{
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
}

bool IsGraphicalSession()
{
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
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
        std::vector<std::string> words = SplitAtBlanks(parameters);
        std::vector<std::string> command = HandsetProgramCommand(file, words, OwnFolder(), IsGraphicalSession());
        if (command.empty()) {
            command = {file.front() == u'\\' ? CDevicePaths::ToHost(file).string() : Utf16ToUtf8(file)};
            command.insert(command.end(), words.begin(), words.end());
        }
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

    bool OpenFile(std::u16string_view path) override
    {
        const std::string file = Utf16ToUtf8(path);
        struct stat info {};
        if (file.empty() || file.front() != '/' || path.find(u'\0') != std::u16string_view::npos ||
            ::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || (info.st_mode & 0111) != 0 ||
            (file.size() >= 8 && EqualsFolded(std::string_view(file).substr(file.size() - 8), ".desktop")))
            return false;
        return Spawn({"xdg-open", file});
    }
};

CProcessShell s_defaultShell;
std::atomic<CShell*> s_installed{nullptr};

} // namespace

bool RunAndWait(std::vector<std::string> command)
{
    if (command.empty())
        return false;
    std::vector<char*> argv;
    for (std::string& argument : command)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::vector<std::string> HandsetProgramCommand(std::u16string_view file, const std::vector<std::string>& parameters,
                                               const std::filesystem::path& programFolder, bool graphical)
{
    if (!EqualsFolded(file, u"\\Lumeno\\Lumeno.exe") && !EqualsFolded(file, u"\\Lumeno\\Lumeno"))
        return {};
    const auto withParameters = [&](std::string program) {
        std::vector<std::string> command = {std::move(program)};
        command.insert(command.end(), parameters.begin(), parameters.end());
        return command;
    };
    const auto installed = [&](const char* name) {
        const std::filesystem::path path = programFolder / name;
        return !programFolder.empty() && ::access(path.c_str(), X_OK) == 0 ? std::optional(path.string())
                                                                            : std::nullopt;
    };
    std::error_code error;
    const std::filesystem::path own = CDevicePaths::ToHost(file);
    if (std::filesystem::is_regular_file(own, error))
        return withParameters(own.string());
    if (std::optional<std::string> window = graphical ? installed("lumeno") : std::nullopt)
        return withParameters(*window);
    std::vector<std::string> command = withParameters(installed("lumeno-cli").value_or("lumeno-cli"));
    command.push_back("scheduled");
    return command;
}

CShell& CShell::Get()
{
    CShell* shell = s_installed.load();
    return shell ? *shell : s_defaultShell;
}

void CShell::Install(CShell* shell)
{
    s_installed.store(shell);
}
