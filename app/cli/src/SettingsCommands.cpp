#include "SettingsCommands.h"

#include "CliOptions.h"
#include "Terminal.h"
#include "service/CReg_Api.h"
#include "utils/Utf.h"

#include <charconv>
#include <span>

namespace {

// Values that are secrets of the handset: shown only as set or not.
bool IsSecret(std::u16string_view name)
{
    return name == u"Password" || name == u"QX-key" || name == u"Ukey";
}

// Values the settings never store: in memory only, or read and never written back.
bool IsNeverStored(std::u16string_view name)
{
    return name == u"ExpectCIR" || name == u"Forbidden-Folders";
}

std::span<const SettingDescriptor> AllSettings()
{
    std::size_t count = 0;
    const SettingDescriptor* table = SettingsTable(count);
    return {table, count};
}

} // namespace

int ShowSettings(CTerminal& terminal)
{
    CReg_Api& store = *CReg_Api::GetInstanceReg();
    std::string lines;
    for (const SettingDescriptor& setting : AllSettings()) {
        std::string value;
        if (setting.integer) {
            value = std::to_string(store.Get(setting.integer));
        } else if (IsSecret(setting.name)) {
            value = store.Get(setting.text).empty() ? "(not set)" : "(set)";
        } else {
            value = Utf16ToUtf8(store.Get(setting.text));
        }
        lines += Utf16ToUtf8(setting.name) + " = " + value + "\n";
    }
    lines.pop_back();
    terminal.Print(lines);
    return kExitDone;
}

int SetSetting(const std::string& name, const std::string& value, CTerminal& terminal)
{
    const std::u16string wideName = Utf8ToUtf16(name);
    const SettingDescriptor* setting = FindSetting(wideName);
    if (!setting) {
        terminal.PrintError("lumeno-cli: there is no setting \"" + name +
                            "\" (names as \"settings show\" lists them)");
        return kExitUsage;
    }
    if (IsNeverStored(wideName)) {
        terminal.PrintError("lumeno-cli: \"" + name + "\" is not kept in the settings store");
        return kExitUsage;
    }
    CReg_Api& store = *CReg_Api::GetInstanceReg();
    if (setting->integer) {
        std::int32_t number = 0;
        const auto [end, status] = std::from_chars(value.data(), value.data() + value.size(), number);
        if (status != std::errc() || end != value.data() + value.size()) {
            terminal.PrintError("lumeno-cli: \"" + name + "\" takes a whole number, not \"" + value + "\"");
            return kExitUsage;
        }
        store.Set(setting->integer, number);
    } else {
        const std::u16string text = Utf8ToUtf16(value);
        if (text.size() > kMaxSettingTextChars) {
            terminal.PrintError("lumeno-cli: \"" + name + "\" holds at most " +
                                std::to_string(kMaxSettingTextChars) + " characters, not " +
                                std::to_string(text.size()));
            return kExitUsage;
        }
        store.Set(setting->text, text);
    }
    store.SaveSettings();
    terminal.Print(name + " = " + (IsSecret(wideName) ? std::string("(set)") : value));
    return kExitDone;
}
