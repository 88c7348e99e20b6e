#include "platform/DevicePaths.h"

#include "utils/AsciiFold.h"
#include "utils/Utf.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::u16string_view kProgramName = u"Lumeno";
constexpr std::u16string_view kDocumentsName = u"My Documents";

struct SpecialInfo {
    SpecialFolder folder;
    std::u16string_view deviceName; // below "My Documents" on the device
    const char* xdgKey;
    const char* homeFallback;
};

constexpr SpecialInfo kSpecials[] = {
    {SpecialFolder::MyDocuments, u"", "XDG_DOCUMENTS_DIR", "Documents"},
    {SpecialFolder::MyPictures, u"My Pictures", "XDG_PICTURES_DIR", "Pictures"},
    {SpecialFolder::MyVideo, u"My Videos", "XDG_VIDEOS_DIR", "Videos"},
    {SpecialFolder::MyMusic, u"My Music", "XDG_MUSIC_DIR", "Music"},
};

const SpecialInfo& InfoOf(SpecialFolder folder)
{
    for (const SpecialInfo& info : kSpecials) {
        if (info.folder == folder)
            return info;
    }
    return kSpecials[0];
}

std::optional<std::string> Env(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
}

std::optional<struct passwd> PasswdEntry(std::string& buffer)
{
    buffer.resize(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return std::nullopt;
    return entry;
}

fs::path Home()
{
    if (auto home = Env("HOME"))
        return *home;
    std::string buffer;
    if (auto entry = PasswdEntry(buffer); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

std::string UserName()
{
    if (auto user = Env("USER"))
        return *user;
    std::string buffer;
    if (auto entry = PasswdEntry(buffer); entry && entry->pw_name)
        return entry->pw_name;
    return {};
}

std::optional<fs::path> DeviceRootVariable()
{
    auto root = Env("LUMENO_DEVICE_ROOT");
    if (!root)
        return std::nullopt;
    std::error_code error;
    fs::path absolute = fs::absolute(*root, error);
    return error ? fs::path(*root) : absolute;
}

// An XDG base directory; relative values are invalid by the XDG rules and ignored.
fs::path XdgBase(const char* variable, const char* homeRelative)
{
    if (auto value = Env(variable); value && fs::path(*value).is_absolute())
        return *value;
    return Home() / homeRelative;
}

fs::path LumenoDataBase()
{
    return XdgBase("XDG_DATA_HOME", ".local/share") / "lumeno";
}

// The value of one XDG_*_DIR line of user-dirs.dirs: "$HOME/yyy" (shell-escaped) or "/yyy".
std::optional<fs::path> ParseUserDir(std::string_view value)
{
    std::string text;
    if (!value.empty() && value.front() == '"') {
        for (std::size_t i = 1; i < value.size() && value[i] != '"'; ++i) {
            if (value[i] == '\\' && i + 1 < value.size())
                ++i;
            text += value[i];
        }
    } else {
        text = value;
    }
    for (std::string_view prefix : {"$HOME", "${HOME}"}) {
        if (text.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::string rest = text.substr(prefix.size());
        if (!rest.empty() && rest.front() != '/')
            continue;
        while (!rest.empty() && rest.front() == '/')
            rest.erase(0, 1);
        return rest.empty() ? Home() : Home() / rest;
    }
    if (!text.empty() && text.front() == '/')
        return fs::path(text);
    return std::nullopt;
}

std::optional<fs::path> UserDir(const char* key)
{
    std::ifstream file(XdgBase("XDG_CONFIG_HOME", ".config") / "user-dirs.dirs");
    std::optional<fs::path> found;
    std::string line;
    while (std::getline(file, line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        const std::size_t equals = line.find('=', start);
        if (equals == std::string::npos)
            continue;
        std::string name = line.substr(start, equals - start);
        name.erase(name.find_last_not_of(" \t") + 1);
        if (name != key)
            continue;
        std::string_view value = std::string_view(line).substr(equals + 1);
        value.remove_prefix(std::min(value.size(), value.find_first_not_of(" \t")));
        // A later line wins, as when the shell sources the file.
        if (auto dir = ParseUserDir(value))
            found = dir;
    }
    return found;
}

// Creates a folder only its owner may enter; parents get the default mode. Failures are left for
// the first use of the folder to report.
void CreatePrivateFolder(const fs::path& folder)
{
    std::error_code error;
    fs::create_directories(folder.parent_path(), error);
    ::mkdir(folder.c_str(), 0700);
}

std::vector<std::u16string> SplitDevicePath(std::u16string_view devicePath)
{
    // A device path is a C string on the handset: it ends at its first zero character.
    devicePath = devicePath.substr(0, devicePath.find(u'\0'));
    std::vector<std::u16string> components;
    std::size_t begin = 0;
    while (begin <= devicePath.size()) {
        std::size_t end = devicePath.find_first_of(u"\\/", begin);
        if (end == std::u16string_view::npos)
            end = devicePath.size();
        std::u16string_view part = devicePath.substr(begin, end - begin);
        // ".." is dropped rather than applied, so no device path can climb out of its folder.
        if (!part.empty() && part != u"." && part != u"..")
            components.emplace_back(part);
        begin = end + 1;
    }
    return components;
}

} // namespace

fs::path CDevicePaths::ToHost(std::u16string_view devicePath)
{
    const std::vector<std::u16string> components = SplitDevicePath(devicePath);
    if (components.empty())
        return DeviceRoot();

    fs::path host;
    std::size_t used = 0;
    const std::u16string& first = components.front();
    if (EqualsFolded(first, kProgramName)) {
        host = ProgramFolder();
        used = 1;
    } else if (EqualsFolded(first, kDocumentsName)) {
        host = Special(SpecialFolder::MyDocuments, false);
        used = 1;
        // The special subfolders may live elsewhere on the host (the XDG folders).
        if (components.size() > 1) {
            for (const SpecialInfo& info : kSpecials) {
                if (!info.deviceName.empty() && EqualsFolded(components[1], info.deviceName)) {
                    host = Special(info.folder, false);
                    used = 2;
                    break;
                }
            }
        }
    } else {
        host = DeviceRoot();
        for (const StorageCard& card : StorageCards()) {
            if (EqualsFolded(first, card.name)) {
                host = card.hostPath;
                used = 1;
                break;
            }
        }
    }
    for (std::size_t i = used; i < components.size(); ++i)
        host /= Utf16ToUtf8(components[i]);
    return host;
}

namespace {

// `path` below (or at) `base` as a device path under `deviceBase`; nothing when it is elsewhere.
std::optional<std::u16string> DeviceBelow(const fs::path& path, const fs::path& base, std::u16string_view deviceBase)
{
    const fs::path relative = path.lexically_relative(base.lexically_normal());
    if (relative.empty() || *relative.begin() == "..")
        return std::nullopt;
    std::u16string device(deviceBase);
    for (const fs::path& part : relative) {
        if (part == ".")
            continue;
        if (device.empty() || device.back() != u'\\')
            device += u'\\';
        device += Utf8ToUtf16(part.string());
    }
    return device.empty() ? u"\\" : device;
}

} // namespace

std::u16string CDevicePaths::ToDevice(const fs::path& hostPath)
{
    std::error_code error;
    const fs::path path = fs::absolute(hostPath, error).lexically_normal();
    if (error)
        return {};
    std::optional<std::u16string> device = DeviceBelow(path, ProgramFolder(), u"\\" + std::u16string(kProgramName));
    for (const StorageCard& card : StorageCards()) {
        if (!device)
            device = DeviceBelow(path, card.hostPath, u"\\" + card.name);
    }
    if (!device)
        device = DeviceBelow(path, Special(SpecialFolder::MyDocuments, false), u"\\" + std::u16string(kDocumentsName));
    if (!device)
        device = DeviceBelow(path, DeviceRoot(), u"");
    return device.value_or(std::u16string());
}

fs::path CDevicePaths::Special(SpecialFolder folder, bool create)
{
    const SpecialInfo& info = InfoOf(folder);
    fs::path host;
    if (auto root = DeviceRootVariable()) {
        host = *root / Utf16ToUtf8(kDocumentsName);
        if (!info.deviceName.empty())
            host /= Utf16ToUtf8(info.deviceName);
    } else if (auto dir = UserDir(info.xdgKey)) {
        host = *dir;
    } else {
        host = Home() / info.homeFallback;
    }
    if (create) {
        std::error_code error;
        fs::create_directories(host, error);
    }
    return host;
}

std::vector<StorageCard> CDevicePaths::StorageCards()
{
    fs::path media;
    if (auto root = DeviceRootVariable()) {
        media = *root / "media";
    } else {
        const std::string user = UserName();
        if (user.empty())
            return {};
        media = fs::path("/media") / user;
    }

    std::vector<StorageCard> cards;
    std::error_code error;
    for (fs::directory_iterator it(media, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        std::error_code statusError;
        if (name.empty() || name.front() == '.' || !it->is_directory(statusError))
            continue;
        cards.push_back({Utf8ToUtf16(name), it->path()});
    }
    std::sort(cards.begin(), cards.end(),
              [](const StorageCard& a, const StorageCard& b) { return a.name < b.name; });
    return cards;
}

fs::path CDevicePaths::ProgramFolder()
{
    if (auto root = DeviceRootVariable())
        return *root / Utf16ToUtf8(kProgramName);
    return LumenoDataBase() / Utf16ToUtf8(kProgramName);
}

fs::path CDevicePaths::DataFolder()
{
    const auto root = DeviceRootVariable();
    const fs::path folder = root ? *root / "data" : LumenoDataBase();
    CreatePrivateFolder(folder);
    return folder;
}

fs::path CDevicePaths::DeviceRoot()
{
    if (auto root = DeviceRootVariable())
        return *root;
    return LumenoDataBase() / "device";
}

fs::path CDevicePaths::TempFolder()
{
    const auto root = DeviceRootVariable();
    const fs::path folder = (root ? *root : LumenoDataBase()) / "temp";
    CreatePrivateFolder(folder);
    return folder;
}
