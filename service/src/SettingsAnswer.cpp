#include "service/SettingsAnswer.h"

#include "ServiceLog.h"
#include "platform/XmlDom.h"
#include "utils/AsciiFold.h"

#include <algorithm>
#include <charconv>

namespace {

ServerSetting TypedSetting(std::u16string name, std::u16string value)
{
    ServerSetting setting{std::move(name), std::nullopt, {}};
    if (EqualsFolded(value, u"true")) {
        setting.number = 1;
        return setting;
    }
    if (EqualsFolded(value, u"false")) {
        setting.number = 0;
        return setting;
    }
    if (std::all_of(value.begin(), value.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) {
        const std::string digits(value.begin(), value.end());
        std::uint32_t number = 0;
        if (std::from_chars(digits.data(), digits.data() + digits.size(), number).ec == std::errc() ||
            digits.empty()) {
            setting.number = number;
            return setting;
        }
        LogLine(u"settings answer: value \"" + value + u"\" of \"" + setting.name +
                u"\" is too large for a number;"
                u" stored as text");
    }
    setting.text = std::move(value);
    return setting;
}

} // namespace

std::optional<std::vector<ServerSetting>> ParseSettingsAnswer(std::u16string_view text)
{
    CXmlDocument document;
    if (!document.Load(text))
        return std::nullopt;
    std::vector<ServerSetting> settings;
    const CXmlNode root = document.DocumentElement();
    for (std::size_t i = 0; i < root.ChildCount(); ++i) {
        const CXmlNode list = root.Child(i);
        std::vector<CXmlNode> elements = list.SelectNodes(u"config");
        if (elements.empty())
            elements = list.SelectNodes(u"setting");
        if (elements.empty())
            break;
        for (const CXmlNode& element : elements) {
            std::optional<std::u16string> name = element.Attribute(u"name");
            std::optional<std::u16string> value = element.Attribute(u"value");
            if (!name || !value || name->empty())
                continue;
            settings.push_back(TypedSetting(std::move(*name), std::move(*value)));
        }
    }
    return settings;
}
