#include "data/PimVocabulary.h"

#include <array>

namespace {

constexpr std::array kVocabularies = {
    PimVocabulary{PimKind::Contact, "Contacts", u"contact-list", u"contact", u"vcard", 'c'},
    PimVocabulary{PimKind::Event, "Events", u"event-list", u"event", u"vcal", 'e'},
    PimVocabulary{PimKind::Todo, "Todo", u"todo-list", u"todo", u"vcal", 't'},
};

} // namespace

const PimVocabulary& VocabularyOf(PimKind kind)
{
    return kVocabularies[static_cast<std::size_t>(kind)];
}

const PimVocabulary* VocabularyOfCommandType(std::string_view commandType)
{
    for (const PimVocabulary& vocabulary : kVocabularies) {
        if (vocabulary.commandType == commandType)
            return &vocabulary;
    }
    return nullptr;
}

std::string NewGuid(PimKind kind, std::int64_t version)
{
    return VocabularyOf(kind).guidLetter + std::to_string(version);
}

std::optional<PimKind> KindOfGuid(std::string_view guid)
{
    if (guid.size() < 2 || guid.size() > 20 || guid[1] == '0')
        return std::nullopt;
    for (const char c : guid.substr(1)) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    for (const PimVocabulary& vocabulary : kVocabularies) {
        if (vocabulary.guidLetter == guid.front())
            return vocabulary.kind;
    }
    return std::nullopt;
}
