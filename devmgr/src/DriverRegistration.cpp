#include "DriverRegistration.h"

#include "platform/Registry.h"
#include "utils/AsciiFold.h"
#include "utils/Utf.h"

#include <algorithm>

namespace {

constexpr std::size_t kMaxLibraryChars = 260;

std::u16string KeyPath(std::u16string_view key)
{
    return std::u16string(kBuiltInDriversKey) + u"\\" + std::u16string(key);
}

bool IsPrefix(std::u16string_view prefix)
{
    return prefix.size() == 3 && std::all_of(prefix.begin(), prefix.end(), [](char16_t c) {
               return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
           });
}

} // namespace

std::u16string DriverRegistration::DeviceName() const
{
    return prefix + Utf8ToUtf16(std::to_string(index)) + u":";
}

std::optional<DriverRegistration> ReadDriverRegistration(std::u16string_view key, std::string& error)
{
    CRegKey registry;
    if (CRegistry::OpenKey(RegRoot::CurrentUser, KeyPath(key), registry) != RegStatus::Ok) {
        error = "no registration \"" + Utf16ToUtf8(key) + "\"";
        return std::nullopt;
    }
    const auto value = [&](std::u16string_view name) {
        RegValue raw;
        return registry.QueryValue(name, raw) == RegStatus::Ok ? std::optional(raw) : std::nullopt;
    };
    const std::string where = "registration \"" + Utf16ToUtf8(key) + "\": ";
    DriverRegistration registration;
    registration.key = key;
    const std::optional<RegValue> library = value(u"Dll");
    const std::optional<std::u16string> libraryText = library ? TextOf(*library, kMaxLibraryChars) : std::nullopt;
    if (!libraryText || libraryText->empty()) {
        error = where + "\"Dll\" is missing or not a text";
        return std::nullopt;
    }
    registration.library = *libraryText;
    const std::optional<RegValue> prefix = value(u"Prefix");
    const std::optional<std::u16string> prefixText = prefix ? TextOf(*prefix, 4) : std::nullopt;
    if (!prefixText || !IsPrefix(*prefixText)) {
        error = where + "\"Prefix\" is not three letters";
        return std::nullopt;
    }
    registration.prefix = *prefixText;
    const std::optional<RegValue> index = value(u"Index");
    const std::optional<std::uint32_t> indexNumber = index ? DwordOf(*index) : std::nullopt;
    if (!indexNumber || *indexNumber > 9) {
        error = where + "\"Index\" is not a number from 0 to 9";
        return std::nullopt;
    }
    registration.index = *indexNumber;
    const std::optional<RegValue> order = value(u"Order");
    registration.order = order ? DwordOf(*order).value_or(0) : 0;
    return registration;
}

std::vector<DriverRegistration> ReadDriverRegistrations(const HostLog& log)
{
    std::vector<DriverRegistration> registrations;
    CRegKey drivers;
    std::vector<std::u16string> keys;
    if (CRegistry::OpenKey(RegRoot::CurrentUser, kBuiltInDriversKey, drivers) != RegStatus::Ok ||
        drivers.EnumSubKeyNames(keys) != RegStatus::Ok)
        return registrations;
    for (const std::u16string& key : keys) {
        std::string error;
        if (std::optional<DriverRegistration> registration = ReadDriverRegistration(key, error))
            registrations.push_back(std::move(*registration));
        else
            log(error + "; skipped");
    }
    std::stable_sort(registrations.begin(), registrations.end(),
                     [](const DriverRegistration& a, const DriverRegistration& b) {
                         return a.order != b.order ? a.order < b.order : a.key < b.key;
                     });
    return registrations;
}

bool RegisterDriverIfMissing(const DriverRegistration& registration)
{
    CRegKey key;
    if (CRegistry::OpenKey(RegRoot::CurrentUser, KeyPath(registration.key), key) == RegStatus::Ok)
        return true;
    return CRegistry::CreateKey(RegRoot::CurrentUser, KeyPath(registration.key), key) == RegStatus::Ok &&
           key.SetString(u"Dll", registration.library) == RegStatus::Ok &&
           key.SetString(u"Prefix", registration.prefix) == RegStatus::Ok &&
           key.SetDword(u"Index", registration.index) == RegStatus::Ok &&
           key.SetDword(u"Order", registration.order) == RegStatus::Ok;
}

std::u16string DriverName(std::u16string_view library)
{
    const bool hostFile = library.find(u'/') != std::u16string_view::npos;
    std::u16string_view name = library.substr(library.find_last_of(u"\\/") + 1);
    if (hostFile && StartsWithFolded(name, u"lib"))
        name.remove_prefix(3);
    return std::u16string(name.substr(0, name.find(u'.')));
}

std::filesystem::path DriverLibraryPath(std::u16string_view library, const std::filesystem::path& driverFolder)
{
    if (library.find(u'/') != std::u16string_view::npos)
        return Utf16ToUtf8(library);
    const std::string file = "lib" + Utf16ToUtf8(DriverName(library)) + ".so";
    std::filesystem::path chosen = driverFolder / file;
    std::error_code error;
    if (std::filesystem::exists(chosen, error))
        return chosen;
    for (std::filesystem::directory_iterator it(driverFolder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(file + ".", 0) == 0 && (chosen.filename() == file || name > chosen.filename().string()))
            chosen = it->path();
    }
    return chosen;
}
