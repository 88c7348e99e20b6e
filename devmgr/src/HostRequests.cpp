#include "HostRequests.h"

#include "utils/AsciiFold.h"
#include "utils/Utf.h"

namespace {

// The request's first word, and the rest after one blank.
std::pair<std::string_view, std::string_view> SplitWord(std::string_view text)
{
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos)
        return {text, {}};
    return {text.substr(0, blank), text.substr(blank + 1)};
}

std::string Load(CDeviceManagerHost& host, std::u16string_view key)
{
    std::string error;
    std::optional<DriverRegistration> registration = ReadDriverRegistration(key, error);
    const std::u16string name = registration ? host.Load(*registration, error) : std::u16string();
    if (name.empty()) {
        host.Log(error);
        return "error " + error;
    }
    host.Log(Utf16ToUtf8(name) + " started (" + Utf16ToUtf8(key) + ")");
    return "ok " + Utf16ToUtf8(name);
}

} // namespace

std::string AnswerHostRequest(CDeviceManagerHost& host, std::string_view request)
{
    const auto [command, argument] = SplitWord(request);
    if (command == "load" && !argument.empty())
        return Load(host, Utf8ToUtf16(argument));
    if (command == "unload" && !argument.empty()) {
        if (!host.Unload(Utf8ToUtf16(argument)))
            return "error " + std::string(argument) + " is not loaded";
        host.Log(std::string(argument) + " unloaded");
        return "ok";
    }
    if (command == "find") {
        const auto [name, file] = SplitWord(argument);
        const LoadedDevice* device = host.Find(Utf8ToUtf16(name));
        if (!device || !EqualsFolded(DriverName(device->registration.library), DriverName(Utf8ToUtf16(file))))
            return "error " + std::string(name) + " is not loaded from " + std::string(file);
        return "ok";
    }
    if (command == "list" && argument.empty()) {
        std::string reply = "ok\n";
        for (const LoadedDevice& device : host.Devices())
            reply += Utf16ToUtf8(device.name) + " " + Utf16ToUtf8(device.registration.key) + " " +
                     Utf16ToUtf8(device.registration.library) + "\n";
        return reply;
    }
    return "error unknown request \"" + std::string(request.substr(0, 80)) + "\"";
}
